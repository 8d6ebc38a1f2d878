#include "linking/ConnectionDirection.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(ConnectionDirection direction)
{
    switch (direction) {
    case ConnectionDirection::Incoming: return QStringLiteral("incoming");
    case ConnectionDirection::Outgoing: return QStringLiteral("outgoing");
    }
    return {};
}

std::optional<ConnectionDirection> connectionDirectionFromString(QStringView text)
{
    return enumFromString(allConnectionDirections, text);
}

QString displayName(ConnectionDirection direction)
{
    switch (direction) {
    case ConnectionDirection::Incoming: return QStringLiteral("Incoming");
    case ConnectionDirection::Outgoing: return QStringLiteral("Outgoing");
    }
    return {};
}

} // namespace verandel
