#pragma once

#include "peer/dnssd/ServiceResolverProtocol.h"

#include <functional>

namespace verandel {

// Makes the real resolver when the first service instance is to be resolved, so that nothing reaches
// the service-discovery daemon before a frame is sent.
class OnDemandServiceResolver final : public ServiceResolverProtocol
{
public:
    using Maker = std::function<std::shared_ptr<ServiceResolverProtocol>()>;

    explicit OnDemandServiceResolver(Maker make)
        : m_make(std::move(make))
    { }

    QCoro::Task<PeerEndpoint> resolve(PeerEndpoint service, std::stop_token stop) override
    {
        if (!m_inner) {
            m_inner = m_make();
        }
        return m_inner->resolve(std::move(service), std::move(stop));
    }

private:
    Maker m_make;
    std::shared_ptr<ServiceResolverProtocol> m_inner;
};

} // namespace verandel
