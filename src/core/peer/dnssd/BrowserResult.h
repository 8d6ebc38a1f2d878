#pragma once

#include "peer/dnssd/BrowserResultMetadata.h"
#include "records/PeerEndpoint.h"

#include <QList>

namespace verandel {

// One service instance a DNS-SD browser found.
struct BrowserResult
{
    // The service instance, with the addresses and port it resolved to.
    PeerEndpoint endpoint;
    // Indexes of the network interfaces it was seen on.
    QList<int> interfaces;
    BrowserResultMetadata resultMetadata;

    bool operator==(const BrowserResult &) const = default;
};

} // namespace verandel
