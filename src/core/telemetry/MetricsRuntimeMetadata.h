#pragma once

#include "telemetry/MetricsAppPlatform.h"
#include "telemetry/MetricsBuildType.h"

#include <QString>

namespace verandel {

// Four facts about the running program that every queued event carries. The version texts are
// already sanitized: digits and dots only, or "unknown".
struct MetricsRuntimeMetadata
{
    QString appVersion;
    MetricsAppPlatform appPlatform = MetricsAppPlatform::LinuxUnknown;
    QString osVersion;
    MetricsBuildType buildType = MetricsBuildType::NonRelease;

    bool operator==(const MetricsRuntimeMetadata &other) const = default;
};

} // namespace verandel
