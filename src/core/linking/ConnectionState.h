#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// A linked computer's health as the connection monitor sees it.
enum class ConnectionState { Disconnected, Connecting, Connected, Unstable, Error };

inline constexpr std::array<ConnectionState, 5> allConnectionStates{
    ConnectionState::Disconnected, ConnectionState::Connecting, ConnectionState::Connected, ConnectionState::Unstable,
    ConnectionState::Error};

// "disconnected", "connecting", "connected", "unstable", "error".
QString toString(ConnectionState state);
std::optional<ConnectionState> connectionStateFromString(QStringView text);
// "Disconnected", "Connecting", …
QString displayName(ConnectionState state);
// Connected or unstable: the computer answers.
bool isActive(ConnectionState state);
// Connecting.
bool isTransitional(ConnectionState state);
bool isError(ConnectionState state);

} // namespace verandel
