#include "linking/ConnectionMonitorService.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "linking/PeerInput.h"

#include <cmath>

namespace verandel {

ConnectionMonitorService::ConnectionMonitorService(ConnectedMacStorageServicePtr storageService,
                                                   std::shared_ptr<PeerCommunicationHub> eventHub,
                                                   LinkedPeerDirectoryPtr peerDirectory,
                                                   OwnedDevicesPtr deviceOwnership,
                                                   std::shared_ptr<MacIdentifierServiceProtocol> macIdentifier,
                                                   LoggerFactory &loggerFactory,
                                                   ConnectionMonitorConfiguration configuration, ClockPtr clock,
                                                   NetworkPathSourcePtr networkPath, TestCoordinatorPtr testCoordinator)
    : m_storage(std::move(storageService))
    , m_eventHub(std::move(eventHub))
    , m_peerDirectory(std::move(peerDirectory))
    , m_deviceOwnership(std::move(deviceOwnership))
    , m_macIdentifier(std::move(macIdentifier))
    , m_logger(loggerFactory.createLogger(QStringLiteral("ConnectionMonitorService")))
    , m_configuration(configuration)
    , m_clock(std::move(clock))
    , m_networkPath(std::move(networkPath))
    , m_testCoordinator(std::move(testCoordinator))
{
    connect(m_networkPath.get(), &NetworkPathSourceProtocol::pathUpdated, this,
            &ConnectionMonitorService::handleNetworkPathChange);
    m_networkPath->start();
    m_logger->info(QStringLiteral("ConnectionMonitorService initialized"));
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedPingResponses, this,
            &ConnectionMonitorService::handlePingResponse);
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedPingRequests, this,
            &ConnectionMonitorService::handlePingRequest);
    connect(m_peerDirectory.get(), &LinkedPeerDirectoryProtocol::eligibilityUpdates, this,
            &ConnectionMonitorService::handleEligibilityChange);
}

ConnectionMonitorService::~ConnectionMonitorService()
{
    stopAllTimers();
}

// Lifecycle ---------------------------------------------------------------------------------------

void ConnectionMonitorService::startMonitoring()
{
    if (m_monitoringState == MonitoringState::Running) {
        m_logger->warning(QStringLiteral("Connection monitoring already running"));
        return;
    }
    setMonitoringState(MonitoringState::Starting);
    const std::weak_ptr<ConnectionMonitorService> weak = weak_from_this();
    QMetaObject::invokeMethod(
        this,
        [weak] {
            if (const auto self = weak.lock()) {
                self->completeStart();
            }
        },
        Qt::QueuedConnection);
}

void ConnectionMonitorService::completeStart()
{
    m_logger->info(QStringLiteral("Start monitoring - loading stored Macs and starting health checks: %1 seconds "
                                  "interval")
                       .arg(formatDouble(m_configuration.healthCheckInterval)));
    loadStoredMacs();
    setMonitoringState(MonitoringState::Running);
    m_healthCheckTimer.cancel();
    performHealthCheck();
    m_healthCheckTimer.startRepeating(m_configuration.healthCheckInterval, [weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->performHealthCheck();
        }
    });
    setLastUpdateTimestamp(m_clock->now());
    m_logger->info(QStringLiteral("Connection monitoring started successfully"));
    signalTest(QStringLiteral("startMonitoringCompleted"));
}

void ConnectionMonitorService::stopMonitoring()
{
    if (m_monitoringState == MonitoringState::Stopped) {
        return;
    }
    m_logger->info(QStringLiteral("Stopping connection monitoring"));
    setMonitoringState(MonitoringState::Stopping);
    const std::weak_ptr<ConnectionMonitorService> weak = weak_from_this();
    QMetaObject::invokeMethod(
        this,
        [weak] {
            if (const auto self = weak.lock()) {
                self->completeStop();
            }
        },
        Qt::QueuedConnection);
}

