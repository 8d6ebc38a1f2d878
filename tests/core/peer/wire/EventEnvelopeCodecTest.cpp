#include "peer/wire/EventEnvelopeCodec.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kRecipient = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
const QUuid kSender = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000002"));
const QUuid kId = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-0000000000ff"));
const QDateTime kReferenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
const QDateTime kCreatedAt = kReferenceDate.addMSecs(800000000500);

const QByteArray kGoldenPing
    = R"({"id":"A1B2C3D4-0000-4000-8000-0000000000FF",)"
      R"("senderMacId":"A1B2C3D4-0000-4000-8000-000000000002",)"
      R"("recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001",)"
      R"("type":"ping_request","createdAt":800000000.5,)"
      R"("payload":"eyJyZWNpcGllbnRNYWNJZCI6IkExQjJDM0Q0LTAwMDAtNDAwMC04MDAwLTAwMDAwMDAwMDAwMSIs)"
      R"(Im93bmVkRGV2aWNlTWFjQWRkcmVzc2VzIjpbXX0="})";

RawEventEnvelope rawEnvelope(QString type, QByteArray payload)
{
    return RawEventEnvelope{kId, std::nullopt, kSender, kRecipient, std::move(type), std::move(payload), kCreatedAt};
}

QByteArray withoutKey(QByteArray json, const QByteArray &fragment)
{
    return json.replace(fragment, QByteArray());
}

} // namespace

TEST(EventEnvelopeCodecTest, GoldenEnvelope)
{
    EventEnvelope<SendPingCommand> envelope{kId,
                                            std::nullopt,
                                            kSender,
                                            kRecipient,
                                            QStringLiteral("ping_request"),
                                            SendPingCommand(kRecipient, {}, std::nullopt),
                                            kCreatedAt};
    const auto encoded = EventEnvelopeCodec::encodeToData(envelope);
    ASSERT_TRUE(encoded) << encoded.error().description().toStdString();
    EXPECT_EQ(encoded.value(), kGoldenPing);

    const auto decoded = EventEnvelopeCodec::decodeFromData(kGoldenPing);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->id, kId);
    EXPECT_EQ(decoded->createdAt, kCreatedAt);
    const auto payload = EventEnvelopeCodec::decodePayload<SendPingCommand>(decoded.value());
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload.value(), envelope.payload);
}

TEST(EventEnvelopeCodecTest, SlashesInBase64AreEscapedAndRawPayloadsRoundTrip)
{
    RawEventEnvelope envelope = rawEnvelope(QStringLiteral("a/b"), QByteArray("???"));
    envelope.correlationId = kRecipient;
    const auto encoded = EventEnvelopeCodec::encodeToData(envelope);
    ASSERT_TRUE(encoded);
    EXPECT_TRUE(encoded->contains(R"("payload":"Pz8\/")")) << encoded->constData();
    EXPECT_TRUE(encoded->contains(R"("type":"a\/b")"));
    EXPECT_TRUE(encoded->contains(R"("correlationId":"A1B2C3D4-0000-4000-8000-000000000001")"));

    const auto decoded = EventEnvelopeCodec::decodeFromData(encoded.value());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded.value(), envelope);
    EXPECT_EQ(EventEnvelopeCodec::encodeToData(decoded.value()).value(), encoded.value());
}

TEST(EventEnvelopeCodecTest, SizeBoundaryAtTheFrameLimit)
{
    // The type is written as it stands, so its length tunes the document to an exact size.
    const qsizetype base = EventEnvelopeCodec::encodeToData(rawEnvelope(QString(), QByteArray(300, 'x')))->size();
    const QString exact(EventEnvelopeCodec::MAX_FRAME_SIZE - base, QLatin1Char('t'));
    const auto atLimit = EventEnvelopeCodec::encodeToData(rawEnvelope(exact, QByteArray(300, 'x')));
    ASSERT_TRUE(atLimit);
    EXPECT_EQ(atLimit->size(), 16384);
    EXPECT_TRUE(EventEnvelopeCodec::decodeFromData(atLimit.value()));

    const auto overLimit
        = EventEnvelopeCodec::encodeToData(rawEnvelope(exact + QLatin1Char('t'), QByteArray(300, 'x')));
    ASSERT_FALSE(overLimit);
    EXPECT_EQ(overLimit.error(),
              EnvelopeError::encodingFailed(QStringLiteral("Frame size 16385 exceeds maximum 16384")));
    EXPECT_EQ(overLimit.error().description(),
              QStringLiteral("Failed to encode envelope: Frame size 16385 exceeds maximum 16384"));

    const auto tooLong = EventEnvelopeCodec::decodeFromData(atLimit.value() + ' ');
    ASSERT_FALSE(tooLong);
    EXPECT_EQ(tooLong.error().description(),
              QStringLiteral("Failed to decode envelope: Frame size 16385 exceeds maximum 16384"));
}

