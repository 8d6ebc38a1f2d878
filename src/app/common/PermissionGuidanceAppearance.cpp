#include "common/PermissionGuidanceAppearance.h"

namespace verandel {

namespace {

constexpr double limitedFillOpacity = 0.06;
constexpr double limitedBorderOpacity = 0.18;

} // namespace

PermissionGuidanceAppearance PermissionGuidanceAppearance::of(const PermissionGuidanceConfiguration &configuration)
{
    PermissionGuidanceAppearance appearance;
    switch (configuration.style) {
    case PermissionGuidanceStyle::Informational:
        appearance.iconName = QStringLiteral("info.circle.fill");
        appearance.iconColor = ThemeColor::Accent;
        appearance.cardLook = {ThemeTint{ThemeColor::CardBackground}, ThemeTint{ThemeColor::Separator}};
        break;
    case PermissionGuidanceStyle::Denied:
        appearance.iconName = QStringLiteral("gearshape.fill");
        appearance.iconColor = ThemeColor::SecondaryText;
        appearance.cardLook = {ThemeTint{ThemeColor::WindowBackground}, ThemeTint{ThemeColor::Separator}};
        break;
    case PermissionGuidanceStyle::LimitedFunctionality:
        appearance.iconName = QStringLiteral("minus.circle.fill");
        appearance.iconColor = ThemeColor::Orange;
        appearance.cardLook
            = {ThemeTint{ThemeColor::Orange, limitedFillOpacity}, ThemeTint{ThemeColor::Orange, limitedBorderOpacity}};
        break;
    }
    // An empty text counts as absent: a blank row or a button without a title helps nobody.
    appearance.showsDetail = configuration.detail.has_value() && !configuration.detail->isEmpty();
    appearance.showsSecondaryButton = configuration.secondaryActionTitle.has_value()
        && !configuration.secondaryActionTitle->isEmpty() && static_cast<bool>(configuration.secondaryAction);
    return appearance;
}

} // namespace verandel
