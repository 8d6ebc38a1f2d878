#pragma once

#include "telemetry/MetricsEventName.h"
#include "telemetry/MetricsFailureReason.h"
#include "telemetry/MetricsOwnershipState.h"
#include "telemetry/MetricsResult.h"
#include "telemetry/MetricsRuntimeMetadata.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

namespace verandel {

// One anonymous usage record. Producers build it with the factory of its name; the publisher
// attaches the runtime metadata.
struct MetricsEvent
{
    QUuid id;
    MetricsEventName name = MetricsEventName::MacLinkEstablished;
    QString installationId;
    QDateTime occurredAt;
    std::optional<MetricsRuntimeMetadata> runtimeMetadata;
    std::optional<QString> peerInstallationId;
    std::optional<QString> transactionId;
    std::optional<QString> telemetryDeviceId;
    std::optional<MetricsResult> result;
    std::optional<MetricsFailureReason> failureReason;
    std::optional<int> readyDeviceCount;
    std::optional<MetricsOwnershipState> ownershipState;
    std::optional<quint16> deviceVendorID;
    std::optional<quint16> deviceProductID;
    std::optional<quint32> classOfDevice;

    bool operator==(const MetricsEvent &other) const = default;

    // Each factory draws a new random id and leaves the runtime metadata absent.
    static MetricsEvent macLinkEstablished(QString installationId, QDateTime occurredAt, QString peerInstallationId);
    static MetricsEvent sharedDeviceAdded(QString installationId, QDateTime occurredAt, QString telemetryDeviceId,
                                          std::optional<quint16> deviceVendorID, std::optional<quint16> deviceProductID,
                                          std::optional<quint32> classOfDevice);
    static MetricsEvent transferRequested(QString installationId, QDateTime occurredAt, QString peerInstallationId,
                                          QString transactionId, QString telemetryDeviceId,
                                          std::optional<quint16> deviceVendorID, std::optional<quint16> deviceProductID,
                                          std::optional<quint32> classOfDevice);
    static MetricsEvent deviceUnpairResult(QString installationId, QDateTime occurredAt, QString telemetryDeviceId,
                                           MetricsResult result, std::optional<MetricsFailureReason> failureReason,
                                           std::optional<quint16> deviceVendorID,
                                           std::optional<quint16> deviceProductID,
                                           std::optional<quint32> classOfDevice);
    static MetricsEvent devicesReadyForPairingReceived(QString installationId, QDateTime occurredAt,
                                                       QString peerInstallationId, int readyDeviceCount);
    static MetricsEvent devicePairResult(QString installationId, QDateTime occurredAt, QString peerInstallationId,
                                         QString telemetryDeviceId, MetricsResult result,
                                         std::optional<MetricsFailureReason> failureReason,
                                         std::optional<quint16> deviceVendorID, std::optional<quint16> deviceProductID,
                                         std::optional<quint32> classOfDevice);
    static MetricsEvent transferOwnershipUpdated(QString installationId, QDateTime occurredAt, QString transactionId,
                                                 QString telemetryDeviceId, MetricsOwnershipState ownershipState,
                                                 std::optional<quint16> deviceVendorID,
                                                 std::optional<quint16> deviceProductID,
                                                 std::optional<quint32> classOfDevice);

    // The same event, id included, carrying the given metadata.
    MetricsEvent withRuntimeMetadata(MetricsRuntimeMetadata metadata) const;

    // "id", "name", "installationId" and "occurredAt" (whole seconds) are always written and required;
    // every other key is written only when it has a value. Unknown enumeration texts and numbers out
    // of their field's range make the object unreadable.
    QJsonValue toJson() const;
    static MetricsEvent fromJson(const QJsonValue &json);
};

} // namespace verandel
