#pragma once

#include "kit/TextStyle.h"
#include "kit/ThemeColor.h"
#include "kit/ThemeTint.h"

#include <QColor>
#include <QFont>
#include <QPalette>

namespace verandel {

// Fonts and colours of every window. Fonts are sizes relative to the application font, colours come
// from the palette at the time they are drawn, so a theme or font change reaches every view.
class Theme
{
public:
    Theme() = delete;

    // What a disabled control's ink is drawn at.
    static constexpr double disabledOpacity = 0.45;

    // The style's font, made from `base` (normally the application font).
    static QFont font(const QFont &base, TextStyle style);
    // The style's font, made from the current application font.
    static QFont font(TextStyle style);

    static QColor color(const QPalette &palette, ThemeColor color);
    static QColor color(const QPalette &palette, ThemeTint tint);

    // Black or white, whichever reads better on `background`.
    static QColor readableTextOn(const QColor &background);
    // WCAG contrast ratio of two opaque colours (1 to 21).
    static double contrastRatio(const QColor &first, const QColor &second);

    // A dark desktop theme: the window is darker than its text. (Labels set their own WindowText; Text
    // stays the theme's.)
    static bool isDark(const QPalette &palette);
};

} // namespace verandel
