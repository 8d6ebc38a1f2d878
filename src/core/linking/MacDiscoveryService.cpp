#include "linking/MacDiscoveryService.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "linking/MacDiscoveryError.h"
#include "linking/PeerInput.h"

#include <QCoro/QCoroSignal>

namespace verandel {

namespace {

const QString kPermissionRequired = QStringLiteral("Local Network access is required to enable Discovery Mode");

} // namespace

MacDiscoveryService::MacDiscoveryService(std::shared_ptr<DiscoveryProtocol> discoveryTransport,
                                         std::shared_ptr<FrameListenerProtocol> frameListener,
                                         std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                                         std::shared_ptr<PeerCommunicationHub> peerCommunicationHub,
                                         ConnectedMacStorageServicePtr connectedMacStorageService,
                                         ConnectionMonitorServicePtr connectionMonitorService,
                                         LinkedPeerDirectoryPtr peerDirectory,
                                         SystemPermissionCheckerPtr systemPermissionChecker,
                                         MetricsPublisherPtr metricsPublisher, LoggerFactory &loggerFactory,
                                         ClockPtr clock, TestCoordinatorPtr testCoordinator)
    : m_discoveryTransport(std::move(discoveryTransport))
    , m_frameListener(std::move(frameListener))
    , m_macIdentifierService(std::move(macIdentifierService))
    , m_peerCommunicationHub(std::move(peerCommunicationHub))
    , m_connectedMacStorageService(std::move(connectedMacStorageService))
    , m_connectionMonitorService(std::move(connectionMonitorService))
    , m_peerDirectory(std::move(peerDirectory))
    , m_systemPermissionChecker(std::move(systemPermissionChecker))
    , m_metricsPublisher(std::move(metricsPublisher))
    , m_clock(std::move(clock))
    , m_logger(loggerFactory.createLogger(QStringLiteral("MacDiscoveryService")))
    , m_testCoordinator(std::move(testCoordinator))
{
    connect(m_discoveryTransport.get(), &DiscoveryProtocol::discoveredMacs, this,
            &MacDiscoveryService::handleDiscoveredMac);
    // Handled after the delivery, so that the failure never lands inside another operation.
    connect(m_discoveryTransport.get(), &DiscoveryProtocol::errors, this, [this](const TransportError &error) {
        QMetaObject::invokeMethod(
            this, [this, error] { handleError(error); }, Qt::QueuedConnection);
    });
    PeerCommunicationHub *hub = m_peerCommunicationHub.get();
    connect(hub, &PeerCommunicationHub::receivedConnectionRequests, this,
            &MacDiscoveryService::handleReceivedConnectionRequest);
    connect(hub, &PeerCommunicationHub::receivedConnectionAccepted, this,
            &MacDiscoveryService::handleConnectionAccepted);
    connect(hub, &PeerCommunicationHub::receivedConnectionRejected, this,
            &MacDiscoveryService::handleConnectionRejected);
    // A new link ends Discovery Mode on this computer, once the operation that made it is over.
    connect(this, &MacDiscoveryServiceProtocol::connectionEstablished, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { stopDiscovery(); }, Qt::QueuedConnection);
    });
}

// State ------------------------------------------------------------------------------------------

void MacDiscoveryService::updateState(DiscoveryServiceState state)
{
    if (state == m_state) {
        return;
    }
    const DiscoveryServiceState old = std::exchange(m_state, state);
    signalTest(QStringLiteral("stateChanged.") + toString(state));
    m_logger->debug(QStringLiteral("Discovery service state changed: %1 -> %2").arg(toString(old), toString(state)));
    Q_EMIT stateChanged(state);
}

void MacDiscoveryService::handleError(const TransportError &error)
{
    const QString description = error.description();
    m_logger->error(QStringLiteral("Discovery service error: ") + description);
    setLastError(description);
    if (m_currentSession && isActive(m_currentSession->state())) {
        m_currentSession->setError(description);
    }
    updateState(DiscoveryServiceState::Error);
}

