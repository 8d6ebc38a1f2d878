#pragma once

#include "transfer/ControlCoordinator.h"

#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/TransferPrinters.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/FakeConnectionMonitor.h"
#include "support/fakes/FakeDeviceStorageService.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingMetricsPublisher.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

namespace verandel::test {

inline const QUuid kLocal = QUuid::fromString(QStringLiteral("e1000000-0000-4000-8000-000000000001"));
inline const QUuid kPeer = QUuid::fromString(QStringLiteral("e1000000-0000-4000-8000-000000000002"));
inline const QUuid kSecond = QUuid::fromString(QStringLiteral("e1000000-0000-4000-8000-000000000003"));
inline const QUuid kThird = QUuid::fromString(QStringLiteral("e1000000-0000-4000-8000-000000000004"));
inline const QString kKeyboard = QStringLiteral("a4:83:e7:00:00:01");
inline const QString kTrackpad = QStringLiteral("a4:83:e7:00:00:02");
inline const QString kMouse = QStringLiteral("a4:83:e7:00:00:03");
inline const QString kTransaction = QStringLiteral("7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3e");

// A shared device as stored, with its telemetry id and detection data.
inline Device storedDevice(const QString &address, const QString &name, int index)
{
    return Device(address, name, QStringLiteral("6F1C0000-0000-4000-8000-00000000000%1").arg(index),
                  DeviceDetectionAttributes{0x05AC, quint16(0x0260 + index), 0x002540, {QStringLiteral("HID")}},
                  QDateTime(QDate(2026, 1, 2), QTime(9, 0), Qt::UTC));
}

inline TransferDeviceDescriptor descriptorOf(const QString &address, int index)
{
    return TransferDeviceDescriptor(address, QStringLiteral("6f1c0000-0000-4000-8000-00000000000%1").arg(index), 0x05AC,
                                    quint16(0x0260 + index), 0x002540);
}

inline const Device kStoredKeyboard = storedDevice(kKeyboard, QStringLiteral("Keyboard"), 1);
inline const Device kStoredTrackpad = storedDevice(kTrackpad, QStringLiteral("Trackpad"), 2);
inline const Device kStoredMouse = storedDevice(kMouse, QStringLiteral("Mouse"), 3);

inline OperationResult failure(OperationFailureCategory category)
{
    return OperationResult::failure(QStringLiteral("It did not work"), category);
}

inline OperationResult failureWithoutCategory()
{
    return OperationResult(false, std::nullopt);
}

// One coordinator over fakes: a real hub with no bridge (the harness answers devices-ready commands
// itself), every store, the permission checker, directory and monitor as fakes, time on a manual
// clock. Bluetooth is authorized unless a test says otherwise.
struct CoordinatorHarness
{
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<FakeDeviceStorageService> devices = std::make_shared<FakeDeviceStorageService>();
    std::shared_ptr<FakeBluetoothDeviceManager> bluetooth = std::make_shared<FakeBluetoothDeviceManager>();
    std::shared_ptr<MockSystemPermissionChecker> permissions = std::make_shared<MockSystemPermissionChecker>();
    std::shared_ptr<TestableMacStorageService> linked = std::make_shared<TestableMacStorageService>();
    std::shared_ptr<FakeMacIdentifier> identity = std::make_shared<FakeMacIdentifier>(kLocal);
    std::shared_ptr<FakeConnectionMonitor> monitor = std::make_shared<FakeConnectionMonitor>();
    std::shared_ptr<FakePeerDirectory> directory = std::make_shared<FakePeerDirectory>();
    std::shared_ptr<RecordingMetricsPublisher> metrics = std::make_shared<RecordingMetricsPublisher>();
    std::shared_ptr<DeviceOwnershipService> ownership
        = std::make_shared<DeviceOwnershipService>(hub, devices, bluetooth, *logs);
    std::shared_ptr<ControlCoordinator> coordinator = std::make_shared<ControlCoordinator>(
        hub, ownership, bluetooth, permissions, linked, devices, identity, monitor, directory, metrics, *logs, clock);

    QList<ControlTransferProgress> records;
    QList<std::optional<BluetoothPermissionGuidanceState>> guidance;
    QList<SendTransferCommand> transferRequests;
    QList<DevicesReadyForPairingCommand> readyCommands;
    // What the harness reports for each devices-ready command, as the bridge would.
    bool delivered = true;

