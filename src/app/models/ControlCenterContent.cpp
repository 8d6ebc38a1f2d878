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
    bool linksAnother = false;
    bool anotherAnswers = false;
    const QString nothingToSend = content.devicesOnThisMac.isEmpty()
        ? QStringLiteral("This computer has no devices allowed for transfer to move.")
        : QString();
    for (const ConnectedMac &mac : inputs.connectedMacs) {
        const ConnectionState state = ToolbarConnectionStateTracking::stateOf(inputs.connectionStates, mac.id());
        const bool conflict = inputs.identityConflicts.contains(mac.id());
        const bool active = isActive(state) && !conflict;
        // Owned devices are looked up once per computer: they decide both the list and the take rule.
        const QList<DeviceState> owned = active
            ? ToolbarDeviceGrouping::devicesOwnedBy(mac.id(), devices, inputs.ownership)
            : QList<DeviceState>{};
        if (mac.id() != inputs.thisMacId) {
            linksAnother = true;
            anotherAnswers = anotherAnswers || active;
            content.hasActiveMacsWithDevices = content.hasActiveMacsWithDevices || (active && !owned.isEmpty());
        }
        content.linkedMacs.append(LinkedMacPanelContent{
            mac, state, active && state == ConnectionState::Connected ? owned : QList<DeviceState>{}, active,
            active && !content.devicesOnThisMac.isEmpty(), conflict, nothingToSend});
    }
    if (!content.hasActiveMacsWithDevices) {
        content.takeUnavailableReason = !linksAnother ? QStringLiteral("Link another computer to pull devices from it.")
            : !anotherAnswers                         ? QStringLiteral("No linked computer is connected right now.")
                              : QStringLiteral("No connected computer has devices allowed for transfer.");
    }

    const ConnectionStateMap merged
        = ToolbarConnectionStateTracking::mergedStates(inputs.connectionStates, inputs.latestConnectionStateChange);
    content.devicesInTransition
        = ToolbarDeviceGrouping::devicesInTransition(devices, inputs.ownership, inputs.thisMacId, merged);
    return content;
}

} // namespace verandel
