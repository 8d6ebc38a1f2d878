#include "telemetry/TelemetryPreferences.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

namespace {

const QString metricsOptInEnabledKey = QStringLiteral("metricsOptInEnabled");

} // namespace

QJsonValue TelemetryPreferences::toJson() const
{
    return QJsonObject{{metricsOptInEnabledKey, metricsOptInEnabled}};
}

TelemetryPreferences TelemetryPreferences::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("TelemetryPreferences"));
    return TelemetryPreferences{json::requireBool(object, metricsOptInEnabledKey)};
}

} // namespace verandel
