#pragma once

#include "models/DiscoveryPermissionGuidanceState.h"
#include "models/PermissionGuidanceActions.h"
#include "models/PermissionGuidanceConfiguration.h"

#include "bluetooth/BluetoothPermissionGuidanceState.h"
#include "bluetooth/SystemPermissionStatus.h"

#include <optional>

namespace verandel {

// The permission cards of the windows: when one shows, what it says and which action each button runs.
// On Linux nothing asks the user for a permission: Local Network means avahi-daemon answers on the
// system bus, Bluetooth means bluetoothd answers this user and has an adapter. "Continue" checks again;
// the settings button opens the desktop's network or Bluetooth settings (the permission checker's
// opener).
class PermissionGuidanceCards
{
public:
    PermissionGuidanceCards() = delete;

    // A card shows while access is not decided (preflight) or refused (recovery), none while authorized.
    static std::optional<DiscoveryPermissionGuidanceState> localNetworkState(SystemPermissionStatus status);
    static std::optional<BluetoothPermissionGuidanceState> bluetoothState(SystemPermissionStatus status);

    // Discovery Mode's Local Network card.
    static PermissionGuidanceConfiguration localNetwork(DiscoveryPermissionGuidanceState state,
                                                        const PermissionGuidanceActions &actions);
    // The Devices tab's Bluetooth card.
    static PermissionGuidanceConfiguration bluetoothDevices(BluetoothPermissionGuidanceState state,
                                                            const PermissionGuidanceActions &actions);
    // The Control Center's Bluetooth card, about moving device control.
    static PermissionGuidanceConfiguration bluetoothTransfer(BluetoothPermissionGuidanceState state,
                                                             const PermissionGuidanceActions &actions);
    // A Bluetooth card once "Open Bluetooth Settings" found no settings program to start: it says what
    // to run in a terminal instead.
    static PermissionGuidanceConfiguration withoutBluetoothSettingsProgram(PermissionGuidanceConfiguration card);
};

} // namespace verandel