void ConnectionMonitorService::completeStop()
{
    m_logger->info(QStringLiteral("Performing stop monitoring - stopping timers and cleaning up"));
    stopAllTimers();
    setMonitoringState(MonitoringState::Stopped);
    m_logger->info(QStringLiteral("Connection monitoring stopped successfully"));
}

void ConnectionMonitorService::loadStoredMacs()
{
    QList<ConnectedMac> macs;
    try {
        macs = m_storage->listConnectedMacs();
    } catch (const std::exception &error) {
        Q_EMIT monitoringError(ConnectionMonitorError::storageError(describeError(error)));
        return;
    }
    for (const ConnectedMac &mac : std::as_const(macs)) {
        m_logger->debug(QStringLiteral("Loading stored Mac for monitoring: ") + idText(mac.id()));
        m_statuses.insert(mac.id(), std::make_shared<MacConnectionStatus>(mac.id()));
    }
    Q_EMIT connectionStatusesChanged(m_statuses);
    recountActiveConnections();
}

// Status table ------------------------------------------------------------------------------------

void ConnectionMonitorService::addMacToMonitoring(const ConnectedMac &mac)
{
    const QUuid macId = mac.id();
    m_statuses.insert(macId, std::make_shared<MacConnectionStatus>(macId));
    Q_EMIT connectionStatusesChanged(m_statuses);
    recountActiveConnections();
    if (m_monitoringState == MonitoringState::Running) {
        scheduleHealthCheck(macId);
    } else {
        m_logger->debug(QStringLiteral("Add Mac to monitoring - schedule skipped because monitoring is not running"));
        signalTest(QStringLiteral("addMacToMonitoring.scheduleSkipped"));
    }
    m_logger->debug(QStringLiteral("Added Mac to monitoring: ") + idText(macId));
}

void ConnectionMonitorService::removeMacFromMonitoring(const QUuid &macId)
{
    cancelTimer(m_reconnectionTimers, macId);
    cancelTimer(m_pingTimeoutTimers, macId);
    m_pingsInFlight.remove(macId);
    if (m_statuses.remove(macId) > 0) {
        Q_EMIT connectionStatusesChanged(m_statuses);
    }
    recountActiveConnections();
    m_logger->debug(QStringLiteral("Removed Mac from monitoring: ") + idText(macId));
}

void ConnectionMonitorService::updateConnectionState(const QUuid &macId, ConnectionState state)
{
    const MacConnectionStatusPtr status = m_statuses.value(macId);
    if (!status) {
        m_logger->warning(QStringLiteral("Skipping update connection state for Mac %1 - not found in connection "
                                         "statuses")
                              .arg(idText(macId)));
        return;
    }
    status->updateConnectionState(state);
    recountActiveConnections();
    Q_EMIT connectionStateChanged(macId, state);
    Q_EMIT connectionStatusChanged(macId, status);
    switch (state) {
    case ConnectionState::Disconnected: scheduleReconnection(macId); break;
    case ConnectionState::Error: cancelTimer(m_reconnectionTimers, macId); break;
    case ConnectionState::Connected: updateLastSeen(macId); break;
    case ConnectionState::Connecting:
    case ConnectionState::Unstable: break;
    }
}

void ConnectionMonitorService::updateLastSeen(const QUuid &macId)
{
    try {
        const QList<ConnectedMac> macs = m_storage->listConnectedMacs();
        const auto stored
            = std::find_if(macs.cbegin(), macs.cend(), [&macId](const ConnectedMac &mac) { return mac.id() == macId; });
        if (stored == macs.cend()) {
            return;
        }
        m_storage->updateConnectedMac(stored->withUpdatedLastSeen(m_clock->now()));
    } catch (const std::exception &error) {
        Q_EMIT monitoringError(ConnectionMonitorError::storageError(describeError(error)));
    }
}

