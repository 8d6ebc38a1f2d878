#include "foundation/BluetoothMode.h"

#include "foundation/EnumText.h"

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
    return enumFromString(std::array{BluetoothMode::Real, BluetoothMode::Mock}, text);
}

} // namespace verandel