void MacDiscoveryService::setCurrentSession(DiscoverySessionPtr session)
{
    m_currentSession = std::move(session);
    Q_EMIT currentSessionChanged(m_currentSession);
}

void MacDiscoveryService::setCurrentSecurityCode(std::optional<SecurityCode> code)
{
    m_currentSecurityCode = std::move(code);
    Q_EMIT currentSecurityCodeChanged(m_currentSecurityCode);
}

void MacDiscoveryService::setLastError(std::optional<QString> error)
{
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged(m_lastError);
}

void MacDiscoveryService::setConnectionRequests(QList<ConnectionRequest> requests)
{
    m_connectionRequests = std::move(requests);
    Q_EMIT connectionRequestsChanged(m_connectionRequests);
}

// Advertising ------------------------------------------------------------------------------------

QCoro::Task<> MacDiscoveryService::startAdvertising()
{
    const auto self = shared_from_this();
    // A start under way (at launch, say) is joined: the caller may rely on advertising being up.
    while (m_advertisingStarting) {
        co_await qCoro(this, &MacDiscoveryService::backgroundAdvertisingSettled);
    }
    if (m_isBackgroundRuntimeActive) {
        co_return;
    }
    m_advertisingStarting = true;
    SystemPermissionStatus status = m_systemPermissionChecker->localNetworkStatus();
    if (status != SystemPermissionStatus::Authorized) {
        // A remembered refusal here often only means that avahi-daemon was away: look once more.
        status = co_await m_systemPermissionChecker->requestLocalNetworkAccess();
    }
    if (status != SystemPermissionStatus::Authorized) {
        m_advertisingStarting = false;
        Q_EMIT backgroundAdvertisingSettled();
        m_logger->info(QStringLiteral("Skipping background Bonjour startup because Local Network access is not "
                                      "authorized"));
        co_return;
    }
    const DiscoverableMac record = m_macIdentifierService->makeDiscoveredMac(std::nullopt);
    m_frameListener->start(record);
    std::exception_ptr failure;
    try {
        co_await m_discoveryTransport->startBrowsing();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        // Settled only once cleaned up: a caller that joined this start must not start the listener or
        // browsing while they are still being stopped here.
        m_frameListener->stop();
        co_await m_discoveryTransport->stopBrowsing();
        co_await m_systemPermissionChecker->refreshLocalNetworkAccess();
        m_advertisingStarting = false;
        Q_EMIT backgroundAdvertisingSettled();
        std::rethrow_exception(failure);
    }
    m_advertisingStarting = false;
    m_isBackgroundRuntimeActive = true;
    Q_EMIT backgroundAdvertisingSettled();
    m_logger->info(QStringLiteral("Started advertising Mac ") + idText(record.id()));
}

QCoro::Task<> MacDiscoveryService::stopAdvertising()
{
    const auto self = shared_from_this();
    m_logger->info(QStringLiteral("Stopping advertising"));
    if (m_state != DiscoveryServiceState::Idle) {
        co_await stopDiscovery();
    }
    co_await m_discoveryTransport->stopBrowsing();
    m_frameListener->stop();
    m_isBackgroundRuntimeActive = false;
    m_logger->info(QStringLiteral("Stopped advertising"));
}

// Discovery Mode ---------------------------------------------------------------------------------

