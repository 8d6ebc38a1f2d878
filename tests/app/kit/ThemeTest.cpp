#include "kit/Theme.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include "support/TestPalettes.h"

#include <QFontInfo>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

TEST(ThemeTest, ColoursComeFromThePalette)
{
    for (const QPalette &palette : {lightPalette(), darkPalette()}) {
        EXPECT_EQ(Theme::color(palette, ThemeColor::Accent), palette.color(QPalette::Highlight));
        EXPECT_EQ(Theme::color(palette, ThemeColor::CardBackground), palette.color(QPalette::Base));
        EXPECT_EQ(Theme::color(palette, ThemeColor::Separator), palette.color(QPalette::Mid));
        const QColor secondary = Theme::color(palette, ThemeColor::SecondaryText);
        EXPECT_EQ(secondary.rgb(), palette.color(QPalette::Text).rgb());
        EXPECT_NEAR(secondary.alphaF(), 0.55, 0.01);
        EXPECT_NEAR(Theme::color(palette, ThemeTint{ThemeColor::Accent, 0.14}).alphaF(), 0.14, 0.01);
    }
    EXPECT_FALSE(Theme::isDark(lightPalette()));
    EXPECT_TRUE(Theme::isDark(darkPalette()));
}

TEST(ThemeTest, StatusAndSecondaryColoursReadOnLightAndDarkCards)
{
    for (const QPalette &palette : {lightPalette(), darkPalette()}) {
        SCOPED_TRACE(Theme::isDark(palette) ? "dark" : "light");
        for (const QColor background : {palette.color(QPalette::Base), palette.color(QPalette::Window)}) {
            for (const ThemeColor color : {ThemeColor::Green, ThemeColor::Orange, ThemeColor::Red, ThemeColor::Blue}) {
                // Symbols and badge text: at least the contrast of large text.
                EXPECT_GE(Theme::contrastRatio(Theme::color(palette, color), background), 3.0) << int(color);
                // ...also on the badge's own tint of that colour.
                const QColor tint = Theme::over(Theme::color(palette, ThemeTint{color, 0.14}), background);
                EXPECT_GE(Theme::contrastRatio(Theme::color(palette, color), tint), 3.0) << int(color);
            }
            EXPECT_GE(Theme::contrastRatio(Theme::over(Theme::color(palette, ThemeColor::SecondaryText), background),
                                           background),
                      4.0);
        }
    }
    EXPECT_EQ(Theme::readableTextOn(QColor(0x8b, 0, 0)), QColor(Qt::white));
    EXPECT_EQ(Theme::readableTextOn(QColor(0xff, 0xe0, 0x60)), QColor(Qt::black));
    EXPECT_NEAR(Theme::contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
}

TEST(ThemeTest, TextStylesFollowTheApplicationFont)
{
    for (const double points : {9.0, 12.0, 20.0}) {
        SCOPED_TRACE(points);
        QFont base(QStringLiteral("DejaVu Sans"));
        base.setPointSizeF(points);
        const double body = Theme::font(base, TextStyle::Body).pointSizeF();
        EXPECT_DOUBLE_EQ(body, points);
        EXPECT_GT(Theme::font(base, TextStyle::Title).pointSizeF(), body);
        EXPECT_LT(Theme::font(base, TextStyle::Caption).pointSizeF(), body);
        EXPECT_LE(Theme::font(base, TextStyle::Caption).pointSizeF(),
                  Theme::font(base, TextStyle::Subheadline).pointSizeF());
        EXPECT_GT(Theme::font(base, TextStyle::CodeLarge).pointSizeF(),
                  Theme::font(base, TextStyle::Title).pointSizeF());
        EXPECT_EQ(Theme::font(base, TextStyle::Headline).weight(), QFont::DemiBold);
        EXPECT_TRUE(QFontInfo(Theme::font(base, TextStyle::CodeLarge)).fixedPitch());
        EXPECT_TRUE(QFontInfo(Theme::font(base, TextStyle::CodeInline)).fixedPitch());
    }
    QFont tiny;
    tiny.setPointSizeF(5);
    EXPECT_DOUBLE_EQ(Theme::font(tiny, TextStyle::Caption).pointSizeF(), Metrics::minimumPointSize);
    QFont pixels;
    pixels.setPixelSize(16); // a pixel-sized application font still scales
    EXPECT_GT(Theme::font(pixels, TextStyle::Title).pointSizeF(), Theme::font(pixels, TextStyle::Caption).pointSizeF());
}

TEST(ThemeTest, LabelsFollowAPaletteChange)
{
    QWidget window;
    window.setPalette(lightPalette());
    auto *layout = new QVBoxLayout(&window);
    auto *secondary = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText);
    auto *green = new TextLabel(TextStyle::Body, ThemeColor::Green);
    layout->addWidget(secondary);
    layout->addWidget(green);
    EXPECT_EQ(secondary->palette().color(QPalette::WindowText),
              Theme::textColor(lightPalette(), ThemeColor::SecondaryText));

    window.setPalette(darkPalette());
    EXPECT_EQ(secondary->palette().color(QPalette::WindowText),
              Theme::textColor(darkPalette(), ThemeColor::SecondaryText));
    EXPECT_EQ(green->palette().color(QPalette::WindowText), Theme::textColor(darkPalette(), ThemeColor::Green));
    EXPECT_EQ(green->palette().color(QPalette::Base), darkPalette().color(QPalette::Base));
    const QColor disabled = green->palette().color(QPalette::Disabled, QPalette::WindowText);
    EXPECT_LT(disabled.alphaF(), 1.0);
}

