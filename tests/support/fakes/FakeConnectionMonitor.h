#pragma once

#include "linking/ConnectionMonitorServiceProtocol.h"

#include <QStringList>

#include <functional>

namespace verandel::test {

// A status table the test fills; every call is recorded, and updateConnectionState sets and publishes
// the state of a record it holds.
class FakeConnectionMonitor final : public ConnectionMonitorServiceProtocol
{
public:
    StatusTable statuses;
    MonitoringState state = MonitoringState::Stopped;
    int startCalls = 0;
    int stopCalls = 0;
    QList<ConnectedMac> added;
    QList<QUuid> removed;
    QList<QUuid> forcedHealthChecks;
    // What every forced check answers: whether its ping was delivered.
    bool forcedChecksDelivered = true;
    // Runs for each delivered forced check, as the computer pinged would take it.
    std::function<void(const QUuid &macId)> onForcedHealthCheck;
    // When set, start and stop are also appended here, to order them among other services' calls.
    QStringList *journal = nullptr;

    StatusTable connectionStatuses() const override { return statuses; }
    MonitoringState monitoringState() const override { return state; }
    int activeConnectionCount() const override
    {
        return static_cast<int>(std::count_if(statuses.cbegin(), statuses.cend(), [](const MacConnectionStatusPtr &s) {
            return isActive(s->connectionState());
        }));
    }
    std::optional<QDateTime> lastUpdateTimestamp() const override { return std::nullopt; }

    void startMonitoring() override
    {
        ++startCalls;
        if (journal) {
            journal->append(QStringLiteral("monitor.startMonitoring"));
        }
        setState(MonitoringState::Running);
    }
    void stopMonitoring() override
    {
        ++stopCalls;
        if (journal) {
            journal->append(QStringLiteral("monitor.stopMonitoring"));
        }
        setState(MonitoringState::Stopped);
    }
    void addMacToMonitoring(const ConnectedMac &mac) override
    {
        added.append(mac);
        statuses.insert(mac.id(), std::make_shared<MacConnectionStatus>(mac.id()));
        Q_EMIT connectionStatusesChanged(statuses);
    }
    void removeMacFromMonitoring(const QUuid &macId) override
    {
        removed.append(macId);
        if (statuses.remove(macId) > 0) {
            Q_EMIT connectionStatusesChanged(statuses);
        }
    }
    QCoro::Task<bool> forceHealthCheck(const QUuid &macId) override
    {
        forcedHealthChecks.append(macId);
        const bool delivered = forcedChecksDelivered;
        if (delivered && onForcedHealthCheck) {
            onForcedHealthCheck(macId);
        }
        co_return delivered;
    }
    MacConnectionStatusPtr getConnectionStatus(const QUuid &macId) const override { return statuses.value(macId); }
    StatusTable getAllConnectionStatuses() const override { return statuses; }
    void updateConnectionState(const QUuid &macId, ConnectionState connectionState) override
    {
        const MacConnectionStatusPtr status = statuses.value(macId);
        if (!status) {
            return;
        }
        status->updateConnectionState(connectionState);
        Q_EMIT connectionStateChanged(macId, connectionState);
        Q_EMIT connectionStatusChanged(macId, status);
    }

private:
    void setState(MonitoringState newState)
    {
        state = newState;
        Q_EMIT monitoringStateChanged(newState);
    }
};

} // namespace verandel::test
