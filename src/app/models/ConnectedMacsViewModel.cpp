#include "models/ConnectedMacsViewModel.h"

#include "kit/UntrustedText.h"

#include "models/ConnectedMacsRules.h"
#include "models/PermissionGuidanceCards.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "foundation/UserFacingError.h"

#include <QPointer>

namespace verandel {

namespace {

struct RequestTexts
{
    QCoro::Task<> (MacDiscoveryServiceProtocol::*call)(QUuid);
    QString logPrefix;
    QString errorPrefix;
};

} // namespace

ConnectedMacsViewModel::ConnectedMacsViewModel(MacDiscoveryServicePtr macDiscoveryService,
                                               ConnectionMonitorServicePtr connectionMonitorService,
                                               LinkedPeerDirectoryPtr peerDirectory,
                                               ConnectedMacStorageServicePtr connectedMacStorageService,
                                               SystemPermissionCheckerPtr systemPermissionChecker,
                                               LoggerFactory &loggerFactory, QObject *parent)
    : DiscoveryViewModelProtocol(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("ConnectedMacsViewModel")))
    , m_macDiscoveryService(std::move(macDiscoveryService))
    , m_connectionMonitorService(std::move(connectionMonitorService))
    , m_peerDirectory(std::move(peerDirectory))
    , m_connectedMacStorageService(std::move(connectedMacStorageService))
    , m_systemPermissionChecker(std::move(systemPermissionChecker))
{
    m_localNetworkPermissionStatus = m_systemPermissionChecker->localNetworkStatus();
    subscribe();
    // Only a refusal shows a card at once; an undecided status waits until the user turns the switch on.
    if (!m_isDiscoveryActive && m_localNetworkPermissionStatus == SystemPermissionStatus::Denied) {
        m_inlinePermissionGuidanceState = DiscoveryPermissionGuidanceState::DeniedRecovery;
    }
}

// Subscriptions ----------------------------------------------------------------------------------

void ConnectedMacsViewModel::subscribe()
{
    MacDiscoveryServiceProtocol *discovery = m_macDiscoveryService.get();
    // The present values first, as a subscription to a current-value publisher would deliver them.
    m_discoveryState = discovery->state();
    m_isDiscoveryActive = isActive(m_discoveryState);
    m_currentDiscoverySession = discovery->currentSession();
    m_currentSecurityCode = discovery->currentSecurityCode();
    m_discoveredMacs = ConnectedMacsRules::withSecurityCode(discovery->discoveredMacs());
    m_connectionRequests = discovery->connectionRequests();
    m_identityConflicts = m_peerDirectory->identityConflicts();

    connect(discovery, &MacDiscoveryServiceProtocol::stateChanged, this,
            [this] { later([this] { syncDiscoveryState(); }); });
    connect(discovery, &MacDiscoveryServiceProtocol::currentSessionChanged, this, [this] {
        later([this] {
            m_currentDiscoverySession = m_macDiscoveryService->currentSession();
            Q_EMIT currentDiscoverySessionChanged();
        });
    });
    connect(discovery, &MacDiscoveryServiceProtocol::currentSecurityCodeChanged, this,
            [this] { later([this] { setCurrentSecurityCode(m_macDiscoveryService->currentSecurityCode()); }); });
    connect(discovery, &MacDiscoveryServiceProtocol::discoveredMacsChanged, this, [this] {
        later([this] {
            m_discoveredMacs = ConnectedMacsRules::withSecurityCode(m_macDiscoveryService->discoveredMacs());
            Q_EMIT discoveredMacsChanged();
        });
    });
    connect(discovery, &MacDiscoveryServiceProtocol::connectionRequestsChanged, this, [this] {
        later([this] {
            m_connectionRequests = m_macDiscoveryService->connectionRequests();
            Q_EMIT connectionRequestsChanged();
        });
    });
    connect(m_connectionMonitorService.get(), &ConnectionMonitorServiceProtocol::connectionStatusChanged, this,
            [this](const QUuid &macId, const MacConnectionStatusPtr &status) {
                later([this, macId, status] { handleStatusChange(macId, status); });
            });
    connect(discovery, &MacDiscoveryServiceProtocol::connectionEstablished, this,
            [this](const ConnectedMac &mac) { later([this, mac] { handleConnectionEstablished(mac); }); });
    connect(m_connectionMonitorService.get(), &ConnectionMonitorServiceProtocol::connectionStateChanged, this,
            &ConnectedMacsViewModel::connectionStateChanged);
    connect(m_peerDirectory.get(), &LinkedPeerDirectoryProtocol::identityConflictsChanged, this, [this] {
        later([this] {
            m_identityConflicts = m_peerDirectory->identityConflicts();
            Q_EMIT identityConflictsChanged();
        });
    });
}

