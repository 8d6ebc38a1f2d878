#pragma once

#include "telemetry/MetricsRuntimeMetadataProviding.h"

#include <optional>

namespace verandel {

// Metadata worked out once, at construction, and kept for the life of the process: an update of
// the program or of the system shows only after a restart.
class DefaultMetricsRuntimeMetadataProvider final : public MetricsRuntimeMetadataProviding
{
public:
    // osProductVersion is the distribution's version text ("12", "24.04"); isReleaseBuild says
    // whether this build was configured as a release package.
    DefaultMetricsRuntimeMetadataProvider(const std::optional<QString> &appVersion, MetricsAppPlatform appPlatform,
                                          const QString &osProductVersion, bool isReleaseBuild);
    // This program: its compiled-in version, processor family and build type, the running system.
    DefaultMetricsRuntimeMetadataProvider();

    MetricsRuntimeMetadata currentMetricsRuntimeMetadata() const override { return m_metadata; }

    // Constants of the build, not probes of the machine.
    static MetricsAppPlatform currentAppPlatform();
    static bool isReleaseBuild();
    // One to three groups of digits padded to three ("12" is "12.0.0"); anything else is "unknown".
    static QString osVersionString(const QString &productVersion);

private:
    MetricsRuntimeMetadata m_metadata;
};

} // namespace verandel
