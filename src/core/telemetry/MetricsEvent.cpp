#include "telemetry/MetricsEvent.h"

namespace verandel {

namespace {

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

} // namespace verandel
