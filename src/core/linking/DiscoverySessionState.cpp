#include "linking/DiscoverySessionState.h"

namespace verandel {

QString displayName(DiscoverySessionState state)
{
    const QString raw = toString(state);
    return raw.left(1).toUpper() + raw.mid(1);
}

bool isActive(DiscoverySessionState state)
{
    return state == DiscoverySessionState::Starting || state == DiscoverySessionState::Discovering;
}

bool isCompleted(DiscoverySessionState state)
{
    return state == DiscoverySessionState::Failed || state == DiscoverySessionState::Stopped;
}

} // namespace verandel