void ConnectionMonitorService::recountActiveConnections()
{
    const int count = static_cast<int>(
        std::count_if(m_statuses.cbegin(), m_statuses.cend(),
                      [](const MacConnectionStatusPtr &status) { return isActive(status->connectionState()); }));
    if (count != m_activeConnectionCount) {
        m_activeConnectionCount = count;
        Q_EMIT activeConnectionCountChanged(count);
    }
}

void ConnectionMonitorService::setMonitoringState(MonitoringState state)
{
    if (state != m_monitoringState) {
        m_monitoringState = state;
        Q_EMIT monitoringStateChanged(state);
    }
}

void ConnectionMonitorService::setLastUpdateTimestamp(const QDateTime &timestamp)
{
    m_lastUpdateTimestamp = timestamp;
    Q_EMIT lastUpdateTimestampChanged(timestamp);
}

void ConnectionMonitorService::publish(const QUuid &macId, const MacConnectionStatusPtr &status)
{
    Q_EMIT connectionStateChanged(macId, status->connectionState());
    Q_EMIT connectionStatusChanged(macId, status);
}

// Outside signals ---------------------------------------------------------------------------------

void ConnectionMonitorService::handleEligibilityChange(const QUuid &macId, bool eligible)
{
    if (!m_statuses.contains(macId)) {
        m_logger->debug(
            QStringLiteral("Eligibility changed for Mac %1 that is not being monitored").arg(idText(macId)));
        return;
    }
    if (!eligible) {
        m_logger->info(QStringLiteral("Mac %1 became ineligible - marking as disconnected").arg(idText(macId)));
        cancelTimer(m_reconnectionTimers, macId);
        cancelTimer(m_pingTimeoutTimers, macId);
        m_pingsInFlight.remove(macId);
        updateConnectionState(macId, ConnectionState::Disconnected);
        return;
    }
    m_logger->info(QStringLiteral("Mac %1 became eligible - starting health checks").arg(idText(macId)));
    if (m_monitoringState == MonitoringState::Running) {
        scheduleHealthCheck(macId);
    }
}

void ConnectionMonitorService::handleNetworkPathChange(bool satisfied)
{
    if (satisfied) {
        if (m_monitoringState == MonitoringState::Running) {
            performHealthCheck();
        }
        return;
    }
    for (auto it = m_statuses.cbegin(); it != m_statuses.cend(); ++it) {
        const MacConnectionStatusPtr &status = it.value();
        if (status->connectionState() != ConnectionState::Disconnected) {
            status->updateConnectionState(ConnectionState::Disconnected);
            publish(it.key(), status);
        }
    }
}

// Health checks and pings -------------------------------------------------------------------------

void ConnectionMonitorService::performHealthCheck()
{
    if (m_monitoringState != MonitoringState::Running) {
        return;
    }
    Q_EMIT healthCheckStarted();
    const QList<QUuid> macIds = m_statuses.keys();
    for (const QUuid &macId : macIds) {
        scheduleHealthCheck(macId);
    }
    setLastUpdateTimestamp(m_clock->now());
}

void ConnectionMonitorService::scheduleHealthCheck(const QUuid &macId)
{
    if (!m_peerDirectory->isEligible(macId)) {
        m_logger->debug(QStringLiteral("Skipping health check for ineligible Mac: ") + idText(macId));
    } else if (m_pingsInFlight.contains(macId)) {
        // At start the first pass and the computer's eligibility would each ping it; the answer to one
        // serves both. A forced check is never merged: the devices it carries are newer.
        m_logger->debug(
            QStringLiteral("Health check for Mac %1 merged into the ping awaiting its answer").arg(idText(macId)));
    } else {
        sendPing(macId);
    }
}

QCoro::Task<bool> ConnectionMonitorService::forceHealthCheck(const QUuid &macId)
{
    if (m_peerDirectory->isEligible(macId)) {
        return sendPing(macId);
    }
    m_logger->debug(QStringLiteral("Skipping forced health check for ineligible Mac: ") + idText(macId));
    return []() -> QCoro::Task<bool> { co_return false; }();
}

