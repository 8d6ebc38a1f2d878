#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Why the device lists are refreshed; it changes nothing but the log line.
enum class BluetoothRefreshSource {
    UserInitiated, // the Devices tab, and the refresh after allowing or stopping a device
    AppLaunchPassive, // the start-up task
    ToolbarPreparation,
};

template <>
inline constexpr auto enumTexts<BluetoothRefreshSource> = std::to_array<EnumText<BluetoothRefreshSource>>({
    {BluetoothRefreshSource::UserInitiated, u"userInitiated"},
    {BluetoothRefreshSource::AppLaunchPassive, u"appLaunchPassive"},
    {BluetoothRefreshSource::ToolbarPreparation, u"toolbarPreparation"},
});

} // namespace verandel
