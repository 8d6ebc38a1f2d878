#pragma once

#include "bluetooth/SystemPermissionStatus.h"

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>
#include <stop_token>

namespace verandel {

// One look at whether the local network may be browsed. Answers authorized or denied once it knows;
// when the token is stopped first it gives up at once and answers unknown.
class LocalNetworkProbeProtocol
{
public:
    virtual ~LocalNetworkProbeProtocol() = default;
    virtual QCoro::Task<SystemPermissionStatus> checkStatus(std::stop_token token) = 0;
};

using LocalNetworkProbeFactory = std::function<std::shared_ptr<LocalNetworkProbeProtocol>()>;

} // namespace verandel
