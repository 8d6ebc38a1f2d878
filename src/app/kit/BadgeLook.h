#pragma once

#include "kit/ThemeTint.h"

#include <optional>

namespace verandel {

// What a badge is drawn in: its ink (symbol and text), its fill, an optional outline, and its shape.
struct BadgeLook
{
    enum class Shape {
        Capsule, // fully rounded ends: counts, summaries, flow badges
        Rounded, // a rounded rectangle: the compact status of a request or a link
    };

    ThemeTint ink{ThemeColor::SecondaryText};
    ThemeTint fill{ThemeColor::WindowBackground};
    std::optional<ThemeTint> border;
    Shape shape = Shape::Capsule;

    // The usual status badge: ink of `color`, fill of the same colour at low opacity.
    static BadgeLook tinted(ThemeColor color, double fillOpacity = 0.14, Shape shape = Shape::Capsule)
    {
        return {ThemeTint{color}, ThemeTint{color, fillOpacity}, std::nullopt, shape};
    }

    friend bool operator==(const BadgeLook &, const BadgeLook &) = default;
};

} // namespace verandel
