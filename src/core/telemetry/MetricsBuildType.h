#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Whether the program was built as a release package.
enum class MetricsBuildType { Release, NonRelease };

template <>
inline constexpr auto enumTexts<MetricsBuildType> = std::to_array<EnumText<MetricsBuildType>>({
    {MetricsBuildType::Release, u"release"},
    {MetricsBuildType::NonRelease, u"non_release"},
});

inline std::optional<MetricsBuildType> metricsBuildTypeFromString(QStringView text)
{
    return enumFromString<MetricsBuildType>(text);
}

} // namespace verandel
