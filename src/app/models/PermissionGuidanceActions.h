#pragma once

#include <functional>

namespace verandel {

// What the buttons of a permission card can do; a card takes the two its state offers.
struct PermissionGuidanceActions
{
    std::function<void()> proceed; // not checked yet: "Continue"
    std::function<void()> dismiss; // not checked yet: "Cancel"
    std::function<void()> openSettings; // refused: open the desktop's settings
    std::function<void()> retry; // refused: "I've Enabled It", check again
};

} // namespace verandel
