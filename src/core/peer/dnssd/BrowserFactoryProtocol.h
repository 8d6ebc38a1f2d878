#pragma once

#include "peer/dnssd/BrowserParameters.h"
#include "peer/dnssd/BrowserProtocol.h"

#include <memory>

namespace verandel {

class BrowserFactoryProtocol
{
public:
    virtual ~BrowserFactoryProtocol() = default;

    virtual std::shared_ptr<BrowserProtocol> createBrowser(const QString &serviceType,
                                                           const BrowserParameters &parameters)
        = 0;
};

using BrowserFactoryPtr = std::shared_ptr<BrowserFactoryProtocol>;

} // namespace verandel
