#include "telemetry/MetricsTransportEncoder.h"

#include "foundation/JsonFields.h"

#include <QUrlQuery>

#include <algorithm>

namespace verandel {

namespace {

using Items = QList<std::pair<QString, QString>>;

const MetricsRuntimeMetadata &normalizedRuntimeMetadata(const std::optional<MetricsRuntimeMetadata> &metadata)
{
    if (!metadata) {
        throw MetricsTransportEncoderError::missingRuntimeMetadata();
    }
    if (metadata->appVersion != MetricsRuntimeMetadata::sanitizedVersion(metadata->appVersion)) {
        throw MetricsTransportEncoderError::invalidRuntimeMetadata(QStringLiteral("av"));
    }
    if (metadata->osVersion != MetricsRuntimeMetadata::sanitizedVersion(metadata->osVersion)) {
        throw MetricsTransportEncoderError::invalidRuntimeMetadata(QStringLiteral("ov"));
    }
    return *metadata;
}

QString normalizedIdentifier(const QString &text, const QString &queryKey)
{
    const std::optional<QUuid> uuid = json::uuidFromString(text);
    if (!uuid) {
        throw MetricsTransportEncoderError::invalidIdentifier(queryKey);
    }
    return uuid->toString(QUuid::WithoutBraces).toLower();
}

void appendIdentifier(Items &items, const QString &key, const std::optional<QString> &value)
{
    if (value) {
        items.append({key, normalizedIdentifier(*value, key)});
    }
}

template <typename T>
void appendNumber(Items &items, const QString &key, const std::optional<T> &value)
{
    if (value) {
        items.append({key, QString::number(*value)});
    }
}

template <typename Enum>
void appendRawValue(Items &items, const QString &key, const std::optional<Enum> &value)
{
    if (value) {
        items.append({key, verandel::toString(*value)});
    }
}

void appendDevice(Items &items, const MetricsEvent &event)
{
    appendIdentifier(items, QStringLiteral("d"), event.telemetryDeviceId);
    appendNumber(items, QStringLiteral("dv"), event.deviceVendorID);
    appendNumber(items, QStringLiteral("dp"), event.deviceProductID);
    appendNumber(items, QStringLiteral("dc"), event.classOfDevice);
}

// Only the fields that belong to the event's name are sent.
void appendCommonOptionalItems(const MetricsEvent &event, Items &items)
{
    const auto peer = [&] { appendIdentifier(items, QStringLiteral("p"), event.peerInstallationId); };
    const auto transaction = [&] { appendIdentifier(items, QStringLiteral("x"), event.transactionId); };
    switch (event.name) {
    case MetricsEventName::MacLinkEstablished:
    case MetricsEventName::DevicesReadyForPairingReceived: peer(); break;
    case MetricsEventName::SharedDeviceAdded:
    case MetricsEventName::DeviceUnpairResult: appendDevice(items, event); break;
    case MetricsEventName::TransferRequested:
        peer();
        transaction();
        appendDevice(items, event);
        break;
    case MetricsEventName::DevicePairResult:
        peer();
        appendDevice(items, event);
        break;
    case MetricsEventName::TransferOwnershipUpdated:
        transaction();
        appendDevice(items, event);
        break;
    }
}

void appendEventSpecificOptionalItems(const MetricsEvent &event, Items &items)
{
    switch (event.name) {
    case MetricsEventName::TransferOwnershipUpdated:
        appendRawValue(items, QStringLiteral("o"), event.ownershipState);
        break;
    case MetricsEventName::DevicesReadyForPairingReceived:
        if (event.readyDeviceCount) {
            items.append({QStringLiteral("c"), QString::number(std::clamp(*event.readyDeviceCount, 0, 999))});
        }
        break;
    case MetricsEventName::DeviceUnpairResult:
    case MetricsEventName::DevicePairResult:
        appendRawValue(items, QStringLiteral("r"), event.result);
        appendRawValue(items, QStringLiteral("f"), event.failureReason);
        break;
    case MetricsEventName::MacLinkEstablished:
    case MetricsEventName::SharedDeviceAdded:
    case MetricsEventName::TransferRequested: break;
    }
}

} // namespace

MetricsTransportEncoder::MetricsTransportEncoder(QUrl baseURL)
    : m_baseURL(std::move(baseURL))
{ }

QUrl MetricsTransportEncoder::normalizedBaseURL() const
{
    QString text = m_baseURL.toString(QUrl::FullyEncoded);
    while (text.endsWith(QLatin1Char('/'))) {
        text.chop(1);
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        throw MetricsTransportEncoderError::invalidRequestURL();
    }
    return url;
}

QNetworkRequest MetricsTransportEncoder::encode(const MetricsEvent &event) const
{
    QUrl url = normalizedBaseURL();
    url.setPath(url.path() + QStringLiteral("/ba.gif"));
    const MetricsRuntimeMetadata &metadata = normalizedRuntimeMetadata(event.runtimeMetadata);

    Items items{
        {QStringLiteral("v"), transportVersion},
        {QStringLiteral("e"), transportCode(event.name)},
        {QStringLiteral("u"), normalizedIdentifier(event.installationId, QStringLiteral("u"))},
        // Whole seconds, the fraction dropped toward zero.
        {QStringLiteral("t"), QString::number(event.occurredAt.toMSecsSinceEpoch() / 1000)},
        {QStringLiteral("i"), event.id.toString(QUuid::WithoutBraces).toLower()},
        {QStringLiteral("av"), metadata.appVersion},
        {QStringLiteral("ap"), verandel::toString(metadata.appPlatform)},
        {QStringLiteral("ov"), metadata.osVersion},
        {QStringLiteral("bt"), verandel::toString(metadata.buildType)},
    };
    appendCommonOptionalItems(event, items);
    appendEventSpecificOptionalItems(event, items);

    QUrlQuery query;
    query.setQueryItems(items);
    url.setQuery(query);
    if (!url.isValid()) {
        throw MetricsTransportEncoderError::invalidRequestURL();
    }
    return QNetworkRequest(url);
}

} // namespace verandel
