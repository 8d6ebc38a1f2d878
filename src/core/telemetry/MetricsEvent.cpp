#include "telemetry/MetricsEvent.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

#include <type_traits>

namespace verandel {

namespace {

const QString idKey = QStringLiteral("id");
const QString nameKey = QStringLiteral("name");
const QString installationIdKey = QStringLiteral("installationId");
const QString occurredAtKey = QStringLiteral("occurredAt");
const QString runtimeMetadataKey = QStringLiteral("runtimeMetadata");
const QString peerInstallationIdKey = QStringLiteral("peerInstallationId");
const QString transactionIdKey = QStringLiteral("transactionId");
const QString telemetryDeviceIdKey = QStringLiteral("telemetryDeviceId");
const QString resultKey = QStringLiteral("result");
const QString failureReasonKey = QStringLiteral("failureReason");
const QString readyDeviceCountKey = QStringLiteral("readyDeviceCount");
const QString ownershipStateKey = QStringLiteral("ownershipState");
const QString deviceVendorIDKey = QStringLiteral("deviceVendorID");
const QString deviceProductIDKey = QStringLiteral("deviceProductID");
const QString classOfDeviceKey = QStringLiteral("classOfDevice");

template <typename T>
void insertIfSet(QJsonObject &object, const QString &key, const std::optional<T> &value)
{
    if (!value) {
        return;
    }
    if constexpr (std::is_enum_v<T>) {
        object.insert(key, verandel::toString(*value));
    } else if constexpr (std::is_integral_v<T>) {
        object.insert(key, static_cast<qint64>(*value));
    } else {
        object.insert(key, *value);
    }
}

MetricsEvent base(MetricsEventName name, QString installationId, QDateTime occurredAt)
{
    MetricsEvent event;
    event.id = QUuid::createUuid();
    event.name = name;
    event.installationId = std::move(installationId);
    event.occurredAt = std::move(occurredAt);
    return event;
}

void setDevice(MetricsEvent &event, std::optional<quint16> vendorID, std::optional<quint16> productID,
               std::optional<quint32> classOfDevice)
{
    event.deviceVendorID = vendorID;
    event.deviceProductID = productID;
    event.classOfDevice = classOfDevice;
}

} // namespace

MetricsEvent MetricsEvent::macLinkEstablished(QString installationId, QDateTime occurredAt, QString peerInstallationId)
{
    MetricsEvent event = base(MetricsEventName::MacLinkEstablished, std::move(installationId), std::move(occurredAt));
    event.peerInstallationId = std::move(peerInstallationId);
    return event;
}

MetricsEvent MetricsEvent::sharedDeviceAdded(QString installationId, QDateTime occurredAt, QString telemetryDeviceId,
                                             std::optional<quint16> deviceVendorID,
                                             std::optional<quint16> deviceProductID,
                                             std::optional<quint32> classOfDevice)
{
    MetricsEvent event = base(MetricsEventName::SharedDeviceAdded, std::move(installationId), std::move(occurredAt));
    event.telemetryDeviceId = std::move(telemetryDeviceId);
    setDevice(event, deviceVendorID, deviceProductID, classOfDevice);
    return event;
}

MetricsEvent MetricsEvent::transferRequested(QString installationId, QDateTime occurredAt, QString peerInstallationId,
                                             QString transactionId, QString telemetryDeviceId,
                                             std::optional<quint16> deviceVendorID,
                                             std::optional<quint16> deviceProductID,
                                             std::optional<quint32> classOfDevice)
{
    MetricsEvent event = base(MetricsEventName::TransferRequested, std::move(installationId), std::move(occurredAt));
    event.peerInstallationId = std::move(peerInstallationId);
    event.transactionId = std::move(transactionId);
    event.telemetryDeviceId = std::move(telemetryDeviceId);
    setDevice(event, deviceVendorID, deviceProductID, classOfDevice);
    return event;
}

MetricsEvent MetricsEvent::deviceUnpairResult(QString installationId, QDateTime occurredAt, QString telemetryDeviceId,
                                              MetricsResult result, std::optional<MetricsFailureReason> failureReason,
                                              std::optional<quint16> deviceVendorID,
                                              std::optional<quint16> deviceProductID,
                                              std::optional<quint32> classOfDevice)
{
    MetricsEvent event = base(MetricsEventName::DeviceUnpairResult, std::move(installationId), std::move(occurredAt));
    event.telemetryDeviceId = std::move(telemetryDeviceId);
    event.result = result;
    event.failureReason = failureReason;
    setDevice(event, deviceVendorID, deviceProductID, classOfDevice);
    return event;
}

MetricsEvent MetricsEvent::devicesReadyForPairingReceived(QString installationId, QDateTime occurredAt,
                                                          QString peerInstallationId, int readyDeviceCount)
{
    MetricsEvent event
        = base(MetricsEventName::DevicesReadyForPairingReceived, std::move(installationId), std::move(occurredAt));
    event.peerInstallationId = std::move(peerInstallationId);
    event.readyDeviceCount = readyDeviceCount;
    return event;
}

MetricsEvent MetricsEvent::devicePairResult(QString installationId, QDateTime occurredAt, QString peerInstallationId,
                                            QString telemetryDeviceId, MetricsResult result,
                                            std::optional<MetricsFailureReason> failureReason,
                                            std::optional<quint16> deviceVendorID,
                                            std::optional<quint16> deviceProductID,
                                            std::optional<quint32> classOfDevice)
{
    MetricsEvent event = base(MetricsEventName::DevicePairResult, std::move(installationId), std::move(occurredAt));
    event.peerInstallationId = std::move(peerInstallationId);
    event.telemetryDeviceId = std::move(telemetryDeviceId);
    event.result = result;
    event.failureReason = failureReason;
    setDevice(event, deviceVendorID, deviceProductID, classOfDevice);
    return event;
}

MetricsEvent MetricsEvent::transferOwnershipUpdated(QString installationId, QDateTime occurredAt, QString transactionId,
                                                    QString telemetryDeviceId, MetricsOwnershipState ownershipState,
                                                    std::optional<quint16> deviceVendorID,
                                                    std::optional<quint16> deviceProductID,
                                                    std::optional<quint32> classOfDevice)
{
    MetricsEvent event
        = base(MetricsEventName::TransferOwnershipUpdated, std::move(installationId), std::move(occurredAt));
    event.transactionId = std::move(transactionId);
    event.telemetryDeviceId = std::move(telemetryDeviceId);
    event.ownershipState = ownershipState;
    setDevice(event, deviceVendorID, deviceProductID, classOfDevice);
    return event;
}

MetricsEvent MetricsEvent::withRuntimeMetadata(MetricsRuntimeMetadata metadata) const
{
    MetricsEvent copy = *this;
    copy.runtimeMetadata = std::move(metadata);
    return copy;
}

QJsonValue MetricsEvent::toJson() const
{
    QJsonObject object{{idKey, json::uuidToString(id)},
                       {nameKey, verandel::toString(name)},
                       {installationIdKey, installationId},
                       {occurredAtKey, json::toIso8601(occurredAt)}};
    if (runtimeMetadata) {
        object.insert(runtimeMetadataKey, runtimeMetadata->toJson());
    }
    insertIfSet(object, peerInstallationIdKey, peerInstallationId);
    insertIfSet(object, transactionIdKey, transactionId);
    insertIfSet(object, telemetryDeviceIdKey, telemetryDeviceId);
    insertIfSet(object, resultKey, result);
    insertIfSet(object, failureReasonKey, failureReason);
    insertIfSet(object, readyDeviceCountKey, readyDeviceCount);
    insertIfSet(object, ownershipStateKey, ownershipState);
    insertIfSet(object, deviceVendorIDKey, deviceVendorID);
    insertIfSet(object, deviceProductIDKey, deviceProductID);
    insertIfSet(object, classOfDeviceKey, classOfDevice);
    return object;
}

MetricsEvent MetricsEvent::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("MetricsEvent"));
    MetricsEvent event;
    event.id = json::requireUuid(object, idKey);
    event.name = json::requireEnum(object, nameKey, &metricsEventNameFromString);
    event.installationId = json::requireString(object, installationIdKey);
    event.occurredAt = json::requireDate(object, occurredAtKey);
    const QJsonValue metadata = object.value(runtimeMetadataKey);
    if (!metadata.isUndefined() && !metadata.isNull()) {
        try {
            event.runtimeMetadata = MetricsRuntimeMetadata::fromJson(metadata);
        } catch (const JsonDecodeError &error) {
            throw JsonDecodeError(runtimeMetadataKey + QStringLiteral(": ") + error.description());
        }
    }
    event.peerInstallationId = json::optionalString(object, peerInstallationIdKey);
    event.transactionId = json::optionalString(object, transactionIdKey);
    event.telemetryDeviceId = json::optionalString(object, telemetryDeviceIdKey);
    event.result = json::optionalEnum(object, resultKey, &metricsResultFromString);
    event.failureReason = json::optionalEnum(object, failureReasonKey, &metricsFailureReasonFromString);
    event.readyDeviceCount = json::optionalWithinRange<int>(object, readyDeviceCountKey);
    event.ownershipState = json::optionalEnum(object, ownershipStateKey, &metricsOwnershipStateFromString);
    event.deviceVendorID = json::optionalWithinRange<quint16>(object, deviceVendorIDKey);
    event.deviceProductID = json::optionalWithinRange<quint16>(object, deviceProductIDKey);
    event.classOfDevice = json::optionalWithinRange<quint32>(object, classOfDeviceKey);
    return event;
}

} // namespace verandel
