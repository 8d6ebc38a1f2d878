#pragma once

#include "kit/ThemeTint.h"

namespace verandel {

// What a card is filled and outlined with.
struct CardLook
{
    ThemeTint fill{ThemeColor::CardBackground};
    ThemeTint border{ThemeColor::Separator};

    // Something the user has to act on: a faint orange card with an orange edge.
    static CardLook warning() { return {ThemeTint{ThemeColor::Orange, 0.06}, ThemeTint{ThemeColor::Orange, 0.18}}; }

    friend bool operator==(const CardLook &, const CardLook &) = default;
};

} // namespace verandel