TEST(ThemeTest, TextOnEveryTintAndEveryControlOutlineReadUnderLightDarkAndHighContrastPalettes)
{
    const ThemeColor colors[] = {ThemeColor::Accent,
                                 ThemeColor::AccentText,
                                 ThemeColor::CardBackground,
                                 ThemeColor::WindowBackground,
                                 ThemeColor::ControlBackground,
                                 ThemeColor::ControlText,
                                 ThemeColor::Separator,
                                 ThemeColor::PrimaryText,
                                 ThemeColor::SecondaryText,
                                 ThemeColor::Green,
                                 ThemeColor::Orange,
                                 ThemeColor::Red,
                                 ThemeColor::Blue};
    const struct
    {
        const char *name;
        QPalette palette;
    } palettes[] = {{"light", lightPalette()}, {"dark", darkPalette()}, {"high contrast", highContrastPalette()}};
    for (const auto &[name, palette] : palettes) {
        SCOPED_TRACE(name);
        const QList<QColor> surfaces{palette.color(QPalette::Base), palette.color(QPalette::Window)};
        for (const QColor &surface : surfaces) {
            EXPECT_GE(Theme::contrastRatio(Theme::controlOutline(palette), surface), Theme::controlContrast);
        }
        for (const ThemeColor color : colors) {
            SCOPED_TRACE(static_cast<int>(color));
            for (const QColor &surface : surfaces) {
                EXPECT_GE(Theme::contrastRatio(Theme::textColor(palette, color), surface), Theme::textContrast);
            }
            // A badge: ink of a colour on a faint fill of it, and text on a solid fill (the accent's button).
            for (const auto &[ink, fill] : {std::pair{ThemeTint{color}, ThemeTint{color, 0.14}},
                                            std::pair{ThemeTint{ThemeColor::AccentText}, ThemeTint{color}},
                                            std::pair{ThemeTint{ThemeColor::SecondaryText}, ThemeTint{color}}}) {
                const QColor drawn = Theme::inkOn(palette, ink, fill);
                for (const QColor &surface : surfaces) {
                    const QColor under = Theme::over(Theme::color(palette, fill), surface);
                    EXPECT_GE(Theme::contrastRatio(drawn, under), Theme::textContrast);
                }
            }
        }
    }
}

TEST(ThemeTest, AReadableColourStaysAsItIsAndAnUnreadableOneMovesTheLeast)
{
    const QColor black(Qt::black);
    EXPECT_EQ(Theme::readableOn(black, {QColor(Qt::white)}, Theme::textContrast).rgb(), black.rgb());
    // Mid grey on white moves towards black, just far enough.
    const QColor grey = Theme::readableOn(QColor(0x99, 0x99, 0x99), {QColor(Qt::white)}, Theme::textContrast);
    EXPECT_GE(Theme::contrastRatio(grey, Qt::white), Theme::textContrast);
    EXPECT_LT(Theme::contrastRatio(grey, Qt::white), Theme::textContrast + 0.3);
    EXPECT_LT(grey.lightness(), 0x99);
}
