#pragma once

namespace verandel {

// What the Control Center's transfer message tells of its transfer: that it runs, that it is done, or
// that it needs the user (refused, blocked, failed, cancelled, waiting for an action).
enum class ControlCenterTransferMessageKind { InProgress, Done, Warning };

} // namespace verandel
