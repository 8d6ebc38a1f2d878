#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Whether the real or the mock Bluetooth manager runs.
enum class BluetoothMode { Real, Mock };

template <>
inline constexpr auto enumTexts<BluetoothMode> = std::to_array<EnumText<BluetoothMode>>({
    {BluetoothMode::Real, u"real"},
    {BluetoothMode::Mock, u"mock"},
});

// Exact, case-sensitive match of "real" and "mock".
inline std::optional<BluetoothMode> bluetoothModeFromString(QStringView text)
{
    return enumFromString<BluetoothMode>(text);
}

} // namespace verandel
