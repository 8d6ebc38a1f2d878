#pragma once

#include "bluetooth/LocalNetworkProbeProtocol.h"

namespace verandel {

// The Local Network probe of a mock run whose peers are simulated: it needs no avahi-daemon and
// always answers authorized.
class AuthorizedLocalNetworkProbe final : public LocalNetworkProbeProtocol
{
public:
    QCoro::Task<SystemPermissionStatus> checkStatus(std::stop_token) override
    {
        co_return SystemPermissionStatus::Authorized;
    }

    static LocalNetworkProbeFactory factory()
    {
        return [] { return std::make_shared<AuthorizedLocalNetworkProbe>(); };
    }
};

} // namespace verandel
