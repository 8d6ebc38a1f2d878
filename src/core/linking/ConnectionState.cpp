#include "linking/ConnectionState.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(ConnectionState state)
{
    switch (state) {
    case ConnectionState::Disconnected: return QStringLiteral("disconnected");
    case ConnectionState::Connecting: return QStringLiteral("connecting");
    case ConnectionState::Connected: return QStringLiteral("connected");
    case ConnectionState::Unstable: return QStringLiteral("unstable");
    case ConnectionState::Error: return QStringLiteral("error");
    }
    return {};
}

std::optional<ConnectionState> connectionStateFromString(QStringView text)
{
    return enumFromString(allConnectionStates, text);
}

QString displayName(ConnectionState state)
{
    const QString raw = toString(state);
    return raw.left(1).toUpper() + raw.mid(1);
}

bool isActive(ConnectionState state)
{
    return state == ConnectionState::Connected || state == ConnectionState::Unstable;
}

bool isTransitional(ConnectionState state)
{
    return state == ConnectionState::Connecting;
}

bool isError(ConnectionState state)
{
    return state == ConnectionState::Error;
}

} // namespace verandel
