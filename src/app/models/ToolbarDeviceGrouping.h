#pragma once

#include "models/ToolbarConnectionStateTracking.h"

#include "records/DeviceState.h"
#include "transfer/DeviceOwnershipService.h"

#include <QList>

namespace verandel {

using OwnershipMap = DeviceOwnershipService::OwnershipMap;

// Where the Control Center shows each shared device. Addresses are matched exactly as the records hold
// them. Every rule is a filter: input order and duplicates are kept.
class ToolbarDeviceGrouping
{
public:
    ToolbarDeviceGrouping() = delete;

    // Owned here and connected here, or shared, connected here and owned by nobody yet (the bootstrap
    // claims those next).
    static QList<DeviceState> devicesConnectedToThisMac(const QUuid &thisMacId, const QList<DeviceState> &devices,
                                                        const OwnershipMap &ownership);
    static QList<DeviceState> devicesOwnedBy(const QUuid &macId, const QList<DeviceState> &devices,
                                             const OwnershipMap &ownership);
    // Shared devices between computers: unowned or owned here but not connected here, or owned by a
    // computer that is not connected.
    static QList<DeviceState> devicesInTransition(const QList<DeviceState> &devices, const OwnershipMap &ownership,
                                                  const QUuid &thisMacId, const ConnectionStateMap &connectedMacStates);
    // Shared, connected here, no owner.
    static bool isPendingLocalOwnership(const DeviceState &device, const OwnershipMap &ownership);
};

} // namespace verandel
