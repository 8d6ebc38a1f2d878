#pragma once

namespace verandel {

// Which list of the Devices tab a device card belongs to.
enum class DeviceRowCompactMode {
    Shared, // allowed for transfer
    Available, // paired here, not allowed yet
};

} // namespace verandel
