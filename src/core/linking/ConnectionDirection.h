#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Who sent a connection request: another computer (incoming) or this one (outgoing).
enum class ConnectionDirection { Incoming, Outgoing };

template <>
inline constexpr auto enumTexts<ConnectionDirection> = std::to_array<EnumText<ConnectionDirection>>({
    {ConnectionDirection::Incoming, u"incoming"},
    {ConnectionDirection::Outgoing, u"outgoing"},
});

inline constexpr auto allConnectionDirections = enumValues<ConnectionDirection>();

inline std::optional<ConnectionDirection> connectionDirectionFromString(QStringView text)
{
    return enumFromString<ConnectionDirection>(text);
}

// "Incoming", "Outgoing".
QString displayName(ConnectionDirection direction);

} // namespace verandel
