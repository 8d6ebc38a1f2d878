#include "models/SettingsTab.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::General: return QStringLiteral("General");
    case SettingsTab::ConnectedMacs: return QStringLiteral("Linked Computers");
    case SettingsTab::Devices: return QStringLiteral("Devices");
    }
    return {};
}

std::optional<SettingsTab> settingsTabFromString(QStringView text)
{
    return enumFromString(allSettingsTabs, text);
}

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
