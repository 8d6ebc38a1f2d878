#pragma once

namespace verandel {

// Why a transfer did not start.
enum class ControlTransferBlockedReason {
    BluetoothPermissionPreflight, // Bluetooth permission has not been decided yet
    NoEligibleTarget, // take control found no other reachable linked computer
    NoConnectedSharedDevices, // nothing shared is connected here to hand over
    PeerUnavailable, // the other computer is not linked, or not reachable now
};

} // namespace verandel
