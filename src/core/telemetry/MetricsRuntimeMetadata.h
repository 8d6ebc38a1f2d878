#pragma once

#include "telemetry/MetricsAppPlatform.h"
#include "telemetry/MetricsBuildType.h"

#include <QJsonValue>
#include <QString>

#include <optional>

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

    static inline const QString unknownVersion = QStringLiteral("unknown");

    // One to three groups of ASCII digits joined by single dots, blanks around them removed;
    // anything else is "unknown", so no free text ever reaches a beacon.
    static QString sanitizedVersion(const std::optional<QString> &version);

    // All four keys are written and required; the versions are kept as read (the encoder checks them).
    QJsonValue toJson() const;
    static MetricsRuntimeMetadata fromJson(const QJsonValue &json);
};

} // namespace verandel
