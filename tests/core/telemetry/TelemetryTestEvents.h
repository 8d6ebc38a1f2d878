#pragma once

#include "support/BeaconResponder.h"
#include "telemetry/MetricsEvent.h"
#include "telemetry/MetricsQueueEntry.h"

#include <QUrlQuery>
#include <QUuid>

namespace verandel::test {

inline const QString installationId = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
inline const QString peerId = QStringLiteral("11111111-2222-4333-8444-555555555555");
inline const QString transactionId = QStringLiteral("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
inline const QString deviceId = QStringLiteral("99999999-8888-4777-8666-555544443333");
inline const QUuid eventId = QUuid(QStringLiteral("{C0FFEE00-1234-4567-89AB-CDEF01234567}"));
// 2026-03-04T12:00:05.750Z
inline const QDateTime occurredAt = QDateTime::fromMSecsSinceEpoch(1772625605750, Qt::UTC);

inline MetricsRuntimeMetadata sampleMetadata()
{
    return MetricsRuntimeMetadata{QStringLiteral("1.0.6"), MetricsAppPlatform::LinuxX8664, QStringLiteral("12.0.0"),
                                  MetricsBuildType::NonRelease};
}

// An event of the given name built by its factory with every parameter given, a fixed id and the
// sample metadata.
inline MetricsEvent eventNamed(MetricsEventName name)
{
    MetricsEvent event;
    switch (name) {
    case MetricsEventName::MacLinkEstablished:
        event = MetricsEvent::macLinkEstablished(installationId, occurredAt, peerId);
        break;
    case MetricsEventName::SharedDeviceAdded:
        event = MetricsEvent::sharedDeviceAdded(installationId, occurredAt, deviceId, 0x004C, 0x0267, 0x002540);
        break;
    case MetricsEventName::TransferRequested:
        event = MetricsEvent::transferRequested(installationId, occurredAt, peerId, transactionId, deviceId, 0x004C,
                                                0x0267, 0x002540);
        break;
    case MetricsEventName::DeviceUnpairResult:
        event = MetricsEvent::deviceUnpairResult(installationId, occurredAt, deviceId, MetricsResult::Failure,
                                                 MetricsFailureReason::PeerUnavailable, 0x004C, 0x0267, 0x002540);
        break;
    case MetricsEventName::DevicesReadyForPairingReceived:
        event = MetricsEvent::devicesReadyForPairingReceived(installationId, occurredAt, peerId, 3);
        break;
    case MetricsEventName::DevicePairResult:
        event = MetricsEvent::devicePairResult(installationId, occurredAt, peerId, deviceId, MetricsResult::Success,
                                               std::nullopt, 0x004C, 0x0267, 0x002540);
        break;
    case MetricsEventName::TransferOwnershipUpdated:
        event = MetricsEvent::transferOwnershipUpdated(installationId, occurredAt, transactionId, deviceId,
                                                       MetricsOwnershipState::Local, 0x004C, 0x0267, 0x002540);
        break;
    }
    event.id = eventId;
    return event.withRuntimeMetadata(sampleMetadata());
}

// The same event under an id of its own, for tests that queue several.
inline MetricsEvent freshEventNamed(MetricsEventName name = MetricsEventName::MacLinkEstablished)
{
    MetricsEvent event = eventNamed(name);
    event.id = QUuid::createUuid();
    return event;
}

inline QList<QUuid> eventIds(const QList<MetricsQueueEntry> &entries)
{
    QList<QUuid> ids;
    for (const MetricsQueueEntry &entry : entries) {
        ids.append(entry.event.id);
    }
    return ids;
}

// The event ids of the beacons the responder received, in order of arrival.
inline QList<QUuid> sentEventIds(const BeaconResponder &responder)
{
    QList<QUuid> ids;
    for (const QString &query : responder.queries()) {
        ids.append(QUuid(QUrlQuery(query).queryItemValue(QStringLiteral("i"))));
    }
    return ids;
}

} // namespace verandel::test
