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
// traffic when it is linked and a discovery record is held for it. Records are replaced by each
// discovery update and forgotten when their endpoint is reported gone, or, for computers that are not
// linked, when too many of them are held. Lives on the main thread;
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

private:
    void handleDiscoveryUpdate(const DiscoverableMac &mac);
    void handleEndpointDeleted(const PeerEndpoint &endpoint);
    // Whether the computer counts as reachable for announcements: linked, with a record that has an endpoint.
    bool isReachable(const QUuid &macId) const;
    bool hasEndpoint(const QUuid &macId) const;
    void announceLater(const QUuid &macId, bool eligible);
    void signalLater(const QString &name);

    ConnectedMacStorageServicePtr m_storage;
    LoggerPtr m_logger;
    TestCoordinatorPtr m_testCoordinator;
    QHash<QUuid, DiscoverableMac> m_discoveredPeers;
    PeerInput::RecentlySeen m_recentlySeen;
    QSet<QUuid> m_connectedMacIds;
};

} // namespace verandel
