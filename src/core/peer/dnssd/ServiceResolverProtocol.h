#pragma once

#include "records/PeerEndpoint.h"

#include <QCoro/QCoroTask>

#include <stop_token>

namespace verandel {

// Resolves a DNS-SD service instance to the addresses and port it can be reached at now, for the
// frame sender.
class ServiceResolverProtocol
{
public:
    virtual ~ServiceResolverProtocol() = default;

    // The service instance endpoint with its fresh addresses and port. Throws TransportError when the
    // instance cannot be resolved, CancellationError when the token is stopped first.
    virtual QCoro::Task<PeerEndpoint> resolve(PeerEndpoint service, std::stop_token stop) = 0;
};

} // namespace verandel
