#include "telemetry/MetricsRuntimeMetadata.h"

#include "foundation/JsonFields.h"

#include <QRegularExpression>

namespace verandel {

namespace {

const QString appVersionKey = QStringLiteral("appVersion");
const QString appPlatformKey = QStringLiteral("appPlatform");
const QString osVersionKey = QStringLiteral("osVersion");
const QString buildTypeKey = QStringLiteral("buildType");

} // namespace

QString MetricsRuntimeMetadata::sanitizedVersion(const std::optional<QString> &version)
{
    if (!version) {
        return unknownVersion;
    }
    const QString trimmed = version->trimmed();
    // [0-9] rather than \d: Qt's \d also takes other scripts' digits.
    static const QRegularExpression pattern(QStringLiteral("\\A[0-9]+(\\.[0-9]+){0,2}\\z"));
    return pattern.match(trimmed).hasMatch() ? trimmed : unknownVersion;
}

QJsonValue MetricsRuntimeMetadata::toJson() const
{
    return QJsonObject{{appVersionKey, appVersion},
                       {appPlatformKey, verandel::toString(appPlatform)},
                       {osVersionKey, osVersion},
                       {buildTypeKey, verandel::toString(buildType)}};
}

MetricsRuntimeMetadata MetricsRuntimeMetadata::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("MetricsRuntimeMetadata"));
    MetricsRuntimeMetadata metadata;
    metadata.appVersion = json::requireString(object, appVersionKey);
    metadata.appPlatform = json::requireEnum(object, appPlatformKey, &metricsAppPlatformFromString);
    metadata.osVersion = json::requireString(object, osVersionKey);
    metadata.buildType = json::requireEnum(object, buildTypeKey, &metricsBuildTypeFromString);
    return metadata;
}

} // namespace verandel
