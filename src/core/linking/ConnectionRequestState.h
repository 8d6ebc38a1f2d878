#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Where a connection request stands.
enum class ConnectionRequestState { None, Connected, Pending, Rejected };

inline constexpr std::array<ConnectionRequestState, 4> allConnectionRequestStates{
    ConnectionRequestState::None, ConnectionRequestState::Connected, ConnectionRequestState::Pending,
    ConnectionRequestState::Rejected};

// "none", "connected", "pending", "rejected".
QString toString(ConnectionRequestState state);
std::optional<ConnectionRequestState> connectionRequestStateFromString(QStringView text);
// "No Request", "Connected", "Pending", "Rejected".
QString displayName(ConnectionRequestState state);
// Connected or rejected.
bool isCompleted(ConnectionRequestState state);
// None to pending, pending to connected or rejected, and any state to itself.
bool isValidTransition(ConnectionRequestState from, ConnectionRequestState to);

} // namespace verandel
