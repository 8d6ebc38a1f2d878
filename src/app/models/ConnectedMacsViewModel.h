#pragma once

#include "models/DiscoveryViewModelProtocol.h"

#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/LoggerFactory.h"
#include "linking/ConnectionMonitorServiceProtocol.h"
#include "linking/LinkedPeerDirectoryProtocol.h"
#include "linking/MacDiscoveryServiceProtocol.h"
#include "records/ConnectedMacStorageServiceProtocol.h"

namespace verandel {

// The one view model behind the Linked Computers tab: it mirrors Discovery Mode from the discovery
// service, keeps the linked computers from the store sorted by name, keeps each one's health record
// from the connection monitor and the ones the peer directory holds in an identity conflict, and
// decides which Local Network card the tab shows. The Control Center reads the same instance.
//
// Service signals are handled after the delivery (queued), and each handler reads the service's
// current value, so a service that publishes from inside one of our own calls never re-enters us
// halfway. Every published value announces each assignment, unchanged or not. Operations never throw:
// failures become errorMessage, in the error's user wording (the log keeps its own text).
class ConnectedMacsViewModel : public DiscoveryViewModelProtocol
{
    Q_OBJECT
    Q_PROPERTY(QList<verandel::ConnectedMac> connectedMacs READ connectedMacs NOTIFY connectedMacsChanged)
    Q_PROPERTY(verandel::DiscoverySessionPtr currentDiscoverySession READ currentDiscoverySession NOTIFY
                   currentDiscoverySessionChanged)
    Q_PROPERTY(verandel::DiscoveryServiceState discoveryState READ discoveryState NOTIFY discoveryStateChanged)
    Q_PROPERTY(
        QList<verandel::ConnectionRequest> connectionRequests READ connectionRequests NOTIFY connectionRequestsChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)
    Q_PROPERTY(verandel::ConnectionMonitorServiceProtocol::StatusTable connectionStatuses READ connectionStatuses NOTIFY
                   connectionStatusesChanged)
    Q_PROPERTY(QSet<QUuid> identityConflicts READ identityConflicts NOTIFY identityConflictsChanged)

public:
    using StatusTable = ConnectionMonitorServiceProtocol::StatusTable;

    ConnectedMacsViewModel(MacDiscoveryServicePtr macDiscoveryService,
                           ConnectionMonitorServicePtr connectionMonitorService, LinkedPeerDirectoryPtr peerDirectory,
                           ConnectedMacStorageServicePtr connectedMacStorageService,
                           SystemPermissionCheckerPtr systemPermissionChecker, LoggerFactory &loggerFactory,
                           QObject *parent = nullptr);