QCoro::Task<> MacDiscoveryService::startDiscovery(std::optional<QString> customSecurityCode)
{
    const auto self = shared_from_this();
    m_logger->info(QStringLiteral("Starting discovery session"));
    if (!canStartDiscovery(m_state)) {
        const QString text = QStringLiteral("Cannot start discovery in state: ") + toString(m_state);
        m_logger->error(QStringLiteral("Invalid state: ") + text);
        throw MacDiscoveryError::invalidState(text);
    }
    setLastError(std::nullopt);
    updateState(DiscoveryServiceState::Starting);

    SystemPermissionStatus status = m_systemPermissionChecker->localNetworkStatus();
    if (status == SystemPermissionStatus::Unknown) {
        status = co_await m_systemPermissionChecker->requestLocalNetworkAccess();
    } else {
        status = co_await m_systemPermissionChecker->refreshLocalNetworkAccess();
    }
    if (abandonedStart()) {
        co_return;
    }
    if (status != SystemPermissionStatus::Authorized) {
        setLastError(kPermissionRequired);
        updateState(DiscoveryServiceState::Idle);
        throw MacDiscoveryError::permissionDenied(kPermissionRequired);
    }

    std::exception_ptr failure;
    try {
        co_await startAdvertising();
    } catch (...) {
        failure = std::current_exception();
    }
    if (abandonedStart()) {
        co_return;
    }
    if (failure) {
        setLastError(describeError(failure));
        updateState(DiscoveryServiceState::Idle);
        std::rethrow_exception(failure);
    }

    const SecurityCode code = customSecurityCode ? SecurityCode(*customSecurityCode)
                                                 : SecurityCode::generateSecure(SecurityCode::defaultLength);
    const auto session
        = std::make_shared<DiscoverySession>(QUuid::createUuid(), DiscoverySessionState::Idle, code.code(), m_clock);
    setCurrentSession(session);
    setCurrentSecurityCode(code);
    m_frameListener->alterAdvertisedMac(m_macIdentifierService->makeDiscoveredMac(code.code()));
    session->updateState(DiscoverySessionState::Discovering);
    updateState(DiscoveryServiceState::Active);
    m_logger->info(QStringLiteral("Discovery session started successfully with code: ") + code.displayCode());
}

bool MacDiscoveryService::abandonedStart()
{
    if (m_state == DiscoveryServiceState::Starting) {
        return false;
    }
    m_logger->info(
        QStringLiteral("Discovery start abandoned: the state changed to %1 meanwhile").arg(toString(m_state)));
    return true;
}

QCoro::Task<> MacDiscoveryService::stopDiscovery()
{
    const auto self = shared_from_this();
    m_logger->info(QStringLiteral("Stopping discovery session"));
    // After a transport failure a stop is the way back to idle.
    if (!canStopDiscovery(m_state) && m_state != DiscoveryServiceState::Error) {
        m_logger->warning(QStringLiteral("Cannot stop discovery in state: ") + toString(m_state));
        co_return;
    }
    updateState(DiscoveryServiceState::Stopping);
    if (m_currentSession) {
        m_currentSession->stop();
    }
    m_frameListener->alterAdvertisedMac(m_macIdentifierService->makeDiscoveredMac(std::nullopt));
    setCurrentSession(nullptr);
    setCurrentSecurityCode(std::nullopt);
    setConnectionRequests({});
    setLastError(std::nullopt);
    updateState(DiscoveryServiceState::Idle);
    m_logger->info(QStringLiteral("Discovery session stopped"));
}

QCoro::Task<SecurityCode> MacDiscoveryService::generateNewSecurityCode()
{
    const auto self = shared_from_this();
    const SecurityCode code = SecurityCode::generateSecure(SecurityCode::defaultLength);
    if (m_state == DiscoveryServiceState::Active) {
        // The code shown must be the code advertised: a new run of Discovery Mode carries it.
        if (m_currentSession) {
            m_currentSession->stop();
        }
        setCurrentSession(std::make_shared<DiscoverySession>(QUuid::createUuid(), DiscoverySessionState::Discovering,
                                                             code.code(), m_clock));
        m_frameListener->alterAdvertisedMac(m_macIdentifierService->makeDiscoveredMac(code.code()));
    }
    setCurrentSecurityCode(code);
    m_logger->info(QStringLiteral("Generated new security code: ") + code.displayCode());
    co_return code;
}

// Linking handshake ------------------------------------------------------------------------------

