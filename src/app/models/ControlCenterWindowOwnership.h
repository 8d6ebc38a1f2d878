#pragma once

namespace verandel {

// Who opened the Control Center window: the user keeps it open; a window a transfer opened by itself
// may close by itself after the transfer succeeds.
enum class ControlCenterWindowOwnership { UserOwned, OperationOwned };

} // namespace verandel
