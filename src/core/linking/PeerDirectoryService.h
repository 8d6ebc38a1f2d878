#pragma once

#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "linking/LinkedPeerDirectoryProtocol.h"
#include "linking/PeerInput.h"
#include "peer/dnssd/DiscoveryProtocol.h"
#include "records/ConnectedMacStorageServiceProtocol.h"

#include <QHash>
#include <QSet>

namespace verandel {

// Joins what browsing sees now with the list of linked computers: a computer is eligible for peer
// traffic when it is linked and exactly one service instance on the network claims its id. Anyone can
// copy a computer's advertised record, so every live instance's claim is kept (a host:port counts as
// one instance): each update replaces only its own instance's claim, and a withdrawn instance removes
// only its own. While two claim a linked id, neither is trusted. Computers that are not linked are
// forgotten, least recently seen first, when too many of them are held. Lives on the main thread;
// state changes apply at once and their announcements follow from the event loop, in order.
class PeerDirectoryService final : public LinkedPeerDirectoryProtocol
{
    Q_OBJECT

public:
    // Reads the linked computers once from the store; the transport is only subscribed to, not kept.
    PeerDirectoryService(DiscoveryProtocol &discovery, ConnectedMacStorageServicePtr storage,
                         LoggerFactory &loggerFactory, TestCoordinatorPtr testCoordinator = nullptr,
                         QObject *parent = nullptr);

    std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const override;
    bool isLinked(const QUuid &macId) const override { return m_connectedMacIds.contains(macId); }
    bool isEligible(const QUuid &macId) const override;
    QList<QUuid> eligiblePeers() const override;
    std::optional<PeerEndpoint> endpoint(const QUuid &macId) const override;
    void updateConnectedMacs(const QList<ConnectedMac> &macs) override;
    QSet<QUuid> identityConflicts() const override;

private:
    // How one computer stands, compared before and after each change.
    struct Standing
    {
        // Linked, with one claim, and that claim has an endpoint: what announcements follow.
        bool reachable = false;
        // Linked, with more than one claim.
        bool conflict = false;
    };
    enum class Cause { Discovery, EndpointDeleted, AddedToLinked, RemovedFromLinked };

    void handleDiscoveryUpdate(const DiscoverableMac &mac);
    void handleEndpointDeleted(const PeerEndpoint &endpoint);
    Standing standingOf(const QUuid &macId) const;
    // Logs and announces what changed for the computer since `before`.
    void settle(const QUuid &macId, Standing before, Cause cause);
    // The instance's claim on the computer goes; the computer goes with its last claim.
    void dropClaim(const QUuid &macId, const std::optional<PeerEndpoint> &instance);
    void forget(const QUuid &macId);
    // The one claim on a computer that has exactly one.
    const DiscoverableMac *soleClaim(const QUuid &macId) const;
    void announceLater(const QUuid &macId, bool eligible);
    void announceConflictsLater();
    void signalLater(const QString &name);

    ConnectedMacStorageServicePtr m_storage;
    LoggerPtr m_logger;
    TestCoordinatorPtr m_testCoordinator;
    // Per computer id, the record of every live instance that claims it, the most recently updated last.
    QHash<QUuid, QList<DiscoverableMac>> m_claims;
    // The id each instance claims now: an instance advertises one record at a time.
    QHash<PeerEndpoint, QUuid> m_claimedBy;
    PeerInput::RecentlySeen m_recentlySeen;
    QSet<QUuid> m_connectedMacIds;
};

} // namespace verandel