void MacDiscoveryService::handleDiscoveredMac(const DiscoverableMac &received)
{
    const DiscoverableMac mac = PeerInput::sanitized(received);
    if (mac.id() == m_macIdentifierService->currentMacId()) {
        m_logger->debug(QStringLiteral("Ignoring self-discovery: ") + idText(mac.id()));
    } else {
        const auto known = std::find_if(m_discoveredMacs.begin(), m_discoveredMacs.end(),
                                        [&mac](const DiscoverableMac &other) { return other.id() == mac.id(); });
        if (known != m_discoveredMacs.end()) {
            *known = mac;
            m_logger->debug(QStringLiteral("Updated discovered Mac: ") + idText(mac.id()));
        } else {
            m_discoveredMacs.append(mac);
            m_logger->debug(QStringLiteral("Added new discovered Mac: ") + idText(mac.id()));
        }
        const std::optional<PeerInput::DiscoveryOverflow> overflow
            = m_recentlySeen.seen(mac.id(), [this](const QUuid &macId) { return m_peerDirectory->isLinked(macId); });
        if (overflow) {
            m_logger->debug(overflow->description());
            m_discoveredMacs.removeIf(
                [&overflow](const DiscoverableMac &known) { return known.id() == overflow->macId; });
        }
        Q_EMIT discoveredMacsChanged(m_discoveredMacs);
    }
    signalTest(QStringLiteral("handleDiscoveredMacCompleted"));
}

void MacDiscoveryService::handleReceivedConnectionRequest(const ConnectionRequestReceivedEvent &event)
{
    const QUuid sender = event.senderMacId;
    if (m_state != DiscoveryServiceState::Active) {
        m_logger->debug(QStringLiteral("Ignoring connection request from Mac %1: Discovery Mode is not on (state: %2)")
                            .arg(idText(sender), toString(m_state)));
        return;
    }
    // A code that cannot be one of ours is shown as no code at all.
    const QString code = PeerInput::sanitizedSecurityCode(event.securityCode).value_or(QString());
    m_logger->debug(QStringLiteral("Received connection request from Mac %1 with security code %2")
                        .arg(idText(sender), escapeControlCharacters(code)));
    const ConnectionRequest request(QUuid::createUuid(), sender, m_clock->now(), code, ConnectionRequestState::Pending,
                                    ConnectionDirection::Incoming);
    QList<ConnectionRequest> requests = m_connectionRequests;
    const qsizetype repeated = firstPendingRequest(sender, ConnectionDirection::Incoming);
    if (repeated >= 0) {
        requests[repeated] = request;
    } else if (requests.size() >= maxConnectionRequests) {
        m_logger->warning(QStringLiteral("Dropping connection request from Mac %1: %2 requests are held already")
                              .arg(idText(sender))
                              .arg(maxConnectionRequests));
        return;
    } else {
        requests.append(request);
    }
    setConnectionRequests(requests);
    m_logger->debug(QStringLiteral("Added incoming connection request from Mac ") + idText(sender));
    signalTest(QStringLiteral("connectionRequestReceived"));
}

QCoro::Task<> MacDiscoveryService::sendConnectionRequest(QUuid macId)
{
    const auto self = shared_from_this();
    const QString code = m_currentSecurityCode ? m_currentSecurityCode->code() : placeholderSecurityCode();
    if (m_connectionRequests.size() >= maxConnectionRequests) {
        m_logger->warning(QStringLiteral("Not sending a connection request to Mac %1: %2 requests are held already")
                              .arg(idText(macId))
                              .arg(maxConnectionRequests));
        co_return;
    }
    QList<ConnectionRequest> requests = m_connectionRequests;
    requests.append(ConnectionRequest(QUuid::createUuid(), macId, m_clock->now(), code, ConnectionRequestState::Pending,
                                      ConnectionDirection::Outgoing));
    setConnectionRequests(requests);
    m_peerCommunicationHub->send(SendConnectionRequestCommand(macId, code));
    m_logger->debug(QStringLiteral("Sent connection request to Mac %1 with security code %2").arg(idText(macId), code));
}

