#include "records/ConnectionQuality.h"

namespace verandel {

QString displayName(ConnectionQuality quality)
{
    switch (quality) {
    case ConnectionQuality::Excellent: return QStringLiteral("Excellent");
    case ConnectionQuality::Good: return QStringLiteral("Good");
    case ConnectionQuality::Poor: return QStringLiteral("Poor");
    case ConnectionQuality::Offline: return QStringLiteral("Offline");
    }
    return {};
}

QString colorName(ConnectionQuality quality)
{
    switch (quality) {
    case ConnectionQuality::Excellent: return QStringLiteral("green");
    case ConnectionQuality::Good: return QStringLiteral("yellow");
    case ConnectionQuality::Poor: return QStringLiteral("orange");
    case ConnectionQuality::Offline: return QStringLiteral("red");
    }
    return {};
}

ConnectionQuality connectionQualityForSecondsSinceLastSeen(double seconds)
{
    if (seconds < 60) {
        return ConnectionQuality::Excellent;
    }
    if (seconds < 300) {
        return ConnectionQuality::Good;
    }
    if (seconds < 1800) {
        return ConnectionQuality::Poor;
    }
    return ConnectionQuality::Offline;
}

} // namespace verandel
