#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace verandel {

// Whether the real or the mock Bluetooth manager runs.
enum class BluetoothMode { Real, Mock };

QString toString(BluetoothMode mode);
// Exact, case-sensitive match of "real" and "mock".
std::optional<BluetoothMode> bluetoothModeFromString(QStringView text);

} // namespace verandel
