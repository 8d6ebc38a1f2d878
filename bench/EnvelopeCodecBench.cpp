// Encoding and decoding a devices-ready envelope with three full descriptors (the largest message the
// system sends) beside the same round trip done with plain QJsonDocument calls: parse the envelope,
// Base64-decode the payload, parse the payload's JSON, write it back compactly, Base64-encode it and
// write the envelope. Both do the same work, so the ratio is what the ordered writer and the strict
// field checks cost.
#include "peer/wire/EventEnvelopeCodec.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

EventEnvelope<DevicesReadyForPairingCommand> devicesReadyEnvelope()
{
    const QUuid recipient = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
    QList<TransferDeviceDescriptor> devices;
    for (int i = 0; i < 3; ++i) {
        devices.append(TransferDeviceDescriptor(QStringLiteral("a4:83:e7:11:22:3%1").arg(i),
                                                QUuid::createUuid().toString(QUuid::WithoutBraces), 0x05AC,
                                                static_cast<quint16>(0x0265 + i), 0x002580));
    }
    return EventEnvelopeCodec::createEnvelope(
        QUuid::createUuid(),
        DevicesReadyForPairingCommand(recipient, QUuid::createUuid().toString(QUuid::WithoutBraces), devices),
        std::nullopt, QDateTime::currentDateTimeUtc());
}

void BM_EnvelopeEncodeDecode(benchmark::State &state)
{
    const auto envelope = devicesReadyEnvelope();
    for (auto _ : state) {
        const EnvelopeResult<QByteArray> bytes = EventEnvelopeCodec::encodeToData(envelope);
        const EnvelopeResult<RawEventEnvelope> raw = EventEnvelopeCodec::decodeFromData(bytes.value());
        const auto payload = EventEnvelopeCodec::decodePayload<DevicesReadyForPairingCommand>(raw.value());
        benchmark::DoNotOptimize(payload.hasValue());
    }
    state.SetBytesProcessed(state.iterations() * EventEnvelopeCodec::encodeToData(envelope)->size());
}
BENCHMARK(BM_EnvelopeEncodeDecode)->Unit(benchmark::kMicrosecond);

void BM_QJsonDocumentRoundTrip(benchmark::State &state)
{
    const QByteArray bytes = EventEnvelopeCodec::encodeToData(devicesReadyEnvelope()).value();
    const QString payloadKey = QStringLiteral("payload");
    for (auto _ : state) {
        QJsonObject envelope = QJsonDocument::fromJson(bytes).object();
        const QByteArray payload = QByteArray::fromBase64(envelope.value(payloadKey).toString().toLatin1());
        const QByteArray payloadJson = QJsonDocument::fromJson(payload).toJson(QJsonDocument::Compact);
        envelope.insert(payloadKey, QString::fromLatin1(payloadJson.toBase64()));
        benchmark::DoNotOptimize(QJsonDocument(envelope).toJson(QJsonDocument::Compact));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_QJsonDocumentRoundTrip)->Unit(benchmark::kMicrosecond);

} // namespace
