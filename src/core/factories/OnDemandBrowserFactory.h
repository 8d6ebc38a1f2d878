#pragma once

#include "peer/dnssd/BrowserFactoryProtocol.h"

#include <functional>

namespace verandel {

// Makes the real browser factory when the first browser is asked for, so that nothing reaches the
// service-discovery daemon before browsing starts.
class OnDemandBrowserFactory final : public BrowserFactoryProtocol
{
public:
    using Maker = std::function<BrowserFactoryPtr()>;

    explicit OnDemandBrowserFactory(Maker make)
        : m_make(std::move(make))
    { }

    std::shared_ptr<BrowserProtocol> createBrowser(const QString &serviceType,
                                                   const BrowserParameters &parameters) override
    {
        if (!m_inner) {
            m_inner = m_make();
        }
        return m_inner->createBrowser(serviceType, parameters);
    }

private:
    Maker m_make;
    BrowserFactoryPtr m_inner;
};

} // namespace verandel
