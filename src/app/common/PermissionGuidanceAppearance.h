#pragma once

#include "kit/CardLook.h"
#include "kit/ThemeColor.h"
#include "models/PermissionGuidanceConfiguration.h"

#include <QString>

namespace verandel {

// What a permission card derives from its configuration: the style's symbol, symbol colour and card
// look, and which of the optional rows it shows.
struct PermissionGuidanceAppearance
{
    QString iconName;
    ThemeColor iconColor = ThemeColor::Accent;
    CardLook cardLook;
    bool showsDetail = false;
    bool showsSecondaryButton = false;

    static PermissionGuidanceAppearance of(const PermissionGuidanceConfiguration &configuration);

    friend bool operator==(const PermissionGuidanceAppearance &, const PermissionGuidanceAppearance &) = default;
};

} // namespace verandel
