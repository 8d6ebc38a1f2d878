#include "foundation/BluetoothMode.h"

namespace verandel {

QString toString(BluetoothMode mode)
{
    switch (mode) {
    case BluetoothMode::Real: return QStringLiteral("real");
    case BluetoothMode::Mock: return QStringLiteral("mock");
    }
    return {};
}

std::optional<BluetoothMode> bluetoothModeFromString(QStringView text)
{
    for (BluetoothMode mode : {BluetoothMode::Real, BluetoothMode::Mock}) {
        if (text == toString(mode)) {
            return mode;
        }
    }
    return std::nullopt;
}

} // namespace verandel
