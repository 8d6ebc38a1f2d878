#pragma once

#include "records/ConnectedMac.h"

#include <optional>

namespace verandel {

// What a Control Center card reports: a transfer, or a way to the settings or out of the program.
struct ToolbarAction
{
    enum class Kind {
        SendControl,
        TakeControl,
        ManageConnectedMacs,
        ManageDevices,
        ShowSettings,
        CheckForUpdates,
        Quit
    };

    Kind kind = Kind::TakeControl;
    // The computer to send to, for SendControl only.
    std::optional<ConnectedMac> target;

    static ToolbarAction sendControl(ConnectedMac mac) { return {Kind::SendControl, std::move(mac)}; }
    static ToolbarAction of(Kind kind) { return {kind, std::nullopt}; }
    bool operator==(const ToolbarAction &) const = default;
};

// What the Control Center asks its host to do outside itself.
enum class SettingsAction { ShowGeneral, ShowConnectedMacs, ShowDevices, CheckForUpdates, Quit };

} // namespace verandel
