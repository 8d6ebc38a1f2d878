#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// A device's Bluetooth state on this computer.
enum class ConnectionStatus { Connected, NotPaired, PairedNotConnected };

inline constexpr std::array<ConnectionStatus, 3> allConnectionStatuses{
    ConnectionStatus::Connected, ConnectionStatus::NotPaired, ConnectionStatus::PairedNotConnected};

// "connected", "not_paired", "paired_not_connected".
QString toString(ConnectionStatus status);
// Exactly the three raw values.
std::optional<ConnectionStatus> connectionStatusFromString(QStringView text);
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