void ConnectedMacsViewModel::later(std::function<void()> handler)
{
    QMetaObject::invokeMethod(this, std::move(handler), Qt::QueuedConnection);
}

void ConnectedMacsViewModel::syncDiscoveryState()
{
    setDiscoveryState(m_macDiscoveryService->state());
}

void ConnectedMacsViewModel::handleStatusChange(const QUuid &macId, const MacConnectionStatusPtr &status)
{
    m_connectionStatuses.insert(macId, status);
    Q_EMIT connectionStatusesChanged();
    reloadConnectedMacsFromStorage();
}

void ConnectedMacsViewModel::reloadConnectedMacsFromStorage()
{
    try {
        setConnectedMacs(ConnectedMacsRules::sortedByName(m_connectedMacStorageService->listConnectedMacs()));
    } catch (const std::exception &error) {
        m_logger->warning(QStringLiteral("Failed to reload connected Macs from storage: ") + describeError(error));
    }
}

void ConnectedMacsViewModel::handleConnectionEstablished(const ConnectedMac &mac)
{
    const bool listed = std::any_of(m_connectedMacs.cbegin(), m_connectedMacs.cend(),
                                    [&mac](const ConnectedMac &other) { return other.id() == mac.id(); });
    if (listed) {
        return;
    }
    QList<ConnectedMac> macs = m_connectedMacs;
    macs.append(mac);
    setConnectedMacs(ConnectedMacsRules::sortedByName(std::move(macs)));
    m_logger->info(QStringLiteral("Added connected Mac to UI list: ") + escapeControlCharacters(mac.name()));
}

// Discovery Mode ---------------------------------------------------------------------------------

bool ConnectedMacsViewModel::canEnableDiscovery() const
{
    return ConnectedMacsRules::canEnableDiscovery(m_isDiscoveryActive, m_discoveryState,
                                                  m_inlinePermissionGuidanceState);
}

std::optional<PermissionGuidanceConfiguration> ConnectedMacsViewModel::permissionGuidanceConfiguration() const
{
    if (m_isDiscoveryActive || !m_inlinePermissionGuidanceState) {
        return std::nullopt;
    }
    // The actions run later, on a user's click, and change the model then; reading it changes nothing.
    const QPointer<ConnectedMacsViewModel> self(const_cast<ConnectedMacsViewModel *>(this));
    const auto start = [self] {
        if (self) {
            self->startDiscovery();
        }
    };
    PermissionGuidanceActions actions;
    actions.proceed = start;
    actions.retry = start;
    actions.dismiss = [self] {
        if (self) {
            self->dismissPermissionGuidance();
        }
    };
    return PermissionGuidanceCards::localNetwork(*m_inlinePermissionGuidanceState, actions);
}

QCoro::Task<> ConnectedMacsViewModel::setDiscoveryModeEnabled(bool enabled)
{
    if (!enabled) {
        setInlinePermissionGuidanceState(std::nullopt);
        co_await stopDiscovery();
        co_return;
    }
    // The cached status only: nothing is probed before the user chose to continue.
    setLocalNetworkPermissionStatus(m_systemPermissionChecker->localNetworkStatus());
    const std::optional<DiscoveryPermissionGuidanceState> card
        = PermissionGuidanceCards::localNetworkState(m_localNetworkPermissionStatus);
    setInlinePermissionGuidanceState(card);
    if (card) {
        co_return;
    }
    co_await startDiscovery();
}

QCoro::Task<> ConnectedMacsViewModel::startDiscovery()
{
    const QPointer<ConnectedMacsViewModel> self(this);
    const MacDiscoveryServicePtr service = m_macDiscoveryService;
    std::exception_ptr failure;
    try {
        co_await service->startDiscovery(std::nullopt);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return;
    }
    setLocalNetworkPermissionStatus(m_systemPermissionChecker->localNetworkStatus());
    syncDiscoveryState();
    if (!failure) {
        setInlinePermissionGuidanceState(std::nullopt);
        co_return;
    }
    updateInlinePermissionGuidanceForCurrentStatus();
    setErrorMessage(QStringLiteral("Failed to start discovery: ") + userDescription(failure));
}

