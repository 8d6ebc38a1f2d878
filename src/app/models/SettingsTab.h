#pragma once

namespace verandel {

// The tabs of the Settings window.
enum class SettingsTab { General, ConnectedMacs, Devices };

} // namespace verandel
