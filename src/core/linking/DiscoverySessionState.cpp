#include "linking/DiscoverySessionState.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(DiscoverySessionState state)
{
    switch (state) {
    case DiscoverySessionState::Idle: return QStringLiteral("idle");
    case DiscoverySessionState::Starting: return QStringLiteral("starting");
    case DiscoverySessionState::Discovering: return QStringLiteral("discovering");
    case DiscoverySessionState::Failed: return QStringLiteral("failed");
    case DiscoverySessionState::Stopped: return QStringLiteral("stopped");
    }
    return {};
}

std::optional<DiscoverySessionState> discoverySessionStateFromString(QStringView text)
{
    return enumFromString(allDiscoverySessionStates, text);
}

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
