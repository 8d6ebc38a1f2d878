#pragma once

#include "bluetooth/BluetoothPermissionGuidanceState.h"

#include <optional>

namespace verandel {

// The end of a device refresh: blocked by Bluetooth access (with the card it raised), or refreshed (the
// lists were rebuilt, or the store was unreadable and the error message says so).
struct DevicesRefreshResult
{
    std::optional<BluetoothPermissionGuidanceState> blockedBy;

    static DevicesRefreshResult refreshed() { return {}; }
    static DevicesRefreshResult blocked(BluetoothPermissionGuidanceState state) { return {state}; }
    bool isBlocked() const { return blockedBy.has_value(); }

    bool operator==(const DevicesRefreshResult &) const = default;
};

} // namespace verandel