QCoro::Task<> ConnectedMacsViewModel::stopDiscovery()
{
    const QPointer<ConnectedMacsViewModel> self(this);
    const MacDiscoveryServicePtr service = m_macDiscoveryService;
    // Leaving the tab stops Discovery Mode whether it runs or not (it ends by itself once a link is
    // made); the service refuses an idle or stopping one with a warning, so it is asked only when there
    // is something to stop.
    const DiscoveryServiceState state = service->state();
    if (state != DiscoveryServiceState::Idle && state != DiscoveryServiceState::Stopping) {
        co_await service->stopDiscovery();
    }
    if (!self) {
        co_return;
    }
    setLocalNetworkPermissionStatus(m_systemPermissionChecker->localNetworkStatus());
    syncDiscoveryState();
    updateInlinePermissionGuidanceForCurrentStatus();
}

QCoro::Task<> ConnectedMacsViewModel::generateNewSecurityCode()
{
    const QPointer<ConnectedMacsViewModel> self(this);
    const MacDiscoveryServicePtr service = m_macDiscoveryService;
    const SecurityCode code = co_await service->generateNewSecurityCode();
    if (self) {
        setCurrentSecurityCode(code);
    }
}

void ConnectedMacsViewModel::updateInlinePermissionGuidanceForCurrentStatus()
{
    setInlinePermissionGuidanceState(
        ConnectedMacsRules::guidanceFor(m_isDiscoveryActive, m_localNetworkPermissionStatus));
}

void ConnectedMacsViewModel::openLocalNetworkSettings()
{
    m_systemPermissionChecker->openLocalNetworkSettings();
}

void ConnectedMacsViewModel::dismissPermissionGuidance()
{
    setInlinePermissionGuidanceState(std::nullopt);
}

// Connection requests ----------------------------------------------------------------------------

QCoro::Task<> ConnectedMacsViewModel::requestConnection(DiscoverableMac mac)
{
    return runRequestOperation(RequestOperation::Request, std::move(mac));
}

QCoro::Task<> ConnectedMacsViewModel::acceptConnection(DiscoverableMac mac)
{
    return runRequestOperation(RequestOperation::Accept, std::move(mac));
}

QCoro::Task<> ConnectedMacsViewModel::cancelConnection(DiscoverableMac mac)
{
    return runRequestOperation(RequestOperation::Cancel, std::move(mac));
}

QCoro::Task<> ConnectedMacsViewModel::rejectConnection(DiscoverableMac mac)
{
    return runRequestOperation(RequestOperation::Reject, std::move(mac));
}

QCoro::Task<> ConnectedMacsViewModel::runRequestOperation(RequestOperation operation, DiscoverableMac mac)
{
    static const RequestTexts texts[] = {
        {&MacDiscoveryServiceProtocol::sendConnectionRequest, QStringLiteral("Requesting connection to: "),
         QStringLiteral("Failed to request connection to ")},
        {&MacDiscoveryServiceProtocol::acceptConnectionRequest, QStringLiteral("Accepting connection request from: "),
         QStringLiteral("Failed to accept connection from ")},
        {&MacDiscoveryServiceProtocol::cancelConnectionRequest, QStringLiteral("Cancelling connection request to: "),
         QStringLiteral("Failed to cancel connection to ")},
        {&MacDiscoveryServiceProtocol::rejectConnectionRequest, QStringLiteral("Rejecting connection request from: "),
         QStringLiteral("Failed to reject connection from ")},
    };
    const RequestTexts &text = texts[static_cast<int>(operation)];
    const QPointer<ConnectedMacsViewModel> self(this);
    const MacDiscoveryServicePtr service = m_macDiscoveryService;

    setErrorMessage(std::nullopt);
    m_logger->debug(text.logPrefix + escapeControlCharacters(mac.name()) + QStringLiteral(" (id: ") + idText(mac.id())
                    + QLatin1Char(')'));
    std::exception_ptr failure;
    try {
        QCoro::Task<> call = (service.get()->*text.call)(mac.id());
        co_await std::move(call);
    } catch (...) {
        failure = std::current_exception();
    }
    if (self && failure) {
        setErrorMessage(text.errorPrefix + UntrustedText::isolated(mac.name()) + QStringLiteral(": ")
                        + userDescription(failure));
    }
}

std::optional<ConnectionRequest> ConnectedMacsViewModel::getConnectionRequest(const DiscoverableMac &mac) const
{
    const std::optional<ConnectionRequest> request = ConnectedMacsRules::latestRequest(m_connectionRequests, mac.id());
    const QString name = escapeControlCharacters(mac.name());
    if (!request) {
        m_logger->debug(QStringLiteral("No connection requests found for Mac ") + idText(mac.id())
                        + QStringLiteral(" (") + name + QLatin1Char(')'));
    } else {
        m_logger->debug(QStringLiteral("Connection request for Mac ") + name + QStringLiteral(" found: ")
                        + toString(request->state()));
    }
    return request;
}

