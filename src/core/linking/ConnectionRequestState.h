#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Where a connection request stands.
enum class ConnectionRequestState { None, Connected, Pending, Rejected };

template <>
inline constexpr auto enumTexts<ConnectionRequestState> = std::to_array<EnumText<ConnectionRequestState>>({
    {ConnectionRequestState::None, u"none"},
    {ConnectionRequestState::Connected, u"connected"},
    {ConnectionRequestState::Pending, u"pending"},
    {ConnectionRequestState::Rejected, u"rejected"},
});

inline constexpr auto allConnectionRequestStates = enumValues<ConnectionRequestState>();

inline std::optional<ConnectionRequestState> connectionRequestStateFromString(QStringView text)
{
    return enumFromString<ConnectionRequestState>(text);
}

// "No Request", "Connected", "Pending", "Rejected".
QString displayName(ConnectionRequestState state);
// Connected or rejected.
bool isCompleted(ConnectionRequestState state);
// None to pending, pending to connected or rejected, and any state to itself.
bool isValidTransition(ConnectionRequestState from, ConnectionRequestState to);

} // namespace verandel
