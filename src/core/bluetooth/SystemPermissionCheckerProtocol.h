#pragma once

#include "bluetooth/SystemPermissionStatus.h"

#include <QCoro/QCoroTask>

#include <memory>

namespace verandel {

// Whether this program may use Bluetooth and the local network. Nothing here throws.
class SystemPermissionCheckerProtocol
{
public:
    virtual ~SystemPermissionCheckerProtocol() = default;

    // The last known values; no probe.
    virtual SystemPermissionStatus localNetworkStatus() const = 0;
    virtual SystemPermissionStatus bluetoothStatus() const = 0;

    // Keeps the remembered value when the probe reaches no decision.
    virtual QCoro::Task<SystemPermissionStatus> requestLocalNetworkAccess() = 0;
    // Turns a remembered "authorized" into "denied" when the probe reaches no decision.
    virtual QCoro::Task<SystemPermissionStatus> refreshLocalNetworkAccess() = 0;
    // Waits (bounded) for Bluetooth to become available while undecided.
    virtual QCoro::Task<SystemPermissionStatus> requestBluetoothAccess() = 0;
    // One look, no waiting; a remembered "authorized" becomes "denied" when undecided.
    virtual QCoro::Task<SystemPermissionStatus> refreshBluetoothAccess() = 0;

    virtual void openLocalNetworkSettings() = 0;
    // False when no settings program could be started: the user has to be told what to run instead.
    virtual bool openBluetoothSettings() = 0;
};

using SystemPermissionCheckerPtr = std::shared_ptr<SystemPermissionCheckerProtocol>;

} // namespace verandel
