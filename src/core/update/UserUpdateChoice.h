#pragma once

namespace verandel {

// What the user driver answers a found update or a ready install with; the numbers are the ones the
// driver's callers have always used.
enum class UserUpdateChoice {
    skip = 0,
    install = 1,
    dismiss = 2,
};

// Which check the updater is about to run, as the gate sees it.
enum class UpdateCheckKind {
    userInitiated = 0,
    background = 1,
};

} // namespace verandel
