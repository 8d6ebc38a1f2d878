#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The tabs of the Settings window, in sidebar order; the open-screen option selects one.
enum class SettingsTab { General, ConnectedMacs, Devices };

inline constexpr std::array<SettingsTab, 3> allSettingsTabs{SettingsTab::General, SettingsTab::ConnectedMacs,
                                                            SettingsTab::Devices};

// The tab's title: "General", "Linked Computers", "Devices".
QString toString(SettingsTab tab);
// Exactly one of the three titles, letter case included; anything else is none.
std::optional<SettingsTab> settingsTabFromString(QStringView text);
// The sidebar symbol.
QString iconName(SettingsTab tab);

} // namespace verandel