QCoro::Task<> MacDiscoveryService::cancelConnectionRequest(QUuid macId)
{
    const auto self = shared_from_this();
    m_logger->debug(QStringLiteral("Cancelling connection request to macId: ") + idText(macId));
    const qsizetype index = firstPendingRequest(macId, std::nullopt);
    if (index < 0) {
        m_logger->warning(QStringLiteral("No pending connection request found to cancel for macId: ") + idText(macId));
        co_return;
    }
    replaceRequestState(index, ConnectionRequestState::Rejected);
    m_logger->debug(QStringLiteral("Successfully cancelled connection request to macId: ") + idText(macId));
}

QCoro::Task<> MacDiscoveryService::acceptConnectionRequest(QUuid macId)
{
    const auto self = shared_from_this();
    if (firstPendingRequest(macId, std::nullopt) < 0) {
        co_return;
    }
    const std::optional<ConnectedMac> record = linkRecordFor(macId);
    if (!record) {
        m_logger->warning(QStringLiteral("Connection request from Mac %1 stays pending: it is not among the "
                                         "discovered Macs")
                              .arg(idText(macId)));
        co_return;
    }
    // Only a link in place on this computer may be announced to the other one.
    if (!finalizeConnectionRequest(*record)) {
        m_logger->warning(QStringLiteral("Connection request from Mac %1 stays pending: the link could not be stored")
                              .arg(idText(macId)));
        co_return;
    }
    if (const qsizetype index = firstPendingRequest(macId, std::nullopt); index >= 0) {
        replaceRequestState(index, ConnectionRequestState::Connected);
    }
    Q_EMIT connectionEstablished(*record);
    m_peerCommunicationHub->send(AcceptConnectionRequestCommand(macId));
    m_logger->debug(QStringLiteral("Accepted connection request from Mac ") + idText(macId));
}

QCoro::Task<> MacDiscoveryService::rejectConnectionRequest(QUuid macId)
{
    const auto self = shared_from_this();
    m_logger->debug(QStringLiteral("Rejecting connection request from macId: ") + idText(macId));
    const qsizetype index = firstPendingRequest(macId, std::nullopt);
    if (index < 0) {
        m_logger->warning(QStringLiteral("No pending connection request found to reject from macId: ") + idText(macId));
        co_return;
    }
    replaceRequestState(index, ConnectionRequestState::Rejected);
    m_peerCommunicationHub->send(RejectConnectionRequestCommand(macId));
    m_logger->debug(QStringLiteral("Successfully rejected connection request from macId: ") + idText(macId));
}

void MacDiscoveryService::handleConnectionAccepted(const ConnectionRequestAcceptedEvent &event)
{
    const QUuid sender = event.senderMacId;
    m_logger->debug(QStringLiteral("Received connection accepted from Mac ") + idText(sender));
    const std::optional<ConnectedMac> record = linkRecordFor(sender);
    if (firstPendingRequest(sender, ConnectionDirection::Outgoing) < 0) {
        m_logger->warning(QStringLiteral("Could not find outgoing connection request for Mac ") + idText(sender));
    } else if (!record) {
        m_logger->warning(
            QStringLiteral("Could not find discovered Mac %1 to create ConnectedMac").arg(idText(sender)));
    } else if (!finalizeConnectionRequest(*record)) {
        m_logger->warning(QStringLiteral("Connection request to Mac %1 stays pending: the link could not be stored")
                              .arg(idText(sender)));
    } else {
        if (const qsizetype index = firstPendingRequest(sender, ConnectionDirection::Outgoing); index >= 0) {
            replaceRequestState(index, ConnectionRequestState::Connected);
        }
        Q_EMIT connectionEstablished(*record);
        m_logger->debug(QStringLiteral("Emitted connectionEstablished for Mac ") + idText(sender));
    }
    signalTest(QStringLiteral("connectionAccepted"));
}

void MacDiscoveryService::handleConnectionRejected(const ConnectionRequestRejectedEvent &event)
{
    const QUuid sender = event.senderMacId;
    m_logger->debug(QStringLiteral("Received connection rejected from Mac ") + idText(sender));
    const qsizetype index = firstPendingRequest(sender, ConnectionDirection::Outgoing);
    if (index < 0) {
        m_logger->warning(QStringLiteral("Could not find outgoing connection request for Mac ") + idText(sender));
    } else {
        replaceRequestState(index, ConnectionRequestState::Rejected);
        m_logger->debug(QStringLiteral("Updated outgoing connection request to rejected for Mac ") + idText(sender));
    }
    signalTest(QStringLiteral("connectionRejected"));
}

