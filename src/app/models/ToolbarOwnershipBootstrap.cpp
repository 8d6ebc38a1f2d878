#include "models/ToolbarOwnershipBootstrap.h"

namespace verandel {

QStringList ToolbarOwnershipBootstrap::macAddressesToAssign(const QList<DeviceState> &devices,
                                                            const OwnershipMap &ownership)
{
    QStringList addresses;
    for (const DeviceState &device : devices) {
        if (ToolbarDeviceGrouping::isPendingLocalOwnership(device, ownership)) {
            addresses.append(device.macAddress());
        }
    }
    return addresses;
}

void ToolbarOwnershipBootstrap::apply(const QUuid &currentMacId, const QList<DeviceState> &sharedDevices,
                                      const OwnershipMap &ownership, const SetOwner &setOwner)
{
    const QStringList addresses = macAddressesToAssign(sharedDevices, ownership);
    if (!addresses.isEmpty()) {
        setOwner(currentMacId, addresses);
    }
}

} // namespace verandel
