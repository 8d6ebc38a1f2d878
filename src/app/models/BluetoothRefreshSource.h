#pragma once

#include <QString>

namespace verandel {

// Why the device lists are refreshed; it changes nothing but the log line.
enum class BluetoothRefreshSource {
    UserInitiated, // the Devices tab, and the refresh after allowing or stopping a device
    AppLaunchPassive, // the start-up task
    ToolbarPreparation,
};

// "userInitiated", "appLaunchPassive", "toolbarPreparation".
QString toString(BluetoothRefreshSource source);

} // namespace verandel
