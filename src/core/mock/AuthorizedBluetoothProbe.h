#pragma once

#include "bluetooth/BluetoothAuthorizationProbeProtocol.h"

namespace verandel {

// The Bluetooth probe of a mock run whose Bluetooth is simulated: it needs no bluetoothd and always
// answers authorized.
class AuthorizedBluetoothProbe final : public BluetoothAuthorizationProbeProtocol
{
public:
    QCoro::Task<SystemPermissionStatus> checkAuthorization(bool) override
    {
        co_return SystemPermissionStatus::Authorized;
    }

    static BluetoothAuthorizationProbeFactory factory()
    {
        return [] { return std::make_shared<AuthorizedBluetoothProbe>(); };
    }
};

} // namespace verandel
