#pragma once

namespace verandel {

// What the Bluetooth permission guidance shows; held as std::optional, where no value means none.
enum class BluetoothPermissionGuidanceState {
    Preflight, // not decided yet: continuing brings up the system's request
    DeniedRecovery, // refused: offer the Bluetooth settings and a new check
};

} // namespace verandel
