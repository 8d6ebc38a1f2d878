#pragma once

namespace verandel {

// What the tray icon shows: the plain logo, the logo with an update badge, or a transfer's state cut
// into it.
enum class MenuBarTransferFeedbackVisualState { Idle, PendingUpdate, InProgress, Success, Warning };

} // namespace verandel
