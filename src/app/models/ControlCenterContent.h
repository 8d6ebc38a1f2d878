#pragma once

#include "models/ToolbarDeviceGrouping.h"

#include "records/ConnectedMac.h"

#include <optional>

namespace verandel {

// Everything the Control Center column shows, as plain values.
struct ControlCenterInputs
{
    QUuid thisMacId;
    // In the view model's order; this computer's own id is not dropped.
    QList<ConnectedMac> connectedMacs;
    // The view model's states (no latest-change overlay).
    ConnectionStateMap connectionStates;
    std::optional<ConnectionStateChange> latestConnectionStateChange;
    // Linked computers that more than one computer on the network claims to be.
    QSet<QUuid> identityConflicts;
    QList<DeviceState> sharedDevices;
    OwnershipMap ownership;
};

// One linked computer's card.
struct LinkedMacPanelContent
{
    ConnectedMac mac;
    ConnectionState state = ConnectionState::Disconnected;
    // Listed only while connected.
    QList<DeviceState> devices;
    // "Move Devices There…" exists while the computer answers (connected or unstable) ...
    bool offersSend = false;
    // ... and can be pressed while this computer has devices.
    bool sendEnabled = false;
    // Another computer claims its identity too: transfers with it are paused, whatever its state says.
    bool identityConflict = false;
    // Why "Move Devices There…" cannot be pressed; empty while it can.
    QString sendUnavailableReason;
    bool operator==(const LinkedMacPanelContent &) const = default;
};

struct ControlCenterContent
{
    QList<DeviceState> devicesOnThisMac;
    // No shared device yet: this computer's card shows the set-up checklist instead of its devices.
    bool showsSharedDevicesOnboarding = false;
    // Some answering linked computer owns a shared device: "Pull Devices Here…" can be pressed.
    bool hasActiveMacsWithDevices = false;
    // Why it cannot be pressed; empty while it can.
    QString takeUnavailableReason;
    QList<LinkedMacPanelContent> linkedMacs;
    QList<DeviceState> devicesInTransition;
    bool operator==(const ControlCenterContent &) const = default;

    static ControlCenterContent compute(const ControlCenterInputs &inputs);
};

} // namespace verandel
