#pragma once

#include "records/DiscoverableMac.h"

#include <QList>
#include <QUuid>

#include <optional>

namespace verandel {

// Which computers are on the network and which of them are linked, as the network bridge asks it.
class PeerDirectoryServiceProtocol
{
public:
    virtual ~PeerDirectoryServiceProtocol() = default;

    // The record currently held for a discovered computer, linked or not; none for a linked computer
    // that more than one service instance claims to be.
    virtual std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const = 0;
    // Linked and currently discovered through exactly one service instance.
    virtual bool isEligible(const QUuid &macId) const = 0;
    // The linked computers currently discovered, in no particular order.
    virtual QList<QUuid> eligiblePeers() const = 0;
};

} // namespace verandel
