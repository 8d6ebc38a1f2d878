#include "mock/DebugConnectionRequestCoding.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include <QJsonObject>

namespace verandel {

namespace {

const QString timestampKey = QStringLiteral("timestamp");

} // namespace

QJsonValue DebugConnectionRequestCoding::encode(const ConnectionRequest &request)
{
    QJsonObject object = request.toJson().toObject();
    object.insert(timestampKey, EventEnvelopeCodec::secondsSinceReferenceDate(request.timestamp()));
    return object;
}

ConnectionRequest DebugConnectionRequestCoding::decode(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("connection request"));
    const std::optional<QDateTime> timestamp
        = EventEnvelopeCodec::dateFromSecondsSinceReferenceDate(json::requireDouble(object, timestampKey));
    if (!timestamp) {
        throw JsonDecodeError(QStringLiteral("Number out of range for key \"timestamp\""));
    }
    // Every other key by the request's own rules, which read the time stamp as ISO text.
    QJsonObject withIsoTimestamp = object;
    withIsoTimestamp.insert(timestampKey, json::toIso8601(*timestamp));
    const ConnectionRequest request = ConnectionRequest::fromJson(withIsoTimestamp);
    return ConnectionRequest(request.id(), request.otherMacId(), *timestamp, request.securityCode(), request.state(),
                             request.direction());
}

} // namespace verandel