TEST(EventEnvelopeCodecTest, ThreeFullDescriptorsFitWhereTheOldLimitDroppedThem)
{
    const QList<TransferDeviceDescriptor> devices
        = {TransferDeviceDescriptor(QStringLiteral("a4:83:e7:11:22:33"),
                                    QUuid::createUuid().toString(QUuid::WithoutBraces), 0x05AC, 0x029C, 0x000540),
           TransferDeviceDescriptor(QStringLiteral("a4:83:e7:44:55:66"),
                                    QUuid::createUuid().toString(QUuid::WithoutBraces), 0x05AC, 0x0265, 0x002580),
           TransferDeviceDescriptor(QStringLiteral("a4:83:e7:77:88:99"),
                                    QUuid::createUuid().toString(QUuid::WithoutBraces), 0x05AC, 0x0269, 0x002580)};
    const auto envelope = EventEnvelopeCodec::createEnvelope(
        kSender, DevicesReadyForPairingCommand(kRecipient, QUuid::createUuid().toString(QUuid::WithoutBraces), devices),
        std::nullopt, kCreatedAt);
    const auto encoded = EventEnvelopeCodec::encodeToData(envelope);
    ASSERT_TRUE(encoded);
    EXPECT_GT(encoded->size(), 1024);
}

TEST(EventEnvelopeCodecTest, ReadsNullCorrelationLowerCaseUuidsAndExtraKeys)
{
    EXPECT_FALSE(kGoldenPing.contains("correlationId"));
    const QByteArray variants[] = {
        QByteArray(kGoldenPing).replace(R"("type")", R"("correlationId":null,"type")"),
        QByteArray(kGoldenPing).replace("A1B2C3D4-0000-4000-8000-0000000000FF", "a1b2c3d4-0000-4000-8000-0000000000ff"),
        QByteArray(kGoldenPing).replace(R"("type")", R"("unknown":{"a":[1,2]},"type")"),
    };
    for (const QByteArray &variant : variants) {
        const auto decoded = EventEnvelopeCodec::decodeFromData(variant);
        ASSERT_TRUE(decoded) << variant.constData();
        EXPECT_EQ(decoded->id, kId);
        EXPECT_EQ(decoded->correlationId, std::nullopt);
        // Written back, it is the golden form again: upper-case UUIDs, no null keys.
        EXPECT_EQ(EventEnvelopeCodec::encodeToData(decoded.value()).value(), kGoldenPing);
    }
}

TEST(EventEnvelopeCodecTest, UnexpectedTypeIsExactAndCaseSensitive)
{
    const auto response = EventEnvelopeCodec::decodePayload<SendPingCommand>(
        rawEnvelope(QStringLiteral("ping_response"), QByteArray("not even json")));
    ASSERT_FALSE(response);
    EXPECT_EQ(response.error(),
              EnvelopeError::unexpectedType(QStringLiteral("ping_request"), QStringLiteral("ping_response")));
    EXPECT_EQ(response.error().description(),
              QStringLiteral("Unexpected envelope type. Expected: ping_request, got: ping_response"));
    EXPECT_FALSE(EventEnvelopeCodec::decodePayload<SendPingCommand>(
        rawEnvelope(QStringLiteral("Ping_request"), R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001"})")));
}

TEST(EventEnvelopeCodecTest, RefusesWhatIsNotStrictlyAnEnvelope)
{
    const QList<QByteArray> bad = {
        QByteArray(),
        "[]",
        "{",
        withoutKey(kGoldenPing, R"("type":"ping_request",)"),
        withoutKey(kGoldenPing, R"("createdAt":800000000.5,)"),
        QByteArray(kGoldenPing).replace(R"(,"payload":"eyJ)", R"(,"other":"eyJ)"),
        QByteArray(kGoldenPing)
            .replace("A1B2C3D4-0000-4000-8000-0000000000FF", "{A1B2C3D4-0000-4000-8000-0000000000FF}"),
        QByteArray(kGoldenPing).replace("A1B2C3D4-0000-4000-8000-0000000000FF", "A1B2C3D4000040008000-0000000000FF"),
        QByteArray(kGoldenPing).replace("800000000.5", "\"800000000.5\""),
        QByteArray(kGoldenPing).replace("800000000.5", "1e300"),
        // Base64 without padding, with a blank, with stray low bits, or with a URL-safe letter.
        QByteArray(kGoldenPing).replace("XX0=", "XX0"),
        QByteArray(kGoldenPing).replace("eyJy", "eyJ y"),
        QByteArray(kGoldenPing).replace("XX0=", "XX1="),
        QByteArray(kGoldenPing).replace("eyJy", "eyJ_"),
    };
    for (const QByteArray &data : bad) {
        const auto decoded = EventEnvelopeCodec::decodeFromData(data);
        ASSERT_FALSE(decoded) << data.constData();
        EXPECT_EQ(decoded.error().kind(), EnvelopeError::Kind::DecodingFailed);
        EXPECT_TRUE(decoded.error().description().startsWith(QStringLiteral("Failed to decode envelope: ")));
    }
}

TEST(EventEnvelopeCodecTest, Base64IsReadOnlyInItsOneCanonicalForm)
{
    const struct
    {
        const char *text;
        std::optional<QByteArray> bytes;
    } cases[] = {
        {"", QByteArray()},
        {"QQ==", QByteArray("A")},
        {"QUI=", QByteArray("AB")},
        {"QUJD", QByteArray("ABC")},
        {"+/+/", QByteArray::fromHex("fbffbf")},
        {"QR==", std::nullopt}, // bits that carry no byte must be zero
        {"QUJ=", std::nullopt},
        {"QQ", std::nullopt},
        {"A===", std::nullopt},
        {"====", std::nullopt},
        {"QQ=A", std::nullopt},
        {"QU D", std::nullopt},
        {"QU-_", std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EventEnvelopeCodec::decodeBase64Strict(QString::fromLatin1(c.text)), c.bytes) << c.text;
    }
}
