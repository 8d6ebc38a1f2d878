#pragma once

#include "models/PermissionGuidanceStyle.h"

#include <QString>

#include <functional>
#include <optional>

namespace verandel {

// Everything a permission card shows and does; the card has no text of its own. The actions run
// synchronously on the GUI thread when their button is clicked; the card does not hide itself.
struct PermissionGuidanceConfiguration
{
    QString title;
    QString message;
    std::optional<QString> detail;
    PermissionGuidanceStyle style = PermissionGuidanceStyle::Informational;
    QString primaryActionTitle;
    std::function<void()> primaryAction;
    // The secondary button shows only when both its title and its action are given.
    std::optional<QString> secondaryActionTitle;
    std::function<void()> secondaryAction;
};

} // namespace verandel
