#pragma once

#include "kit/ThemeColor.h"

namespace verandel {

// A theme colour at an opacity: how looks are described without fixing the palette they are drawn in.
struct ThemeTint
{
    ThemeColor color = ThemeColor::PrimaryText;
    double opacity = 1.0;

    friend bool operator==(const ThemeTint &, const ThemeTint &) = default;
};

} // namespace verandel
