#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// How recently a linked computer was last heard from.
enum class ConnectionQuality { Excellent, Good, Poor, Offline };

inline constexpr std::array<ConnectionQuality, 4> allConnectionQualities{
    ConnectionQuality::Excellent, ConnectionQuality::Good, ConnectionQuality::Poor, ConnectionQuality::Offline};

// "excellent", "good", "poor", "offline".
QString toString(ConnectionQuality quality);
std::optional<ConnectionQuality> connectionQualityFromString(QStringView text);
QString displayName(ConnectionQuality quality);
// "green", "yellow", "orange", "red".
QString colorName(ConnectionQuality quality);

// Below 60 s excellent, below 300 s good, below 1800 s poor, else (NaN included) offline.
ConnectionQuality connectionQualityForSecondsSinceLastSeen(double seconds);

} // namespace verandel