    // Sorted by name; see ConnectedMacsRules::sortedByName.
    QList<ConnectedMac> connectedMacs() const { return m_connectedMacs; }
    DiscoverySessionPtr currentDiscoverySession() const { return m_currentDiscoverySession; }
    DiscoveryServiceState discoveryState() const { return m_discoveryState; }
    QList<ConnectionRequest> connectionRequests() const { return m_connectionRequests; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    bool isRefreshing() const { return m_isRefreshing; }
    // Linked computer id -> the monitor's own record (shared, so its later changes show through).
    StatusTable connectionStatuses() const { return m_connectionStatuses; }
    // Linked computers that more than one computer on the network claims to be: transfers with them
    // are paused.
    QSet<QUuid> identityConflicts() const { return m_identityConflicts; }

    bool hasConnectedMacs() const { return !m_connectedMacs.isEmpty(); }
    bool canStartDiscovery() const { return m_discoveryState == DiscoveryServiceState::Idle; }
    bool canStopDiscovery() const { return verandel::canStopDiscovery(m_discoveryState); }

    bool isDiscoveryActive() const override { return m_isDiscoveryActive; }
    QList<DiscoverableMac> discoveredMacs() const override { return m_discoveredMacs; }
    std::optional<SecurityCode> currentSecurityCode() const override { return m_currentSecurityCode; }
    SystemPermissionStatus localNetworkPermissionStatus() const override { return m_localNetworkPermissionStatus; }
    std::optional<DiscoveryPermissionGuidanceState> inlinePermissionGuidanceState() const override
    {
        return m_inlinePermissionGuidanceState;
    }
    bool canEnableDiscovery() const override;
    // A new configuration with new actions on every call; the actions do nothing once this is gone.
    std::optional<PermissionGuidanceConfiguration> permissionGuidanceConfiguration() const override;

    QCoro::Task<> startDiscovery() override;
    QCoro::Task<> setDiscoveryModeEnabled(bool enabled) override;
    QCoro::Task<> stopDiscovery() override;
    QCoro::Task<> generateNewSecurityCode() override;
    QCoro::Task<> requestConnection(DiscoverableMac mac) override;
    QCoro::Task<> acceptConnection(DiscoverableMac mac) override;
    QCoro::Task<> cancelConnection(DiscoverableMac mac) override;
    QCoro::Task<> rejectConnection(DiscoverableMac mac) override;
    std::optional<ConnectionRequest> getConnectionRequest(const DiscoverableMac &mac) const override;
    void openLocalNetworkSettings() override;
    void dismissPermissionGuidance() override;

    // Reloads the list from the store, hands the monitor the computers it does not watch yet, and
    // takes the monitor's records for the listed computers.
    QCoro::Task<> refreshConnectedMacs();
    // Unlinks the computer through the discovery service.
    QCoro::Task<> disconnectFromMac(ConnectedMac mac);
    void clearError();

Q_SIGNALS:
    void connectedMacsChanged();
    void currentDiscoverySessionChanged();
    void discoveryStateChanged();
    void errorMessageChanged();
    void isRefreshingChanged();
    void connectionStatusesChanged();
    void identityConflictsChanged();
    // The monitor's state changes, passed on for the Control Center.
    void connectionStateChanged(const QUuid &macId, verandel::ConnectionState state);

private:
    enum class RequestOperation { Request, Accept, Cancel, Reject };

    void subscribe();
    // Runs `handler` after the current delivery, unless this is gone by then.
    void later(std::function<void()> handler);
    void handleConnectionEstablished(const ConnectedMac &mac);
    void handleStatusChange(const QUuid &macId, const MacConnectionStatusPtr &status);
    void reloadConnectedMacsFromStorage();
    void updateConnectionStatuses();
    void updateInlinePermissionGuidanceForCurrentStatus();
    // Reads the service's state now rather than waiting for its queued announcement.
    void syncDiscoveryState();
    QCoro::Task<> runRequestOperation(RequestOperation operation, DiscoverableMac mac);

    void setConnectedMacs(QList<ConnectedMac> macs);
    void setDiscoveryState(DiscoveryServiceState state);
    void setCurrentSecurityCode(std::optional<SecurityCode> code);
    void setErrorMessage(std::optional<QString> message);
    void setLocalNetworkPermissionStatus(SystemPermissionStatus status);
    void setInlinePermissionGuidanceState(std::optional<DiscoveryPermissionGuidanceState> state);
    void setIsRefreshing(bool refreshing);
    void setConnectionStatuses(StatusTable statuses);
    void announceDiscoveryDerivedValues();

    LoggerPtr m_logger;
    MacDiscoveryServicePtr m_macDiscoveryService;
    ConnectionMonitorServicePtr m_connectionMonitorService;
    LinkedPeerDirectoryPtr m_peerDirectory;
    ConnectedMacStorageServicePtr m_connectedMacStorageService;
    SystemPermissionCheckerPtr m_systemPermissionChecker;

    QList<ConnectedMac> m_connectedMacs;
    DiscoverySessionPtr m_currentDiscoverySession;
    std::optional<SecurityCode> m_currentSecurityCode;
    DiscoveryServiceState m_discoveryState = DiscoveryServiceState::Idle;
    bool m_isDiscoveryActive = false;
    QList<DiscoverableMac> m_discoveredMacs;
    QList<ConnectionRequest> m_connectionRequests;
    std::optional<QString> m_errorMessage;
    SystemPermissionStatus m_localNetworkPermissionStatus = SystemPermissionStatus::Unknown;
    std::optional<DiscoveryPermissionGuidanceState> m_inlinePermissionGuidanceState;
    bool m_isRefreshing = false;
    StatusTable m_connectionStatuses;
    QSet<QUuid> m_identityConflicts;
};

} // namespace verandel
