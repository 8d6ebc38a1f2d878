#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The tabs of the Settings window, in sidebar order; the open-screen option selects one.
enum class SettingsTab { General, ConnectedMacs, Devices };

// The tab's title.
template <>
inline constexpr auto enumTexts<SettingsTab> = std::to_array<EnumText<SettingsTab>>({
    {SettingsTab::General, u"General"},
    {SettingsTab::ConnectedMacs, u"Linked Computers"},
    {SettingsTab::Devices, u"Devices"},
});

inline constexpr auto allSettingsTabs = enumValues<SettingsTab>();

// Exactly one of the three titles, letter case included; anything else is none.
inline std::optional<SettingsTab> settingsTabFromString(QStringView text)
{
    return enumFromString<SettingsTab>(text);
}

// The sidebar symbol.
QString iconName(SettingsTab tab);

} // namespace verandel
