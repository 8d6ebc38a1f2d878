#include "common/PermissionGuidanceAppearance.h"

namespace verandel {

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
        // Something to act on, not something switched off: the warning tint, as limited functionality.
        appearance.iconName = QStringLiteral("gearshape.fill");
        appearance.iconColor = ThemeColor::Orange;
        appearance.cardLook = CardLook::warning();
        break;
    case PermissionGuidanceStyle::LimitedFunctionality:
        appearance.iconName = QStringLiteral("minus.circle.fill");
        appearance.iconColor = ThemeColor::Orange;
        appearance.cardLook = CardLook::warning();
        break;
    }
    // An empty text counts as absent: a blank row or a button without a title helps nobody.
    appearance.showsDetail = configuration.detail.has_value() && !configuration.detail->isEmpty();
    appearance.showsSecondaryButton = configuration.secondaryActionTitle.has_value()
        && !configuration.secondaryActionTitle->isEmpty() && static_cast<bool>(configuration.secondaryAction);
    return appearance;
}

} // namespace verandel
