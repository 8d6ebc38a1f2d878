#include "kit/Theme.h"

#include "kit/Metrics.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>
#include <cmath>

namespace verandel {

namespace {

constexpr double secondaryTextOpacity = 0.55;

double relativeSize(TextStyle style)
{
    switch (style) {
    case TextStyle::Title: return 1.3;
    case TextStyle::Headline: return 1.0;
    case TextStyle::Body: return 1.0;
    case TextStyle::Callout: return 0.95;
    case TextStyle::Subheadline: return 0.9;
    case TextStyle::Caption: return 0.85;
    case TextStyle::CodeLarge: return 1.85;
    case TextStyle::CodeInline: return 0.95;
    }
    return 1.0;
}

QFont::Weight weight(TextStyle style)
{
    switch (style) {
    case TextStyle::Title:
    case TextStyle::Headline:
    case TextStyle::CodeLarge:
    case TextStyle::CodeInline: return QFont::DemiBold;
    case TextStyle::Body:
    case TextStyle::Callout:
    case TextStyle::Subheadline:
    case TextStyle::Caption: return QFont::Normal;
    }
    return QFont::Normal;
}

// Status colours that keep their meaning on both light and dark themes; the dark variants are lighter so
// that they stay readable on dark cards.
QColor statusColor(ThemeColor color, bool dark)
{
    switch (color) {
    case ThemeColor::Green: return dark ? QColor(0x4c, 0xc7, 0x64) : QColor(0x1f, 0x8a, 0x3a);
    case ThemeColor::Orange: return dark ? QColor(0xf2, 0xa3, 0x3a) : QColor(0xc2, 0x5e, 0x00);
    case ThemeColor::Red: return dark ? QColor(0xff, 0x6b, 0x6b) : QColor(0xc9, 0x2a, 0x2a);
    case ThemeColor::Blue: return dark ? QColor(0x5c, 0x9c, 0xff) : QColor(0x1f, 0x5f, 0xd1);
    default: return {};
    }
}

} // namespace

QFont Theme::font(const QFont &base, TextStyle style)
{
    QFont font = base;
    if (style == TextStyle::CodeLarge || style == TextStyle::CodeInline) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setStyleHint(QFont::Monospace);
    }
    const double basePoints = base.pointSizeF() > 0 ? base.pointSizeF() : QFontInfo(base).pointSizeF();
    font.setPointSizeF(std::max(Metrics::minimumPointSize, basePoints * relativeSize(style)));
    font.setWeight(weight(style));
    return font;
}

QFont Theme::font(TextStyle style)
{
    return font(QApplication::font(), style);
}

QColor Theme::color(const QPalette &palette, ThemeColor color)
{
    switch (color) {
    case ThemeColor::Accent: return palette.color(QPalette::Highlight);
    case ThemeColor::AccentText: return palette.color(QPalette::HighlightedText);
    case ThemeColor::CardBackground: return palette.color(QPalette::Base);
    case ThemeColor::WindowBackground: return palette.color(QPalette::Window);
    case ThemeColor::ControlBackground: return palette.color(QPalette::Button);
    case ThemeColor::ControlText: return palette.color(QPalette::ButtonText);
    case ThemeColor::Separator: return palette.color(QPalette::Mid);
    case ThemeColor::PrimaryText: return palette.color(QPalette::Text);
    case ThemeColor::SecondaryText: {
        QColor text = palette.color(QPalette::Text);
        text.setAlphaF(text.alphaF() * secondaryTextOpacity);
        return text;
    }
    case ThemeColor::Green:
    case ThemeColor::Orange:
    case ThemeColor::Red:
    case ThemeColor::Blue: return statusColor(color, isDark(palette));
    }
    return palette.color(QPalette::Text);
}

QColor Theme::color(const QPalette &palette, ThemeTint tint)
{
    QColor result = color(palette, tint.color);
    result.setAlphaF(result.alphaF() * std::clamp(tint.opacity, 0.0, 1.0));
    return result;
}

QColor Theme::readableTextOn(const QColor &background)
{
    return contrastRatio(background, Qt::white) >= contrastRatio(background, Qt::black) ? QColor(Qt::white)
                                                                                        : QColor(Qt::black);
}

double Theme::contrastRatio(const QColor &first, const QColor &second)
{
    const auto luminance = [](const QColor &color) {
        const auto channel
            = [](double value) { return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
    };
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor Theme::over(const QColor &color, const QColor &background)
{
    const double alpha = color.alphaF();
    return QColor::fromRgbF(static_cast<float>(color.redF() * alpha + background.redF() * (1 - alpha)),
                            static_cast<float>(color.greenF() * alpha + background.greenF() * (1 - alpha)),
                            static_cast<float>(color.blueF() * alpha + background.blueF() * (1 - alpha)));
}

QColor Theme::readableOn(const QColor &wanted, const QList<QColor> &backgrounds, double minimumRatio)
{
    if (backgrounds.isEmpty()) {
        return wanted;
    }
    const QColor start = over(wanted, backgrounds.first());
    const auto readable = [&](const QColor &candidate) {
        return std::all_of(backgrounds.cbegin(), backgrounds.cend(), [&](const QColor &background) {
            return contrastRatio(candidate, background) >= minimumRatio;
        });
    };
    constexpr int steps = 40;
    for (int step = 0; step <= steps; ++step) {
        const double share = static_cast<double>(step) / steps;
        for (const QColor &target : {QColor(Qt::black), QColor(Qt::white)}) {
            const QColor candidate = over(
                QColor::fromRgbF(target.redF(), target.greenF(), target.blueF(), static_cast<float>(share)), start);
            if (readable(candidate)) {
                return candidate;
            }
        }
    }
    return readableTextOn(backgrounds.first());
}

QColor Theme::fillUnder(const QColor &wanted, const QColor &text, double minimumRatio)
{
    const QColor target
        = contrastRatio(text, Qt::white) > contrastRatio(text, Qt::black) ? QColor(Qt::white) : QColor(Qt::black);
    constexpr int steps = 40;
    for (int step = 0; step <= steps; ++step) {
        const double share = static_cast<double>(step) / steps;
        const QColor candidate
            = over(QColor::fromRgbF(target.redF(), target.greenF(), target.blueF(), static_cast<float>(share)), wanted);
        if (contrastRatio(candidate, text) >= minimumRatio) {
            return candidate;
        }
    }
    return target;
}

QColor Theme::inkOn(const QPalette &palette, ThemeTint ink, ThemeTint fill)
{
    const QColor fillColor = color(palette, fill);
    return readableOn(
        color(palette, ink),
        {over(fillColor, palette.color(QPalette::Base)), over(fillColor, palette.color(QPalette::Window))},
        textContrast);
}

QColor Theme::textColor(const QPalette &palette, ThemeColor textColor)
{
    return readableOn(color(palette, textColor), {palette.color(QPalette::Base), palette.color(QPalette::Window)},
                      textContrast);
}

QColor Theme::controlOutline(const QPalette &palette)
{
    return readableOn(color(palette, ThemeColor::Separator),
                      {palette.color(QPalette::Base), palette.color(QPalette::Window)}, controlContrast);
}

bool Theme::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::Text).lightness();
}

} // namespace verandel
