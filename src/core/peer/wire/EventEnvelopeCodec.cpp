#include "peer/wire/EventEnvelopeCodec.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

#include <cmath>

namespace verandel {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 kReferenceDateMs = 978307200000;
// Dates further than this from the reference date (about 3000 years) are refused.
constexpr double kMaxAbsoluteSeconds = 1e11;

QString frameSizeText(qsizetype size)
{
    return QStringLiteral("Frame size %1 exceeds maximum %2")
        .arg(QString::number(size), QString::number(EventEnvelopeCodec::MAX_FRAME_SIZE));
}

} // namespace

EventEnvelope<SendPingCommand>
EventEnvelopeCodec::createPingRequest(const QUuid &senderMacId, const QUuid &recipientMacId, const QDateTime &createdAt)
{
    return createEnvelope(senderMacId, SendPingCommand(recipientMacId, {}, std::nullopt), std::nullopt, createdAt);
}

EnvelopeResult<QByteArray> EventEnvelopeCodec::encodeToData(const RawEventEnvelope &envelope)
{
    if (!envelope.createdAt.isValid()) {
        return EnvelopeError::encodingFailed(QStringLiteral("Invalid createdAt date"));
    }
    WireJsonWriter writer;
    writer.beginObject();
    writer.key(u"id");
    writer.uuid(envelope.id);
    if (envelope.correlationId) {
        writer.key(u"correlationId");
        writer.uuid(*envelope.correlationId);
    }
    writer.key(u"senderMacId");
    writer.uuid(envelope.senderMacId);
    writer.key(u"recipientMacId");
    writer.uuid(envelope.recipientMacId);
    writer.field(u"type", envelope.type);
    writer.key(u"createdAt");
    writer.number(secondsSinceReferenceDate(envelope.createdAt));
    writer.key(u"payload");
    const QByteArray base64 = envelope.payload.toBase64();
    writer.string(QLatin1StringView(base64));
    writer.endObject();
    QByteArray data = writer.take();
    if (data.size() > MAX_FRAME_SIZE) {
        return EnvelopeError::encodingFailed(frameSizeText(data.size()));
    }
    return data;
}

EnvelopeResult<RawEventEnvelope> EventEnvelopeCodec::decodeFromData(const QByteArray &data)
{
    if (data.size() > MAX_FRAME_SIZE) {
        return EnvelopeError::decodingFailed(frameSizeText(data.size()));
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return EnvelopeError::decodingFailed(parseError.errorString());
    }
    try {
        const QJsonObject object = json::requireObject(
            document.isObject() ? QJsonValue(document.object()) : QJsonValue(), QStringLiteral("EventEnvelope"));
        RawEventEnvelope envelope;
        envelope.id = json::requireUuid(object, QStringLiteral("id"));
        envelope.correlationId = json::optionalUuid(object, QStringLiteral("correlationId"));
        envelope.senderMacId = json::requireUuid(object, QStringLiteral("senderMacId"));
        envelope.recipientMacId = json::requireUuid(object, QStringLiteral("recipientMacId"));
        envelope.type = json::requireString(object, QStringLiteral("type"));
        const std::optional<QDateTime> createdAt
            = dateFromSecondsSinceReferenceDate(json::requireDouble(object, QStringLiteral("createdAt")));
        if (!createdAt) {
            return EnvelopeError::decodingFailed(QStringLiteral("Date out of range for key \"createdAt\""));
        }
        envelope.createdAt = *createdAt;
        const std::optional<QByteArray> payload
            = decodeBase64Strict(json::requireString(object, QStringLiteral("payload")));
        if (!payload) {
            return EnvelopeError::decodingFailed(
                QStringLiteral("Encountered Data is not valid Base64 for key \"payload\""));
        }
        envelope.payload = *payload;
        return envelope;
    } catch (const JsonDecodeError &error) {
        return EnvelopeError::decodingFailed(error.description());
    }
}

double EventEnvelopeCodec::secondsSinceReferenceDate(const QDateTime &date)
{
    return static_cast<double>(date.toMSecsSinceEpoch() - kReferenceDateMs) / 1000.0;
}

std::optional<QDateTime> EventEnvelopeCodec::dateFromSecondsSinceReferenceDate(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxAbsoluteSeconds) {
        return std::nullopt;
    }
    const auto ms = static_cast<qint64>(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(ms + kReferenceDateMs, Qt::UTC);
}

std::optional<QByteArray> EventEnvelopeCodec::decodeBase64Strict(QStringView text)
{
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    qsizetype padding = 0;
    int lastValue = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'=') {
            ++padding;
            continue;
        }
        int value = -1;
        if (c >= u'A' && c <= u'Z') {
            value = c - u'A';
        } else if (c >= u'a' && c <= u'z') {
            value = c - u'a' + 26;
        } else if (c >= u'0' && c <= u'9') {
            value = c - u'0' + 52;
        } else if (c == u'+') {
            value = 62;
        } else if (c == u'/') {
            value = 63;
        }
        if (value < 0 || padding > 0) {
            return std::nullopt;
        }
        lastValue = value;
    }
    // The bits of the last character that carry no byte must be zero, or two texts would decode to the
    // same bytes (a lenient decoder drops them).
    if (padding > 2 || (padding == 1 && (lastValue & 0x3) != 0) || (padding == 2 && (lastValue & 0xF) != 0)) {
        return std::nullopt;
    }
    const QByteArray latin1 = text.toLatin1();
    const auto decoded = QByteArray::fromBase64Encoding(latin1, QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok) {
        return std::nullopt;
    }
    return decoded.decoded;
}

} // namespace verandel
