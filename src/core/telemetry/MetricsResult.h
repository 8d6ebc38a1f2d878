#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The outcome of a pairing or unpairing.
enum class MetricsResult { Success, Failure, Cancelled };

template <>
inline constexpr auto enumTexts<MetricsResult> = std::to_array<EnumText<MetricsResult>>({
    {MetricsResult::Success, u"success"},
    {MetricsResult::Failure, u"failure"},
    {MetricsResult::Cancelled, u"cancelled"},
});

inline std::optional<MetricsResult> metricsResultFromString(QStringView text)
{
    return enumFromString<MetricsResult>(text);
}

} // namespace verandel
