#pragma once

#include "kit/TextStyle.h"
#include "kit/ThemeColor.h"
#include "kit/ThemeTint.h"

#include <QColor>
#include <QFont>
#include <QList>
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

    // The least contrast of text against what it is drawn on, and of a control's outline or off track
    // against its card (WCAG 2: 4.5:1 and 3:1).
    static constexpr double textContrast = 4.5;
    static constexpr double controlContrast = 3.0;

    // Black or white, whichever reads better on `background`.
    static QColor readableTextOn(const QColor &background);
    // WCAG contrast ratio of two opaque colours (1 to 21).
    static double contrastRatio(const QColor &first, const QColor &second);
    // What a translucent colour looks like over an opaque background.
    static QColor over(const QColor &color, const QColor &background);
    // `wanted` as drawn over the first background, moved towards black or white by the least step that
    // gives `minimumRatio` against every background (all opaque). The accent comes from the desktop's
    // palette, so no fixed colour can promise this; it is chosen when drawn.
    static QColor readableOn(const QColor &wanted, const QList<QColor> &backgrounds, double minimumRatio);
    // `wanted` (opaque) moved towards black, or towards white for dark text, by the least step that lets
    // `text` read on it at `minimumRatio`: the fill behind text whose colour is fixed.
    static QColor fillUnder(const QColor &wanted, const QColor &text, double minimumRatio);
    // The ink of text or a symbol on a fill of `fill`, which may lie on a card or on the window: `ink`
    // made readable on both.
    static QColor inkOn(const QPalette &palette, ThemeTint ink, ThemeTint fill);
    // Text of `color` straight on a card or on the window.
    static QColor textColor(const QPalette &palette, ThemeColor color);
    // A control's outline and off track: the separator colour, made to stand out from cards and window.
    static QColor controlOutline(const QPalette &palette);

    // A dark desktop theme: the window is darker than its text. (Labels set their own WindowText; Text
    // stays the theme's.)
    static bool isDark(const QPalette &palette);
};

} // namespace verandel