    CoordinatorHarness()
    {
        permissions->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
        QObject::connect(coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, coordinator.get(),
                         [this](const ControlTransferProgress &record) { records.append(record); });
        QObject::connect(coordinator.get(), &ControlCoordinator::bluetoothPermissionGuidanceStateChanged,
                         coordinator.get(),
                         [this](std::optional<BluetoothPermissionGuidanceState> state) { guidance.append(state); });
        QObject::connect(hub.get(), &PeerCommunicationHub::transferRequests, hub.get(),
                         [this](const SendTransferCommand &command) { transferRequests.append(command); });
        QObject::connect(hub.get(), &PeerCommunicationHub::devicesReadyCommands, hub.get(),
                         [this](const DevicesReadyForPairingCommand &command, const DeliveryReport &report) {
                             readyCommands.append(command);
                             report.report(delivered);
                         });
    }

    // Lets the answer waits of a released coordinator end while the clock still runs them.
    ~CoordinatorHarness()
    {
        coordinator.reset();
        settle();
    }

    // A linked computer; reachable means the directory holds it eligible.
    void link(const QUuid &id, bool reachable = true)
    {
        const QDateTime at(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
        linked->addTestData({ConnectedMac(id, QStringLiteral("Peer"),
                                          QStringLiteral("5B2E0000-0000-4000-8000-0000000000AA"), at, at, {})});
        directory->linked.insert(id);
        if (reachable) {
            directory->discovered.insert(id,
                                         DiscoverableMac(id, QStringLiteral("Peer"), QStringLiteral("1.0.0"),
                                                         std::nullopt, QStringLiteral("5b2e"), std::nullopt, at));
        }
    }

    // Stored as shared, listed as paired and reported connected by Bluetooth.
    void holdConnected(const QList<Device> &shared)
    {
        devices->devices = shared;
        bluetooth->devices = shared;
        for (const Device &device : shared) {
            bluetooth->statuses.insert(device.macAddress(), ConnectionStatus::Connected);
        }
    }

    // Listed as paired by Bluetooth, as after pairing, and not stored.
    void listedAsPaired(const QList<Device> &paired) { bluetooth->devices = paired; }

    // Runs queued work until nothing is left to do: every step here completes without real I/O.
    static void settle()
    {
        for (int i = 0; i < 100; ++i) {
            QCoreApplication::processEvents();
        }
    }

    void receiveDevicesReady(const QUuid &sender, const QString &transactionId,
                             const QList<TransferDeviceDescriptor> &descriptors)
    {
        hub->send(DevicesReadyForPairingReceivedEvent(sender, transactionId, descriptors));
        settle();
    }

    void receiveTransferRequest(const QUuid &sender, const QString &transactionId)
    {
        hub->send(TransferRequestReceivedEvent(sender, transactionId));
        settle();
    }

    // A ping request, or the answer to one of ours, listing what the sender owns and has connected.
    enum class Ping { Request, Response };
    void receivePing(const QUuid &sender, const QStringList &addresses, Ping kind = Ping::Response)
    {
        if (kind == Ping::Request) {
            hub->send(PingRequestReceivedEvent(sender, addresses, std::nullopt));
        } else {
            hub->send(PingResponseReceivedEvent(sender, addresses, std::nullopt));
        }
        settle();
    }

    // In steps of at most 5 s, so that what one wake-up sends is answered before the next.
    void advance(double seconds)
    {
        constexpr double step = 5.0;
        for (double moved = 0; moved < seconds; moved += step) {
            clock->advance(std::min(step, seconds - moved));
            settle();
        }
    }

    // The computer answers every forced health check with a ping listing these devices; none: it
    // answers no more.
    void answerChecks(const QUuid &sender, std::optional<QStringList> listed)
    {
        monitor->onForcedHealthCheck = nullptr;
        if (listed) {
            monitor->onForcedHealthCheck = [this, sender, listed = *listed](const QUuid &macId) {
                if (macId == sender) {
                    hub->send(PingResponseReceivedEvent(sender, listed, std::nullopt));
                }
            };
        }
    }

    QList<ControlTransferProgress> progressOf(const QString &transactionId) const
    {
        QList<ControlTransferProgress> of;
        std::copy_if(records.cbegin(), records.cend(), std::back_inserter(of),
                     [&](const ControlTransferProgress &record) { return record.transactionId == transactionId; });
        return of;
    }

    // Every status published, or those of one transfer.
    QList<ControlTransferProgressStatus> statuses(const std::optional<QString> &transactionId = std::nullopt) const
    {
        QList<ControlTransferProgressStatus> all;
        for (const ControlTransferProgress &record : transactionId ? progressOf(*transactionId) : records) {
            all.append(record.status);
        }
        return all;
    }

    QList<MetricsEventName> metricNames() const
    {
        QList<MetricsEventName> names;
        for (const MetricsEvent &event : metrics->events) {
            names.append(event.name);
        }
        return names;
    }
};

struct ControlCoordinatorFixture : CoordinatorHarness, ::testing::Test
{ };

} // namespace verandel::test
