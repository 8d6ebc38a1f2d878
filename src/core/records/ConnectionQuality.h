#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// How recently a linked computer was last heard from.
enum class ConnectionQuality { Excellent, Good, Poor, Offline };

template <>
inline constexpr auto enumTexts<ConnectionQuality> = std::to_array<EnumText<ConnectionQuality>>({
    {ConnectionQuality::Excellent, u"excellent"},
    {ConnectionQuality::Good, u"good"},
    {ConnectionQuality::Poor, u"poor"},
    {ConnectionQuality::Offline, u"offline"},
});

inline std::optional<ConnectionQuality> connectionQualityFromString(QStringView text)
{
    return enumFromString<ConnectionQuality>(text);
}

QString displayName(ConnectionQuality quality);
// "green", "yellow", "orange", "red".
QString colorName(ConnectionQuality quality);

// Below 60 s excellent, below 300 s good, below 1800 s poor, else (NaN included) offline.
ConnectionQuality connectionQualityForSecondsSinceLastSeen(double seconds);

} // namespace verandel
