#pragma once

namespace verandel {

// How a permission card looks: it chooses the symbol, its colour, the card's fill and its border.
enum class PermissionGuidanceStyle {
    Informational, // a step the user has not taken yet
    Denied, // access was refused or is unavailable
    LimitedFunctionality, // works, with less than it could
};

} // namespace verandel
