#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// A linked computer's health as the connection monitor sees it.
enum class ConnectionState { Disconnected, Connecting, Connected, Unstable, Error };

template <>
inline constexpr auto enumTexts<ConnectionState> = std::to_array<EnumText<ConnectionState>>({
    {ConnectionState::Disconnected, u"disconnected"},
    {ConnectionState::Connecting, u"connecting"},
    {ConnectionState::Connected, u"connected"},
    {ConnectionState::Unstable, u"unstable"},
    {ConnectionState::Error, u"error"},
});

inline constexpr auto allConnectionStates = enumValues<ConnectionState>();

inline std::optional<ConnectionState> connectionStateFromString(QStringView text)
{
    return enumFromString<ConnectionState>(text);
}

// "Disconnected", "Connecting", …
QString displayName(ConnectionState state);
// Connected or unstable: the computer answers.
bool isActive(ConnectionState state);
// Connecting.
bool isTransitional(ConnectionState state);
bool isError(ConnectionState state);

} // namespace verandel
