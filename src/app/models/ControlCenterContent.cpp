#include "models/ControlCenterContent.h"

namespace verandel {

ControlCenterContent ControlCenterContent::compute(const ControlCenterInputs &inputs)
{
    ControlCenterContent content;
    const QList<DeviceState> &devices = inputs.sharedDevices;
    content.devicesOnThisMac
        = ToolbarDeviceGrouping::devicesConnectedToThisMac(inputs.thisMacId, devices, inputs.ownership);
    content.showsSharedDevicesOnboarding = devices.isEmpty();

    content.linkedMacs.reserve(inputs.connectedMacs.size());
    for (const ConnectedMac &mac : inputs.connectedMacs) {
        const ConnectionState state = ToolbarConnectionStateTracking::stateOf(inputs.connectionStates, mac.id());
        const bool conflict = inputs.identityConflicts.contains(mac.id());
        const bool active = isActive(state) && !conflict;
        // Owned devices are looked up once per computer: they decide both the list and the take rule.
        const QList<DeviceState> owned = active
            ? ToolbarDeviceGrouping::devicesOwnedBy(mac.id(), devices, inputs.ownership)
            : QList<DeviceState>{};
        if (active && mac.id() != inputs.thisMacId && !owned.isEmpty()) {
            content.hasActiveMacsWithDevices = true;
        }
        content.linkedMacs.append(LinkedMacPanelContent{
            mac, state, active && state == ConnectionState::Connected ? owned : QList<DeviceState>{}, active,
            active && !content.devicesOnThisMac.isEmpty(), conflict});
    }

    const ConnectionStateMap merged
        = ToolbarConnectionStateTracking::mergedStates(inputs.connectionStates, inputs.latestConnectionStateChange);
    content.devicesInTransition
        = ToolbarDeviceGrouping::devicesInTransition(devices, inputs.ownership, inputs.thisMacId, merged);
    return content;
}

} // namespace verandel
