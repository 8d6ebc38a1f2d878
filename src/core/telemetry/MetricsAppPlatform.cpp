#include "telemetry/MetricsAppPlatform.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(MetricsAppPlatform value)
{
    switch (value) {
    case MetricsAppPlatform::LinuxX8664: return QStringLiteral("linux_x86_64");
    case MetricsAppPlatform::LinuxArm64: return QStringLiteral("linux_arm64");
    case MetricsAppPlatform::LinuxUnknown: return QStringLiteral("linux_unknown");
    }
    return {};
}

std::optional<MetricsAppPlatform> metricsAppPlatformFromString(QStringView text)
{
    return enumFromString(allMetricsAppPlatforms, text);
}

} // namespace verandel
