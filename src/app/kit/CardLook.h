#pragma once

#include "kit/ThemeTint.h"

namespace verandel {

// What a card is filled and outlined with.
struct CardLook
{
    ThemeTint fill{ThemeColor::CardBackground};
    ThemeTint border{ThemeColor::Separator};

    friend bool operator==(const CardLook &, const CardLook &) = default;
};

} // namespace verandel