bool MacDiscoveryService::finalizeConnectionRequest(const ConnectedMac &record)
{
    std::optional<ConnectedMac> stored;
    bool relinked = false;
    QList<ConnectedMac> all;
    try {
        const std::optional<ConnectedMac> existing = m_connectedMacStorageService->getConnectedMac(record.id());
        if (existing) {
            // Linked before (the other side may have unlinked): the link stands, with what it tells now.
            stored = ConnectedMac(existing->id(), record.name(), record.installationId(), existing->timestamp(),
                                  existing->lastSeenTimestamp(), existing->connectionMetadata());
            m_connectedMacStorageService->updateConnectedMac(*stored);
            relinked = true;
        } else {
            stored = m_connectedMacStorageService->addConnectedMac(
                ConnectedMacInput{record.id(), record.name(), record.installationId(), record.connectionMetadata()});
        }
        all = m_connectedMacStorageService->listConnectedMacs();
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to add connected Mac to storage: ") + describeError(error));
        return false;
    }
    m_peerDirectory->updateConnectedMacs(all);
    m_connectionMonitorService->addMacToMonitoring(*stored);
    if (!relinked) {
        m_metricsPublisher->publish(MetricsEvent::macLinkEstablished(m_macIdentifierService->installationId(),
                                                                     m_clock->now(), stored->installationId()));
    }
    m_logger->info(QStringLiteral("Successfully added connected Mac to storage and monitoring: ") + record.name());
    return true;
}

QCoro::Task<> MacDiscoveryService::removeConnectedMac(QUuid macId)
{
    const auto self = shared_from_this();
    m_connectedMacStorageService->deleteConnectedMac(macId);
    const QList<ConnectedMac> all = m_connectedMacStorageService->listConnectedMacs();
    m_peerDirectory->updateConnectedMacs(all);
    m_connectionMonitorService->removeMacFromMonitoring(macId);
    QList<ConnectionRequest> requests = m_connectionRequests;
    requests.removeIf([&macId](const ConnectionRequest &request) { return request.otherMacId() == macId; });
    setConnectionRequests(requests);
    m_logger->info(
        QStringLiteral("Removed connected Mac %1 from storage, peer directory, and monitoring").arg(idText(macId)));
    co_return;
}

std::optional<ConnectedMac> MacDiscoveryService::linkRecordFor(const QUuid &macId) const
{
    const auto mac = std::find_if(m_discoveredMacs.cbegin(), m_discoveredMacs.cend(),
                                  [&macId](const DiscoverableMac &other) { return other.id() == macId; });
    if (mac == m_discoveredMacs.cend()) {
        return std::nullopt;
    }
    const QDateTime now = m_clock->now();
    return ConnectedMac(macId, mac->name(), mac->installationId(), now, now, {});
}

qsizetype MacDiscoveryService::firstPendingRequest(const QUuid &macId,
                                                   std::optional<ConnectionDirection> direction) const
{
    for (qsizetype i = 0; i < m_connectionRequests.size(); ++i) {
        const ConnectionRequest &request = m_connectionRequests.at(i);
        if (request.otherMacId() == macId && request.isPendingRequest()
            && (!direction || request.direction() == *direction)) {
            return i;
        }
    }
    return -1;
}

void MacDiscoveryService::replaceRequestState(qsizetype index, ConnectionRequestState state)
{
    QList<ConnectionRequest> requests = m_connectionRequests;
    requests[index] = requests.at(index).withState(state);
    setConnectionRequests(requests);
}

void MacDiscoveryService::signalTest(const QString &name) const
{
    if (m_testCoordinator) {
        m_testCoordinator->signal(name);
    }
}

} // namespace verandel
