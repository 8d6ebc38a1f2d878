#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The processor family the program was built for.
enum class MetricsAppPlatform { LinuxX8664, LinuxArm64, LinuxUnknown };

inline constexpr std::array<MetricsAppPlatform, 3> allMetricsAppPlatforms{
    MetricsAppPlatform::LinuxX8664, MetricsAppPlatform::LinuxArm64, MetricsAppPlatform::LinuxUnknown};

// "linux_x86_64", "linux_arm64", "linux_unknown".
QString toString(MetricsAppPlatform value);
std::optional<MetricsAppPlatform> metricsAppPlatformFromString(QStringView text);

} // namespace verandel
