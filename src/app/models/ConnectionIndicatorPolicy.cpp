#include "models/ConnectionIndicatorPolicy.h"

namespace verandel {

IndicatorColor ConnectionIndicatorPolicy::color(ConnectionState state)
{
    switch (state) {
    case ConnectionState::Connecting: return IndicatorColor::Blue;
    case ConnectionState::Connected: return IndicatorColor::Green;
    case ConnectionState::Unstable: return IndicatorColor::Orange;
    case ConnectionState::Disconnected:
    case ConnectionState::Error: break;
    }
    return IndicatorColor::Red;
}

IndicatorColor ConnectionIndicatorPolicy::lastSeenColor(double secondsSinceLastSeen)
{
    if (secondsSinceLastSeen < 60) {
        return IndicatorColor::Green;
    }
    if (secondsSinceLastSeen < 300) {
        return IndicatorColor::Yellow;
    }
    if (secondsSinceLastSeen < 1800) {
        return IndicatorColor::Orange;
    }
    return IndicatorColor::Red;
}

QString ConnectionIndicatorPolicy::panelStateText(ConnectionState state)
{
    switch (state) {
    case ConnectionState::Connecting: return QStringLiteral("Connecting…");
    case ConnectionState::Connected: return QStringLiteral("Connected");
    case ConnectionState::Unstable: return QStringLiteral("Unstable connection");
    case ConnectionState::Error: return QStringLiteral("Connection error");
    case ConnectionState::Disconnected: break;
    }
    return QStringLiteral("Disconnected");
}

QString ConnectionIndicatorPolicy::identityConflictText()
{
    return QStringLiteral("Another computer on the network is using this computer's identity. Transfers with it are "
                          "paused.");
}

QString ConnectionIndicatorPolicy::accessibleName(const QString &displayName, ConnectionState state)
{
    return displayName + QStringLiteral(", ") + verandel::displayName(state);
}

} // namespace verandel
