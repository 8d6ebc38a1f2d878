#pragma once

#include "linking/LinkedPeerDirectoryProtocol.h"

#include <QHash>
#include <QSet>

namespace verandel::test {

// The directory over two plain tables: a computer is eligible when it is both linked and discovered.
// The linked list the last update handed in replaces `linked`; announcements are the test's to make.
class FakePeerDirectory final : public LinkedPeerDirectoryProtocol
{
public:
    QHash<QUuid, DiscoverableMac> discovered;
    QSet<QUuid> linked;
    mutable QList<QUuid> eligibilityQuestions;
    QList<QList<ConnectedMac>> connectedMacUpdates;

    std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const override
    {
        const auto it = discovered.find(macId);
        return it == discovered.end() ? std::nullopt : std::optional<DiscoverableMac>(*it);
    }
    bool isEligible(const QUuid &macId) const override
    {
        eligibilityQuestions.append(macId);
        return linked.contains(macId) && discovered.contains(macId);
    }
    QList<QUuid> eligiblePeers() const override
    {
        QList<QUuid> peers;
        for (const QUuid &id : linked) {
            if (discovered.contains(id)) {
                peers.append(id);
            }
        }
        return peers;
    }
    std::optional<PeerEndpoint> endpoint(const QUuid &macId) const override
    {
        const std::optional<DiscoverableMac> mac = linked.contains(macId) ? discoverableMac(macId) : std::nullopt;
        return mac ? mac->endpoint() : std::nullopt;
    }
    void updateConnectedMacs(const QList<ConnectedMac> &macs) override
    {
        connectedMacUpdates.append(macs);
        linked.clear();
        for (const ConnectedMac &mac : macs) {
            linked.insert(mac.id());
        }
    }

    void announce(const QUuid &macId, bool eligible) { Q_EMIT eligibilityUpdates(macId, eligible); }
};

} // namespace verandel::test