// Linked computers -------------------------------------------------------------------------------

QCoro::Task<> ConnectedMacsViewModel::refreshConnectedMacs()
{
    setIsRefreshing(true);
    setErrorMessage(std::nullopt);
    m_logger->info(QStringLiteral("Refreshing connected Macs"));
    try {
        setConnectedMacs(ConnectedMacsRules::sortedByName(m_connectedMacStorageService->listConnectedMacs()));
        // A computer the monitor knows keeps its record: a new one would read disconnected until the next
        // ping and block its transfers meanwhile.
        for (const ConnectedMac &mac : std::as_const(m_connectedMacs)) {
            if (!m_connectionMonitorService->getConnectionStatus(mac.id())) {
                m_connectionMonitorService->addMacToMonitoring(mac);
            }
        }
        updateConnectionStatuses();
    } catch (const std::exception &error) {
        setErrorMessage(QStringLiteral("Failed to refresh connected computers: ") + userDescription(error));
    }
    m_logger->info(QStringLiteral("Refreshed %1 connected Macs").arg(m_connectedMacs.size()));
    setIsRefreshing(false);
    co_return;
}

void ConnectedMacsViewModel::updateConnectionStatuses()
{
    StatusTable statuses;
    for (const ConnectedMac &mac : std::as_const(m_connectedMacs)) {
        if (MacConnectionStatusPtr status = m_connectionMonitorService->getConnectionStatus(mac.id())) {
            statuses.insert(mac.id(), std::move(status));
        }
    }
    setConnectionStatuses(std::move(statuses));
}

QCoro::Task<> ConnectedMacsViewModel::disconnectFromMac(ConnectedMac mac)
{
    const QPointer<ConnectedMacsViewModel> self(this);
    const MacDiscoveryServicePtr service = m_macDiscoveryService;
    setErrorMessage(std::nullopt);
    std::exception_ptr failure;
    try {
        co_await service->removeConnectedMac(mac.id());
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        setErrorMessage(QStringLiteral("Failed to disconnect from ") + UntrustedText::isolated(mac.name())
                        + QStringLiteral(": ") + userDescription(failure));
        co_return;
    }
    // A reload during the removal may have dropped it already.
    QList<ConnectedMac> remaining = m_connectedMacs;
    remaining.removeIf([&mac](const ConnectedMac &other) { return other.id() == mac.id(); });
    setConnectedMacs(std::move(remaining));
}

void ConnectedMacsViewModel::clearError()
{
    setErrorMessage(std::nullopt);
}

// Published values -------------------------------------------------------------------------------

void ConnectedMacsViewModel::setConnectedMacs(QList<ConnectedMac> macs)
{
    m_connectedMacs = std::move(macs);
    Q_EMIT connectedMacsChanged();
}

void ConnectedMacsViewModel::setDiscoveryState(DiscoveryServiceState state)
{
    m_discoveryState = state;
    Q_EMIT discoveryStateChanged();
    m_isDiscoveryActive = isActive(state);
    Q_EMIT isDiscoveryActiveChanged();
    announceDiscoveryDerivedValues();
}

void ConnectedMacsViewModel::setCurrentSecurityCode(std::optional<SecurityCode> code)
{
    m_currentSecurityCode = std::move(code);
    Q_EMIT currentSecurityCodeChanged();
}

void ConnectedMacsViewModel::setErrorMessage(std::optional<QString> message)
{
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}

void ConnectedMacsViewModel::setLocalNetworkPermissionStatus(SystemPermissionStatus status)
{
    m_localNetworkPermissionStatus = status;
    Q_EMIT localNetworkPermissionStatusChanged();
}

void ConnectedMacsViewModel::setInlinePermissionGuidanceState(std::optional<DiscoveryPermissionGuidanceState> state)
{
    m_inlinePermissionGuidanceState = state;
    Q_EMIT inlinePermissionGuidanceStateChanged();
    announceDiscoveryDerivedValues();
}

void ConnectedMacsViewModel::setIsRefreshing(bool refreshing)
{
    m_isRefreshing = refreshing;
    Q_EMIT isRefreshingChanged();
}

void ConnectedMacsViewModel::setConnectionStatuses(StatusTable statuses)
{
    m_connectionStatuses = std::move(statuses);
    Q_EMIT connectionStatusesChanged();
}

void ConnectedMacsViewModel::announceDiscoveryDerivedValues()
{
    Q_EMIT canEnableDiscoveryChanged();
    Q_EMIT permissionGuidanceConfigurationChanged();
}

} // namespace verandel
