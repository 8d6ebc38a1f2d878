#pragma once

#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "linking/ConnectionMonitorServiceProtocol.h"
#include "linking/LinkedPeerDirectoryProtocol.h"
#include "linking/MacDiscoveryServiceProtocol.h"
#include "linking/PeerInput.h"
#include "peer/PeerCommunicationHub.h"
#include "peer/dnssd/DiscoveryProtocol.h"
#include "peer/dnssd/TransportError.h"
#include "peer/tcp/FrameListenerProtocol.h"
#include "records/ConnectedMacStorageServiceProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"
#include "telemetry/MetricsPublisherProtocol.h"

namespace verandel {

// Background advertising and browsing from launch, Discovery Mode with its security code, and the
// linking handshake: connection requests in both directions, their answers, and the link that both
// computers store once it is accepted. Lives on the main thread; always held by shared_ptr.
class MacDiscoveryService final : public MacDiscoveryServiceProtocol,
                                  public std::enable_shared_from_this<MacDiscoveryService>
{
    Q_OBJECT

public:
    // More requests than any user handles at once; further ones are dropped.
    static constexpr qsizetype maxConnectionRequests = 64;
    // What an outgoing request carries when this computer has no code.
    static QString placeholderSecurityCode() { return QStringLiteral("48213"); }

    MacDiscoveryService(std::shared_ptr<DiscoveryProtocol> discoveryTransport,
                        std::shared_ptr<FrameListenerProtocol> frameListener,
                        std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                        std::shared_ptr<PeerCommunicationHub> peerCommunicationHub,
                        ConnectedMacStorageServicePtr connectedMacStorageService,
                        ConnectionMonitorServicePtr connectionMonitorService, LinkedPeerDirectoryPtr peerDirectory,
                        SystemPermissionCheckerPtr systemPermissionChecker, MetricsPublisherPtr metricsPublisher,
                        LoggerFactory &loggerFactory, ClockPtr clock, TestCoordinatorPtr testCoordinator = nullptr);

    DiscoverySessionPtr currentSession() const override { return m_currentSession; }
    std::optional<SecurityCode> currentSecurityCode() const override { return m_currentSecurityCode; }
    DiscoveryServiceState state() const override { return m_state; }
    QList<DiscoverableMac> discoveredMacs() const override { return m_discoveredMacs; }
    QList<ConnectionRequest> connectionRequests() const override { return m_connectionRequests; }
    // The text of the last failure.
    std::optional<QString> lastError() const { return m_lastError; }
    bool isBackgroundRuntimeActive() const { return m_isBackgroundRuntimeActive; }

    QCoro::Task<> startAdvertising() override;
    QCoro::Task<> stopAdvertising() override;
    QCoro::Task<> startDiscovery(std::optional<QString> customSecurityCode) override;
    QCoro::Task<> stopDiscovery() override;
    QCoro::Task<SecurityCode> generateNewSecurityCode() override;

    QCoro::Task<> sendConnectionRequest(QUuid macId) override;
    QCoro::Task<> cancelConnectionRequest(QUuid macId) override;
    QCoro::Task<> acceptConnectionRequest(QUuid macId) override;
    QCoro::Task<> rejectConnectionRequest(QUuid macId) override;
    QCoro::Task<> removeConnectedMac(QUuid macId) override;

Q_SIGNALS:
    void lastErrorChanged(const std::optional<QString> &lastError);
    // A start of background advertising ended, whether it succeeded, failed or was skipped.
    void backgroundAdvertisingSettled();

private:
    void updateState(DiscoveryServiceState state);
    void handleError(const TransportError &error);
    void setCurrentSession(DiscoverySessionPtr session);
    void setCurrentSecurityCode(std::optional<SecurityCode> code);
    void setLastError(std::optional<QString> error);
    void setConnectionRequests(QList<ConnectionRequest> requests);
    // Logs why a start gives up after another call changed the state while it waited.
    bool abandonedStart();

    void handleDiscoveredMac(const DiscoverableMac &mac);
    void handleReceivedConnectionRequest(const ConnectionRequestReceivedEvent &event);
    void handleConnectionAccepted(const ConnectionRequestAcceptedEvent &event);
    void handleConnectionRejected(const ConnectionRequestRejectedEvent &event);
    // Stores the link (or refreshes an existing one) and tells the directory and the monitor; true when
    // the link is in place.
    bool finalizeConnectionRequest(const ConnectedMac &record);
    std::optional<ConnectedMac> linkRecordFor(const QUuid &macId) const;
    qsizetype firstPendingRequest(const QUuid &macId, std::optional<ConnectionDirection> direction) const;
    void replaceRequestState(qsizetype index, ConnectionRequestState state);
    void signalTest(const QString &name) const;

    std::shared_ptr<DiscoveryProtocol> m_discoveryTransport;
    std::shared_ptr<FrameListenerProtocol> m_frameListener;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifierService;
    std::shared_ptr<PeerCommunicationHub> m_peerCommunicationHub;
    ConnectedMacStorageServicePtr m_connectedMacStorageService;
    ConnectionMonitorServicePtr m_connectionMonitorService;
    LinkedPeerDirectoryPtr m_peerDirectory;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
    MetricsPublisherPtr m_metricsPublisher;
    ClockPtr m_clock;
    LoggerPtr m_logger;
    TestCoordinatorPtr m_testCoordinator;

    DiscoverySessionPtr m_currentSession;
    std::optional<SecurityCode> m_currentSecurityCode;
    DiscoveryServiceState m_state = DiscoveryServiceState::Idle;
    QList<DiscoverableMac> m_discoveredMacs;
    PeerInput::RecentlySeen m_recentlySeen;
    std::optional<QString> m_lastError;
    QList<ConnectionRequest> m_connectionRequests;
    bool m_isBackgroundRuntimeActive = false;
    bool m_advertisingStarting = false;
};

} // namespace verandel
