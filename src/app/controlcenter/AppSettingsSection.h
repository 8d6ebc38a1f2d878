#pragma once

#include "controlcenter/CheckForUpdatesButtonCompact.h"

#include "models/ToolbarAction.h"

#include <functional>

namespace verandel {

// The update control for a menu-bar panel: a check request becomes the Control Center's
// check-for-updates action.
class AppSettingsSection : public QWidget
{
    Q_OBJECT

public:
    AppSettingsSection(IconProviderPtr icons, std::function<void(const ToolbarAction &)> onAction,
                       QWidget *parent = nullptr);

    CheckForUpdatesButtonCompact *checkForUpdates() const { return m_button; }

private:
    CheckForUpdatesButtonCompact *m_button;
};

} // namespace verandel
