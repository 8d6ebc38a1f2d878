#pragma once

#include "foundation/EnumText.h"

#include <QJsonValue>

namespace verandel {

// A device's Bluetooth state on this computer.
enum class ConnectionStatus { Connected, NotPaired, PairedNotConnected };

template <>
inline constexpr auto enumTexts<ConnectionStatus> = std::to_array<EnumText<ConnectionStatus>>({
    {ConnectionStatus::Connected, u"connected"},
    {ConnectionStatus::NotPaired, u"not_paired"},
    {ConnectionStatus::PairedNotConnected, u"paired_not_connected"},
});

inline constexpr auto allConnectionStatuses = enumValues<ConnectionStatus>();

// Exactly the three raw values.
inline std::optional<ConnectionStatus> connectionStatusFromString(QStringView text)
{
    return enumFromString<ConnectionStatus>(text);
}

// "Connected", "Not paired", "Paired, not connected".
QString displayName(ConnectionStatus status);

// Not paired wins over whatever the connected flag says.
ConnectionStatus connectionStatusFromBluetooth(bool isPaired, bool isConnected);

constexpr bool isAvailable(ConnectionStatus status)
{
    return status == ConnectionStatus::Connected;
}
constexpr bool isNotConnected(ConnectionStatus status)
{
    return status != ConnectionStatus::Connected;
}

QJsonValue toJson(ConnectionStatus status);
// The raw values, and "not_connected" (an older spelling) as PairedNotConnected; throws JsonDecodeError
// for anything else.
ConnectionStatus connectionStatusFromJson(const QJsonValue &json);

} // namespace verandel
