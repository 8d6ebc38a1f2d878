#pragma once

#include "peer/PeerDirectoryServiceProtocol.h"

#include <QHash>
#include <QSet>

namespace verandel::test {

// The three directory reads over two plain tables: a computer is eligible when it is both linked
// and discovered.
class FakePeerDirectory final : public PeerDirectoryServiceProtocol
{
public:
    QHash<QUuid, DiscoverableMac> discovered;
    QSet<QUuid> linked;
    mutable QList<QUuid> eligibilityQuestions;

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
};

} // namespace verandel::test
