#include "models/ToolbarDeviceGrouping.h"

#include <algorithm>

namespace verandel {

namespace {

template <class Keep>
QList<DeviceState> filtered(const QList<DeviceState> &devices, Keep keep)
{
    QList<DeviceState> kept;
    std::copy_if(devices.begin(), devices.end(), std::back_inserter(kept), keep);
    return kept;
}

} // namespace

bool ToolbarDeviceGrouping::isPendingLocalOwnership(const DeviceState &device, const OwnershipMap &ownership)
{
    return device.isShared() && device.isConnected() && !ownership.contains(device.macAddress());
}

QList<DeviceState> ToolbarDeviceGrouping::devicesConnectedToThisMac(const QUuid &thisMacId,
                                                                    const QList<DeviceState> &devices,
                                                                    const OwnershipMap &ownership)
{
    return filtered(devices, [&](const DeviceState &device) {
        const auto owner = ownership.constFind(device.macAddress());
        if (owner != ownership.cend() && *owner == thisMacId) {
            return device.isConnected();
        }
        return isPendingLocalOwnership(device, ownership);
    });
}

QList<DeviceState> ToolbarDeviceGrouping::devicesOwnedBy(const QUuid &macId, const QList<DeviceState> &devices,
                                                         const OwnershipMap &ownership)
{
    return filtered(devices, [&](const DeviceState &device) {
        const auto owner = ownership.constFind(device.macAddress());
        return owner != ownership.cend() && *owner == macId;
    });
}

QList<DeviceState> ToolbarDeviceGrouping::devicesInTransition(const QList<DeviceState> &devices,
                                                              const OwnershipMap &ownership, const QUuid &thisMacId,
                                                              const ConnectionStateMap &connectedMacStates)
{
    return filtered(devices, [&](const DeviceState &device) {
        if (!device.isShared()) {
            return false;
        }
        const auto owner = ownership.constFind(device.macAddress());
        if (owner == ownership.cend() || *owner == thisMacId) {
            return !device.isConnected();
        }
        return ToolbarConnectionStateTracking::stateOf(connectedMacStates, *owner) != ConnectionState::Connected;
    });
}

} // namespace verandel
