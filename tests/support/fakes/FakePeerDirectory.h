#pragma once

#include "linking/LinkedPeerDirectoryProtocol.h"

#include <QHash>
#include <QSet>

#include <functional>

namespace verandel::test {

// The directory over two plain tables: a computer is eligible when it is both linked and discovered.
// The linked list the last update handed in replaces `linked`; announcements are the test's to make.
// Computers outside the tables are asked of the two rules, when set, for callers that cannot list
// every computer (a fuzz target meets any sender): the record it was discovered with (none: not
// discovered; an endpoint elsewhere refuses frames from its claimed address) and whether it is linked.
class FakePeerDirectory final : public LinkedPeerDirectoryProtocol
{
public:
    QHash<QUuid, DiscoverableMac> discovered;
    QSet<QUuid> linked;
    std::function<std::optional<DiscoverableMac>(const QUuid &macId)> discoveredRule;
    std::function<bool(const QUuid &macId)> linkedRule;
    mutable QList<QUuid> eligibilityQuestions;
    QList<QList<ConnectedMac>> connectedMacUpdates;
    QSet<QUuid> conflicts;

    std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const override
    {
        const auto it = discovered.find(macId);
        if (it != discovered.end()) {
            return *it;
        }
        return discoveredRule ? discoveredRule(macId) : std::nullopt;
    }
    bool isLinked(const QUuid &macId) const override
    {
        return linked.contains(macId) || (linkedRule && linkedRule(macId));
    }
    bool isEligible(const QUuid &macId) const override
    {
        eligibilityQuestions.append(macId);
        return isLinked(macId) && discoverableMac(macId).has_value();
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

    QSet<QUuid> identityConflicts() const override { return conflicts; }

    void announce(const QUuid &macId, bool eligible) { Q_EMIT eligibilityUpdates(macId, eligible); }
    void announceConflicts(QSet<QUuid> ids)
    {
        conflicts = std::move(ids);
        Q_EMIT identityConflictsChanged();
    }
};

} // namespace verandel::test
