#include "models/SettingsTab.h"

namespace verandel {

QString iconName(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::General: return QStringLiteral("gearshape");
    case SettingsTab::ConnectedMacs: return QStringLiteral("desktopcomputer");
    case SettingsTab::Devices: return QStringLiteral("keyboard");
    }
    return {};
}

} // namespace verandel
