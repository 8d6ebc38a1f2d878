#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/DelayedCall.h"
#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "linking/ConnectionMonitorConfiguration.h"
#include "linking/ConnectionMonitorServiceProtocol.h"
#include "linking/LinkedPeerDirectoryProtocol.h"
#include "linking/NetworkPathSourceProtocol.h"
#include "linking/OwnedDevicesProtocol.h"
#include "peer/PeerCommunicationHub.h"
#include "records/ConnectedMacStorageServiceProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"

#include <QSet>

#include <map>

namespace verandel {

// Pings every reachable linked computer each health-check interval with the devices this computer owns
// and has connected, answers their pings, marks a computer disconnected when an answer does not come
// within the ping time-out, and reconnects with back-off until it gives up. Everything runs on the
// main thread; timers are cancellable sleeps on the clock, at most one of each kind per computer.
// Always held by shared_ptr: its timers and pings hold it weakly.
class ConnectionMonitorService final : public ConnectionMonitorServiceProtocol,
                                       public std::enable_shared_from_this<ConnectionMonitorService>
{
    Q_OBJECT

public:
    ConnectionMonitorService(ConnectedMacStorageServicePtr storageService,
                             std::shared_ptr<PeerCommunicationHub> eventHub, LinkedPeerDirectoryPtr peerDirectory,
                             OwnedDevicesPtr deviceOwnership,
                             std::shared_ptr<MacIdentifierServiceProtocol> macIdentifier, LoggerFactory &loggerFactory,
                             ConnectionMonitorConfiguration configuration, ClockPtr clock,
                             NetworkPathSourcePtr networkPath, TestCoordinatorPtr testCoordinator = nullptr);
    ~ConnectionMonitorService() override;

    StatusTable connectionStatuses() const override { return m_statuses; }
    MonitoringState monitoringState() const override { return m_monitoringState; }
    int activeConnectionCount() const override { return m_activeConnectionCount; }
    std::optional<QDateTime> lastUpdateTimestamp() const override { return m_lastUpdateTimestamp; }

    void startMonitoring() override;
    void stopMonitoring() override;
    void addMacToMonitoring(const ConnectedMac &mac) override;
    void removeMacFromMonitoring(const QUuid &macId) override;
    QCoro::Task<bool> forceHealthCheck(const QUuid &macId) override;
    MacConnectionStatusPtr getConnectionStatus(const QUuid &macId) const override { return m_statuses.value(macId); }
    StatusTable getAllConnectionStatuses() const override { return m_statuses; }
    void updateConnectionState(const QUuid &macId, ConnectionState state) override;

    // One health-check pass now, as the timer runs it: pings every reachable monitored computer.
    void performHealthCheck();

    const ConnectionMonitorConfiguration &configuration() const { return m_configuration; }

private:
    using Timers = std::map<QUuid, DelayedCall>;
    using TimerAction = void (ConnectionMonitorService::*)(const QUuid &);

    void completeStart();
    void completeStop();
    void loadStoredMacs();
    void recountActiveConnections();
    void setMonitoringState(MonitoringState state);
    void setLastUpdateTimestamp(const QDateTime &timestamp);
    void publish(const QUuid &macId, const MacConnectionStatusPtr &status);

    void scheduleHealthCheck(const QUuid &macId);
    QCoro::Task<bool> sendPing(const QUuid &macId);
    void armPingTimeout(const QUuid &macId);
    void handlePingTimeout(const QUuid &macId);
    void scheduleReconnection(const QUuid &macId);
    void attemptReconnection(const QUuid &macId);
    void cancelTimer(Timers &timers, const QUuid &macId);
    // The health-check loop and every reconnection and ping time-out timer.
    void stopAllTimers();
    void startTimer(Timers &timers, const QUuid &macId, double seconds, TimerAction action);

    void handlePingRequest(const PingRequestReceivedEvent &event);
    void handlePingResponse(const PingResponseReceivedEvent &event);
    void handleEligibilityChange(const QUuid &macId, bool eligible);
    void handleNetworkPathChange(bool satisfied);
    // Renames the stored computer after its ping and moves its last-seen time, at most once per
    // health-check interval. Answers whether the name changed.
    bool refreshStoredMac(const QUuid &macId, const std::optional<QString> &advertisedName);
    void updateLastSeen(const QUuid &macId);
    void signalTest(const QString &name) const;

    enum class PingKind { Request, Response };
    // Reads this computer's owned devices, then sends the ping or the answer to a ping. Answers whether a
    // ping request was delivered (an answer to a ping reports nothing: false).
    static QCoro::Task<bool> pingTask(std::weak_ptr<ConnectionMonitorService> weak, QUuid macId, PingKind kind);

    ConnectedMacStorageServicePtr m_storage;
    std::shared_ptr<PeerCommunicationHub> m_eventHub;
    LinkedPeerDirectoryPtr m_peerDirectory;
    OwnedDevicesPtr m_deviceOwnership;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifier;
    LoggerPtr m_logger;
    ConnectionMonitorConfiguration m_configuration;
    ClockPtr m_clock;
    NetworkPathSourcePtr m_networkPath;
    TestCoordinatorPtr m_testCoordinator;

    StatusTable m_statuses;
    MonitoringState m_monitoringState = MonitoringState::Stopped;
    int m_activeConnectionCount = 0;
    std::optional<QDateTime> m_lastUpdateTimestamp;
    DelayedCall m_healthCheckTimer{m_clock};
    Timers m_reconnectionTimers;
    Timers m_pingTimeoutTimers;
    // Computers pinged whose answer or time-out has not come yet.
    QSet<QUuid> m_pingsInFlight;
};

} // namespace verandel
