#include "telemetry/DefaultMetricsRuntimeMetadataProvider.h"

#include "foundation/VerandelCore.h"

#include <QSysInfo>

namespace verandel {

DefaultMetricsRuntimeMetadataProvider::DefaultMetricsRuntimeMetadataProvider(const std::optional<QString> &appVersion,
                                                                             MetricsAppPlatform appPlatform,
                                                                             const QString &osProductVersion,
                                                                             bool isReleaseBuild)
    : m_metadata{MetricsRuntimeMetadata::sanitizedVersion(appVersion), appPlatform,
                 MetricsRuntimeMetadata::sanitizedVersion(osVersionString(osProductVersion)),
                 isReleaseBuild ? MetricsBuildType::Release : MetricsBuildType::NonRelease}
{ }

DefaultMetricsRuntimeMetadataProvider::DefaultMetricsRuntimeMetadataProvider()
    : DefaultMetricsRuntimeMetadataProvider(VerandelCore::version, currentAppPlatform(), QSysInfo::productVersion(),
                                            isReleaseBuild())
{ }

MetricsAppPlatform DefaultMetricsRuntimeMetadataProvider::currentAppPlatform()
{
#if defined(__linux__) && defined(__x86_64__)
    return MetricsAppPlatform::LinuxX8664;
#elif defined(__linux__) && defined(__aarch64__)
    return MetricsAppPlatform::LinuxArm64;
#else
    return MetricsAppPlatform::LinuxUnknown;
#endif
}

bool DefaultMetricsRuntimeMetadataProvider::isReleaseBuild()
{
#ifdef VERANDEL_RELEASE_PACKAGE
    return true;
#else
    return false;
#endif
}

QString DefaultMetricsRuntimeMetadataProvider::osVersionString(const QString &productVersion)
{
    QString padded = MetricsRuntimeMetadata::sanitizedVersion(productVersion);
    if (padded == MetricsRuntimeMetadata::unknownVersion) {
        return padded;
    }
    for (qsizetype groups = padded.count(QLatin1Char('.')) + 1; groups < 3; ++groups) {
        padded += QStringLiteral(".0");
    }
    return padded;
}

} // namespace verandel
