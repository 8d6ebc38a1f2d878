#pragma once

#include "models/ToolbarDeviceGrouping.h"

#include <functional>

namespace verandel {

// Which shared devices this computer claims because they are connected here and nobody owns them.
class ToolbarOwnershipBootstrap
{
public:
    using SetOwner = std::function<void(const QUuid &macId, const QStringList &macAddresses)>;

    ToolbarOwnershipBootstrap() = delete;

    // In list order, the same test as ToolbarDeviceGrouping::isPendingLocalOwnership.
    static QStringList macAddressesToAssign(const QList<DeviceState> &devices, const OwnershipMap &ownership);
    // One setOwner call with the whole list, or none when nothing is to be claimed. Callers pass the
    // service's fresh map, not a view's copy that may lag behind its publications.
    static void apply(const QUuid &currentMacId, const QList<DeviceState> &sharedDevices, const OwnershipMap &ownership,
                      const SetOwner &setOwner);
};

} // namespace verandel
