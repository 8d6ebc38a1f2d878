#include "linking/DiscoveryServiceState.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(DiscoveryServiceState state)
{
    switch (state) {
    case DiscoveryServiceState::Idle: return QStringLiteral("idle");
    case DiscoveryServiceState::Starting: return QStringLiteral("starting");
    case DiscoveryServiceState::Active: return QStringLiteral("active");
    case DiscoveryServiceState::Stopping: return QStringLiteral("stopping");
    case DiscoveryServiceState::Error: return QStringLiteral("error");
    }
    return {};
}

std::optional<DiscoveryServiceState> discoveryServiceStateFromString(QStringView text)
{
    return enumFromString(allDiscoveryServiceStates, text);
}

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
