#pragma once

#include <QJsonValue>

namespace verandel {

// The user's one telemetry choice, "telemetry-preferences.json".
struct TelemetryPreferences
{
    bool metricsOptInEnabled = true;

    bool operator==(const TelemetryPreferences &other) const = default;

    // "metricsOptInEnabled" is required.
    QJsonValue toJson() const;
    static TelemetryPreferences fromJson(const QJsonValue &json);
};

} // namespace verandel
