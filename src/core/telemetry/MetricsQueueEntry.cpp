#include "telemetry/MetricsQueueEntry.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

namespace {

const QString eventKey = QStringLiteral("event");
const QString enqueuedAtKey = QStringLiteral("enqueuedAt");

} // namespace

QJsonValue MetricsQueueEntry::toJson() const
{
    return QJsonObject{{eventKey, event.toJson()}, {enqueuedAtKey, json::toIso8601(enqueuedAt)}};
}

MetricsQueueEntry MetricsQueueEntry::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("MetricsQueueEntry"));
    if (!object.contains(eventKey)) {
        throw JsonDecodeError(QStringLiteral("No value for key \"%1\"").arg(eventKey));
    }
    MetricsQueueEntry entry;
    try {
        entry.event = MetricsEvent::fromJson(object.value(eventKey));
    } catch (const JsonDecodeError &error) {
        throw JsonDecodeError(eventKey + QStringLiteral(": ") + error.description());
    }
    entry.enqueuedAt = json::requireDate(object, enqueuedAtKey);
    return entry;
}

} // namespace verandel
