#pragma once

#include "bluetooth/SystemPermissionStatus.h"

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>

namespace verandel {

// One look at whether Bluetooth may be used. With runBootstrapProbe an undecided answer is waited
// out (bounded) instead of being returned at once.
class BluetoothAuthorizationProbeProtocol
{
public:
    virtual ~BluetoothAuthorizationProbeProtocol() = default;
    virtual QCoro::Task<SystemPermissionStatus> checkAuthorization(bool runBootstrapProbe) = 0;
};

using BluetoothAuthorizationProbeFactory = std::function<std::shared_ptr<BluetoothAuthorizationProbeProtocol>()>;

} // namespace verandel