QCoro::Task<bool> ConnectionMonitorService::sendPing(const QUuid &macId)
{
    m_pingsInFlight.insert(macId);
    return pingTask(weak_from_this(), macId, PingKind::Request);
}

QCoro::Task<bool> ConnectionMonitorService::pingTask(std::weak_ptr<ConnectionMonitorService> weak, QUuid macId,
                                                     PingKind kind)
{
    OwnedDevicesPtr ownership;
    QUuid localMacId;
    if (const auto self = weak.lock()) {
        ownership = self->m_deviceOwnership;
        localMacId = self->m_macIdentifier->currentMacId();
    } else {
        co_return false;
    }
    const QStringList devices = co_await ownership->devicesOwnedByAndConnected(localMacId);
    auto self = weak.lock();
    if (!self) {
        co_return false;
    }
    const std::optional<QString> name = self->m_macIdentifier->advertisedName();
    if (kind == PingKind::Response) {
        self->m_eventHub->send(SendPingResponseCommand(macId, devices, name));
        co_return false;
    }
    // Armed before the hub sees the ping, so no answer can arrive ahead of its own time-out.
    self->armPingTimeout(macId);
    self->m_logger->debug(QStringLiteral("Published ping request for Mac: ") + idText(macId));
    QCoro::Task<bool> sending = self->m_eventHub->send(SendPingCommand(macId, devices, name));
    // The delivery may take the sender's whole time-out: neither the monitor nor its hub is kept for
    // it (a hub that goes drops the ping, which then counts as not delivered).
    self.reset();
    const bool delivered = co_await std::move(sending);
    co_return delivered;
}

void ConnectionMonitorService::armPingTimeout(const QUuid &macId)
{
    startTimer(m_pingTimeoutTimers, macId, m_configuration.pingTimeout, &ConnectionMonitorService::handlePingTimeout);
}

void ConnectionMonitorService::handlePingTimeout(const QUuid &macId)
{
    m_pingsInFlight.remove(macId);
    const MacConnectionStatusPtr status = m_statuses.value(macId);
    if (!status) {
        m_logger->warning(
            QStringLiteral("Skipping ping timeout for Mac %1 - not found in connection statuses").arg(idText(macId)));
        return;
    }
    m_logger->warning(QStringLiteral("Ping timeout for Mac %1 - no response received within %2 seconds")
                          .arg(idText(macId), formatDouble(m_configuration.pingTimeout)));
    status->recordFailedPing(QStringLiteral("Ping timeout"));
    updateConnectionState(macId, ConnectionState::Disconnected);
}

void ConnectionMonitorService::scheduleReconnection(const QUuid &macId)
{
    cancelTimer(m_reconnectionTimers, macId);
    const MacConnectionStatusPtr status = m_statuses.value(macId);
    if (!status) {
        m_logger->warning(
            QStringLiteral("Skipping reconnection for Mac %1 - not found in connection statuses").arg(idText(macId)));
        return;
    }
    const qint64 attempt = std::min<qint64>(status->consecutiveFailures(), m_configuration.maxReconnectionAttempts);
    const double delay = m_configuration.baseReconnectionDelay * std::pow(2.0, static_cast<double>(attempt - 1));
    m_logger->debug(QStringLiteral("Scheduling reconnection for Mac %1 in %2 seconds. Attempt count: %3")
                        .arg(idText(macId), formatDouble(delay), QString::number(attempt)));
    startTimer(m_reconnectionTimers, macId, delay, &ConnectionMonitorService::attemptReconnection);
}

void ConnectionMonitorService::attemptReconnection(const QUuid &macId)
{
    const MacConnectionStatusPtr status = m_statuses.value(macId);
    if (!status) {
        m_logger->warning(
            QStringLiteral("Skipping reconnection for Mac %1 - not found in connection statuses").arg(idText(macId)));
        return;
    }
    if (!m_peerDirectory->isEligible(macId)) {
        m_logger->debug(QStringLiteral("Skipping reconnection for ineligible Mac: ") + idText(macId));
        return;
    }
    if (status->consecutiveFailures() < m_configuration.maxReconnectionAttempts) {
        status->updateConnectionState(ConnectionState::Connecting);
        publish(macId, status);
        sendPing(macId);
        return;
    }
    status->setError(QStringLiteral("Max reconnection attempts exceeded"));
    Q_EMIT connectionStatusChanged(macId, status);
}

