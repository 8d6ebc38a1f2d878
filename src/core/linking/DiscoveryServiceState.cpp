#include "linking/DiscoveryServiceState.h"

namespace verandel {

QString displayName(DiscoveryServiceState state)
{
    const QString raw = toString(state);
    return raw.left(1).toUpper() + raw.mid(1);
}

bool isActive(DiscoveryServiceState state)
{
    return state == DiscoveryServiceState::Active;
}

bool canStartDiscovery(DiscoveryServiceState state)
{
    return state == DiscoveryServiceState::Idle || state == DiscoveryServiceState::Error;
}

bool canStopDiscovery(DiscoveryServiceState state)
{
    return state == DiscoveryServiceState::Starting || state == DiscoveryServiceState::Active;
}

} // namespace verandel
