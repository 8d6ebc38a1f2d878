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
    writer.field(u"id", json::uuidToString(envelope.id));
    if (envelope.correlationId) {
        writer.field(u"correlationId", json::uuidToString(*envelope.correlationId));
    }
    writer.field(u"senderMacId", json::uuidToString(envelope.senderMacId));
    writer.field(u"recipientMacId", json::uuidToString(envelope.recipientMacId));
    writer.field(u"type", envelope.type);
    writer.key(u"createdAt");
    writer.number(secondsSinceReferenceDate(envelope.createdAt));
    writer.field(u"payload", QString::fromLatin1(envelope.payload.toBase64()));
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
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'=') {
            ++padding;
            continue;
        }
        const bool alphabet = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
            || c == u'+' || c == u'/';
        if (!alphabet || padding > 0) {
            return std::nullopt;
        }
    }
    if (padding > 2) {
        return std::nullopt;
    }
    const QByteArray latin1 = text.toLatin1();
    const auto decoded = QByteArray::fromBase64Encoding(latin1, QByteArray::AbortOnBase64DecodingErrors);
    // Re-encoding catches non-zero bits in the last character, which a lenient decoder drops.
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok || decoded.decoded.toBase64() != latin1) {
        return std::nullopt;
    }
    return decoded.decoded;
}

} // namespace verandel
