#include "linking/ConnectionState.h"

namespace verandel {

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
