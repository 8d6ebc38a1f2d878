#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// Who sent a connection request: another computer (incoming) or this one (outgoing).
enum class ConnectionDirection { Incoming, Outgoing };

inline constexpr std::array<ConnectionDirection, 2> allConnectionDirections{ConnectionDirection::Incoming,
                                                                            ConnectionDirection::Outgoing};

// "incoming", "outgoing".
QString toString(ConnectionDirection direction);
std::optional<ConnectionDirection> connectionDirectionFromString(QStringView text);
// "Incoming", "Outgoing".
QString displayName(ConnectionDirection direction);

} // namespace verandel
