#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The processor family the program was built for.
enum class MetricsAppPlatform { LinuxX8664, LinuxArm64, LinuxUnknown };

template <>
inline constexpr auto enumTexts<MetricsAppPlatform> = std::to_array<EnumText<MetricsAppPlatform>>({
    {MetricsAppPlatform::LinuxX8664, u"linux_x86_64"},
    {MetricsAppPlatform::LinuxArm64, u"linux_arm64"},
    {MetricsAppPlatform::LinuxUnknown, u"linux_unknown"},
});

inline std::optional<MetricsAppPlatform> metricsAppPlatformFromString(QStringView text)
{
    return enumFromString<MetricsAppPlatform>(text);
}

} // namespace verandel