void ConnectionMonitorService::handlePingRequest(const PingRequestReceivedEvent &event)
{
    const QUuid sender = event.senderMacId;
    m_logger->debug(QStringLiteral("Processed ping request from Mac ") + idText(sender));
    if (refreshStoredMac(sender, event.advertisedName)) {
        if (const MacConnectionStatusPtr status = m_statuses.value(sender)) {
            Q_EMIT connectionStatusChanged(sender, status);
        }
    }
    pingTask(weak_from_this(), sender, PingKind::Response);
}

void ConnectionMonitorService::handlePingResponse(const PingResponseReceivedEvent &event)
{
    const QUuid sender = event.senderMacId;
    m_pingsInFlight.remove(sender);
    refreshStoredMac(sender, event.advertisedName);
    const MacConnectionStatusPtr status = m_statuses.value(sender);
    if (!status) {
        m_logger->warning(
            QStringLiteral("Skipping ping response for Mac %1 - not found in connection statuses").arg(idText(sender)));
        return;
    }
    cancelTimer(m_pingTimeoutTimers, sender);
    status->recordSuccessfulPing();
    cancelTimer(m_reconnectionTimers, sender);
    Q_EMIT connectionStatusChanged(sender, status);
    Q_EMIT connectionStateChanged(sender, status->connectionState());
    m_logger->info(QStringLiteral("Ping response processed for Mac ") + idText(sender));
}

bool ConnectionMonitorService::refreshStoredMac(const QUuid &macId, const std::optional<QString> &advertisedName)
{
    const std::optional<QString> name = PeerInput::sanitizedName(advertisedName);
    try {
        const std::optional<ConnectedMac> stored = m_storage->getConnectedMac(macId);
        if (!stored) {
            return false;
        }
        const QDateTime now = m_clock->now();
        const bool renamed = name && *name != stored->name();
        // A clock set back makes the stored time lie ahead: write then too.
        const qint64 sinceLastSeen = stored->lastSeenTimestamp().msecsTo(now);
        const bool lastSeenDue
            = sinceLastSeen < 0 || static_cast<double>(sinceLastSeen) >= m_configuration.healthCheckInterval * 1000.0;
        if (!renamed && !lastSeenDue) {
            return false;
        }
        m_storage->updateConnectedMac(ConnectedMac(stored->id(), renamed ? *name : stored->name(),
                                                   stored->installationId(), now, now, stored->connectionMetadata()));
        return renamed;
    } catch (const std::exception &error) {
        Q_EMIT monitoringError(ConnectionMonitorError::storageError(describeError(error)));
        return false;
    }
}

// Timers ------------------------------------------------------------------------------------------

void ConnectionMonitorService::stopAllTimers()
{
    m_healthCheckTimer.cancel();
    m_pingsInFlight.clear();
    m_reconnectionTimers.clear();
    m_pingTimeoutTimers.clear();
}

void ConnectionMonitorService::cancelTimer(Timers &timers, const QUuid &macId)
{
    timers.erase(macId);
}

// Starting a computer's timer calls off the one it had of that kind.
void ConnectionMonitorService::startTimer(Timers &timers, const QUuid &macId, double seconds, TimerAction action)
{
    timers.try_emplace(macId, m_clock).first->second.start(seconds, [weak = weak_from_this(), macId, action] {
        if (const auto self = weak.lock()) {
            (self.get()->*action)(macId);
        }
    });
}

void ConnectionMonitorService::signalTest(const QString &name) const
{
    if (m_testCoordinator) {
        m_testCoordinator->signal(name);
    }
}

} // namespace verandel
