#pragma once

#include "foundation/JsonDecodeError.h"
#include "peer/wire/EnvelopeError.h"
#include "peer/wire/EnvelopePayload.h"
#include "peer/wire/EventEnvelope.h"
#include "peer/wire/PeerMessages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace verandel {

// Builds, encodes and decodes envelopes under the frame size limit. Every operation returns its value
// or an EnvelopeError; none throws.
//
// Wire form: one compact JSON object with "id", "correlationId" (only when present), "senderMacId",
// "recipientMacId" (upper-case UUIDs, read in either case), "type", "createdAt" (seconds since
// 2001-01-01 00:00:00 UTC) and "payload" (standard padded Base64 of the payload's own JSON).
class EventEnvelopeCodec
{
public:
    // The largest envelope JSON accepted, in bytes, the frame's 4-byte length prefix not counted.
    static constexpr qsizetype MAX_FRAME_SIZE = 16384;

    template <EnvelopeEncodable T>
    static EventEnvelope<T> createEnvelope(const QUuid &senderMacId, const T &event,
                                           const std::optional<QUuid> &correlationId, const QDateTime &createdAt)
    {
        return EventEnvelope<T>{QUuid::createUuid(), correlationId, senderMacId,      QUuid(event.recipientMacId),
                                T::envelopeType(),   event,         createdAt.toUTC()};
    }

    // A ping request with no owned devices and no advertised name.
    static EventEnvelope<SendPingCommand> createPingRequest(const QUuid &senderMacId, const QUuid &recipientMacId,
                                                            const QDateTime &createdAt);

    static EnvelopeResult<QByteArray> encodeToData(const RawEventEnvelope &envelope);
    template <EnvelopeDecodable T>
    static EnvelopeResult<QByteArray> encodeToData(const EventEnvelope<T> &envelope)
    {
        const EnvelopeResult<RawEventEnvelope> raw = toRawEnvelope(envelope);
        if (!raw) {
            return raw.error();
        }
        return encodeToData(raw.value());
    }

    static EnvelopeResult<RawEventEnvelope> decodeFromData(const QByteArray &data);

    // The payload as T, when the envelope's type is exactly T's type.
    template <EnvelopeDecodable T>
    static EnvelopeResult<T> decodePayload(const RawEventEnvelope &envelope)
    {
        if (envelope.type != T::envelopeType()) {
            return EnvelopeError::unexpectedType(T::envelopeType(), envelope.type);
        }
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(envelope.payload, &parseError);
        if (parseError.error != QJsonParseError::NoError) {
            return EnvelopeError::decodingFailed(parseError.errorString());
        }
        try {
            return T::fromJson(document.isObject() ? QJsonValue(document.object()) : QJsonValue());
        } catch (const JsonDecodeError &error) {
            return EnvelopeError::decodingFailed(error.description());
        }
    }

    // The same envelope with the payload written as its JSON bytes; the frame sender takes these.
    template <EnvelopeDecodable T>
    static EnvelopeResult<RawEventEnvelope> toRawEnvelope(const EventEnvelope<T> &envelope)
    {
        WireJsonWriter writer;
        try {
            envelope.payload.writeJson(writer);
        } catch (const JsonEncodeError &error) {
            return EnvelopeError::encodingFailed(error.description());
        }
        return RawEventEnvelope{envelope.id,   envelope.correlationId, envelope.senderMacId, envelope.recipientMacId,
                                envelope.type, writer.take(),          envelope.createdAt};
    }

    // createdAt on the wire.
    static double secondsSinceReferenceDate(const QDateTime &date);
    static std::optional<QDateTime> dateFromSecondsSinceReferenceDate(double seconds);

    // Standard alphabet with "=" padding, nothing else: no blanks, no missing padding, no stray bits.
    static std::optional<QByteArray> decodeBase64Strict(QStringView text);
};

} // namespace verandel
