#include "linking/ConnectionDirection.h"

namespace verandel {

QString displayName(ConnectionDirection direction)
{
    switch (direction) {
    case ConnectionDirection::Incoming: return QStringLiteral("Incoming");
    case ConnectionDirection::Outgoing: return QStringLiteral("Outgoing");
    }
    return {};
}

} // namespace verandel
