#pragma once

#include "linking/ConnectionMonitorError.h"
#include "linking/MacConnectionStatus.h"
#include "linking/MonitoringState.h"
#include "records/ConnectedMac.h"

#include <QCoro/QCoroTask>

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <optional>

namespace verandel {

// Watches the health of every linked computer with pings, and publishes one status record per
// computer. Nothing here throws: failures are logged or sent on monitoringError.
class ConnectionMonitorServiceProtocol : public QObject
{
    Q_OBJECT

public:
    // Computer id -> its status record.
    using StatusTable = QHash<QUuid, MacConnectionStatusPtr>;

    using QObject::QObject;
    ~ConnectionMonitorServiceProtocol() override = default;

    virtual StatusTable connectionStatuses() const = 0;
    virtual MonitoringState monitoringState() const = 0;
    // Records connected or unstable when last counted.
    virtual int activeConnectionCount() const = 0;
    // The last start or health-check pass.
    virtual std::optional<QDateTime> lastUpdateTimestamp() const = 0;

    virtual void startMonitoring() = 0;
    virtual void stopMonitoring() = 0;
    // A fresh disconnected record, replacing any earlier one; pinged at once while running.
    virtual void addMacToMonitoring(const ConnectedMac &mac) = 0;
    virtual void removeMacFromMonitoring(const QUuid &macId) = 0;
    // Pings the computer now when it is reachable, monitored or not. Answers whether the ping was
    // delivered: false at once for a computer that is not reachable. Awaiting it is optional.
    virtual QCoro::Task<bool> forceHealthCheck(const QUuid &macId) = 0;
    virtual MacConnectionStatusPtr getConnectionStatus(const QUuid &macId) const = 0;
    virtual StatusTable getAllConnectionStatuses() const = 0;
    // Sets the state and publishes it, with its side effects (reconnection, last-seen time).
    virtual void updateConnectionState(const QUuid &macId, ConnectionState state) = 0;

Q_SIGNALS:
    void connectionStatusesChanged(const verandel::ConnectionMonitorServiceProtocol::StatusTable &statuses);
    void monitoringStateChanged(verandel::MonitoringState state);
    void activeConnectionCountChanged(int count);
    void lastUpdateTimestampChanged(const QDateTime &timestamp);
    // The record after each published change.
    void connectionStatusChanged(const QUuid &macId, const verandel::MacConnectionStatusPtr &status);
    // The new state after each published state change.
    void connectionStateChanged(const QUuid &macId, verandel::ConnectionState state);
    void monitoringError(const verandel::ConnectionMonitorError &error);
    void healthCheckStarted();
};

using ConnectionMonitorServicePtr = std::shared_ptr<ConnectionMonitorServiceProtocol>;

} // namespace verandel
