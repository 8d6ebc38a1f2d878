#include "models/DevicesViewModel.h"

#include "foundation/StorageError.h"

#include "support/ManualClock.h"
#include "support/PreviewFixtures.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/FakeDeviceStorageService.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingMetricsPublisher.h"

#include <QCoreApplication>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const Device keyboard = PreviewFixtures::device(1, QStringLiteral("Magic Keyboard"));
const Device trackpad = PreviewFixtures::device(2, QStringLiteral("Magic Trackpad"));
const Device mxKeys = PreviewFixtures::device(4, QStringLiteral("MX Keys"));

QStringList summary(const QList<DeviceState> &states)
{
    QStringList lines;
    for (const DeviceState &state : states) {
        lines.append(state.name() + QLatin1Char(' ') + toString(state.sharingStatus()) + QLatin1Char(' ')
                     + toString(state.connectionStatus()));
    }
    return lines;
}

class DevicesViewModelTest : public ::testing::Test
{
protected:
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
    std::shared_ptr<FakeDeviceStorageService> store = std::make_shared<FakeDeviceStorageService>();
    std::shared_ptr<FakeBluetoothDeviceManager> bluetooth = std::make_shared<FakeBluetoothDeviceManager>();
    std::shared_ptr<MockSystemPermissionChecker> permissions
        = std::make_shared<MockSystemPermissionChecker>(SystemPermissionStatus::Authorized);
    std::shared_ptr<RecordingMetricsPublisher> metrics = std::make_shared<RecordingMetricsPublisher>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<DevicesViewModel> model;

    DevicesViewModel &make()
    {
        model = std::make_unique<DevicesViewModel>(store, bluetooth, permissions, metrics,
                                                   QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"),
                                                   std::make_shared<DeviceClassifier>(), clock, *logs);
        return *model;
    }
    // A shared keyboard (paired, connected) and a trackpad paired here only.
    DevicesViewModel &makeFilled()
    {
        store->devices = {keyboard};
        bluetooth->devices = {keyboard, trackpad};
        bluetooth->statuses = {{keyboard.macAddress(), ConnectionStatus::Connected},
                               {trackpad.macAddress(), ConnectionStatus::PairedNotConnected}};
        make();
        runTask(model->refreshDevices(BluetoothRefreshSource::UserInitiated));
        return *model;
    }
};

} // namespace

TEST_F(DevicesViewModelTest, ARefreshListsStoredDevicesAsSharedAndPairedOnesByExactAddress)
{
    // A record differing from a paired device only in letter case does not make it shared.
    const Device lowerCaseTwin(trackpad.macAddress().toLower(), trackpad.name(), trackpad.telemetryDeviceId(),
                               std::nullopt, trackpad.timestamp());
    store->devices = {keyboard, lowerCaseTwin};
    bluetooth->devices = {trackpad, mxKeys};
    bluetooth->statuses = {{trackpad.macAddress(), ConnectionStatus::Connected}};
    make();

    const DevicesRefreshResult result = runTask(model->refreshDevices(BluetoothRefreshSource::AppLaunchPassive));

    EXPECT_EQ(result, DevicesRefreshResult::refreshed());
    EXPECT_EQ(summary(model->verandelDevices()),
              (QStringList{QStringLiteral("Magic Keyboard shared not_paired"),
                           QStringLiteral("Magic Trackpad shared not_paired")}));
    EXPECT_EQ(
        summary(model->otherDevices()),
        (QStringList{QStringLiteral("Magic Trackpad local connected"), QStringLiteral("MX Keys local not_paired")}));
    EXPECT_EQ(model->totalDeviceCount(), 4);
    EXPECT_EQ(model->supportedDeviceCount(), 3) << "MX Keys is not supported";
    EXPECT_FALSE(model->isRefreshing());
    EXPECT_TRUE(logs->contains(LogLevel::Debug, QStringLiteral("Refreshing devices from source: appLaunchPassive")));
}

TEST_F(DevicesViewModelTest, ABlockedRefreshRaisesItsCardKeepsTheListsAndNeverReadsTheStore)
{
    struct Row
    {
        SystemPermissionStatus status;
        BluetoothPermissionGuidanceState card;
        QString title;
    };
    const Row rows[] = {
        {SystemPermissionStatus::Unknown, BluetoothPermissionGuidanceState::Preflight,
         QStringLiteral("Allow Bluetooth")},
        {SystemPermissionStatus::Denied, BluetoothPermissionGuidanceState::DeniedRecovery,
         QStringLiteral("Turn Bluetooth access back on")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(toString(row.status).toStdString());
        makeFilled();
        const QStringList shared = summary(model->verandelDevices());
        // From here on any read of the store throws, so a read would show as an error message.
        store->failure = StorageError::diskFull();
        permissions->nextBluetoothRefreshResult = row.status;

        const DevicesRefreshResult result = runTask(model->refreshDevices(BluetoothRefreshSource::UserInitiated));

        EXPECT_EQ(result, DevicesRefreshResult::blocked(row.card));
        EXPECT_EQ(model->bluetoothPermissionGuidanceState(), row.card);
        EXPECT_EQ(model->permissionGuidanceConfiguration()->title, row.title);
        EXPECT_EQ(summary(model->verandelDevices()), shared);
        EXPECT_FALSE(model->errorMessage());
        EXPECT_FALSE(model->isRefreshing());
        store->failure.reset();
    }
}

TEST_F(DevicesViewModelTest, TheCardsButtonsCheckAgainOpenSettingsAndDismissWithoutRefreshing)
{
    make();
    permissions->nextBluetoothRefreshResult = SystemPermissionStatus::Unknown;
    runTask(model->refreshDevices(BluetoothRefreshSource::UserInitiated));
    const int listings = bluetooth->listCalls;

    permissions->nextBluetoothRequestResult = SystemPermissionStatus::Denied;
    model->permissionGuidanceConfiguration()->primaryAction(); // Continue
    EXPECT_EQ(model->bluetoothPermissionGuidanceState(), BluetoothPermissionGuidanceState::DeniedRecovery);
    model->permissionGuidanceConfiguration()->primaryAction(); // Open Bluetooth Settings
    EXPECT_EQ(permissions->openBluetoothSettingsCallCount(), 1);
    permissions->nextBluetoothRefreshResult = SystemPermissionStatus::Authorized;
    model->permissionGuidanceConfiguration()->secondaryAction(); // I've Enabled It
    EXPECT_FALSE(model->bluetoothPermissionGuidanceState());
    EXPECT_EQ(bluetooth->listCalls, listings) << "retry and continue change only the card";

    permissions->nextBluetoothRefreshResult = SystemPermissionStatus::Unknown;
    runTask(model->retryBluetoothPermissionGuidance());
    model->permissionGuidanceConfiguration()->secondaryAction(); // Cancel
    EXPECT_FALSE(model->bluetoothPermissionGuidanceState());
}

TEST_F(DevicesViewModelTest, AllowingStoresANewRecordWithALowerCaseTelemetryIdAndPublishesOneEvent)
{
    const Device attributed(mxKeys.macAddress(), mxKeys.name(), mxKeys.telemetryDeviceId(),
                            DeviceDetectionAttributes{0x046D, 0xB35B, 0x002540, {}}, mxKeys.timestamp());
    bluetooth->devices = {attributed};
    make();
    QSignalSpy refreshing(model.get(), &DevicesViewModel::isRefreshingChanged);

    runTask(model->startSharing(attributed));

    ASSERT_EQ(store->devices.size(), 1);
    const QString telemetryId = store->devices.constFirst().telemetryDeviceId();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[0-9a-f]{4}-[0-9a-f]{12}$"))
                    .match(telemetryId)
                    .hasMatch())
        << telemetryId.toStdString();
    ASSERT_EQ(metrics->events.size(), 1);
    const MetricsEvent &event = metrics->events.constFirst();
    EXPECT_EQ(event.name, MetricsEventName::SharedDeviceAdded);
    EXPECT_EQ(event.installationId, QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"));
    EXPECT_EQ(event.occurredAt, clock->now());
    EXPECT_EQ(event.telemetryDeviceId, telemetryId);
    EXPECT_EQ(event.deviceVendorID, 0x046D);
    EXPECT_EQ(event.deviceProductID, 0xB35B);
    EXPECT_EQ(event.classOfDevice, 0x002540u);
    EXPECT_EQ(refreshing.count(), 2) << "the follow-up refresh runs";
    EXPECT_EQ(summary(model->otherDevices()), QStringList{QStringLiteral("MX Keys shared not_paired")});

    // Allowing a device that already has a record saves it and sends nothing.
    runTask(model->startSharing(attributed));
    EXPECT_EQ(store->saves, 1);
    EXPECT_EQ(metrics->events.size(), 1);
}

TEST_F(DevicesViewModelTest, StoppingAndUndoingMakesANewRecordWithANewTelemetryId)
{
    makeFilled();
    runTask(model->startSharing(trackpad));
    const QString firstId = store->devices.constLast().telemetryDeviceId();

    runTask(model->stopSharing(trackpad));
    EXPECT_EQ(summary(model->verandelDevices()), QStringList{QStringLiteral("Magic Keyboard shared connected")});
    EXPECT_EQ(summary(model->otherDevices()).constLast(), QStringLiteral("Magic Trackpad local paired_not_connected"));

    runTask(model->startSharing(trackpad));
    EXPECT_NE(store->devices.constLast().telemetryDeviceId(), firstId);
    EXPECT_EQ(metrics->events.size(), 2);
}

TEST_F(DevicesViewModelTest, FailuresBecomeTheErrorMessageAndStartNothing)
{
    const QString diskFull = userDescription(StorageError::diskFull());
    struct Row
    {
        const char *name;
        bool storeFails;
        std::function<QCoro::Task<>(DevicesViewModel &)> act;
        QString message;
    };
    const Row rows[] = {
        {"a refresh over an unreadable store", true, [](DevicesViewModel &m) { return m.refreshDevices(); },
         QStringLiteral("Failed to refresh devices: ") + diskFull},
        {"a paired-list event over an unreadable store", true,
         [](DevicesViewModel &m) { return m.handleDevicesListUpdate({mxKeys}); },
         QStringLiteral("Failed to update devices: ") + diskFull},
        {"allowing over an unreadable store", true, [](DevicesViewModel &m) { return m.startSharing(mxKeys); },
         QStringLiteral("Failed to update device sharing: ") + diskFull},
        {"stopping a device without a record", false, [](DevicesViewModel &m) { return m.stopSharing(mxKeys); },
         QStringLiteral("Failed to remove device from sharing")},
        {"stopping over an unreadable store", true, [](DevicesViewModel &m) { return m.stopSharing(keyboard); },
         QStringLiteral("Failed to update device sharing: ") + diskFull},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        makeFilled();
        metrics->events.clear();
        const int listings = bluetooth->listCalls;
        const QStringList shared = summary(model->verandelDevices());
        const QStringList paired = summary(model->otherDevices());
        if (row.storeFails) {
            store->failure = StorageError::diskFull();
        }

        runTask(row.act(*model));

        EXPECT_EQ(model->errorMessage(), row.message);
        EXPECT_EQ(summary(model->verandelDevices()), shared);
        EXPECT_EQ(summary(model->otherDevices()), paired);
        EXPECT_FALSE(model->isRefreshing());
        EXPECT_EQ(bluetooth->listCalls, listings) << "no follow-up refresh";
        EXPECT_TRUE(metrics->events.isEmpty());
        EXPECT_FALSE(logs->containsSubstring(LogLevel::Warning, diskFull)) << "these failures are not logged";
        store->failure.reset();
        model->clearError();
        EXPECT_FALSE(model->errorMessage());
    }
}

TEST_F(DevicesViewModelTest, AConnectionChangeUpdatesBothListsInPlaceByExactAddress)
{
    makeFilled();
    QSignalSpy shared(model.get(), &DevicesViewModel::verandelDevicesChanged);

    Q_EMIT bluetooth->connectionStatusChanged(keyboard.macAddress().toLower(), ConnectionStatus::PairedNotConnected);
    Q_EMIT bluetooth->connectionStatusChanged(keyboard.macAddress(), ConnectionStatus::PairedNotConnected);
    Q_EMIT bluetooth->connectionStatusChanged(trackpad.macAddress(), ConnectionStatus::Connected);
    QCoreApplication::processEvents();

    EXPECT_EQ(summary(model->verandelDevices()),
              QStringList{QStringLiteral("Magic Keyboard shared paired_not_connected")});
    EXPECT_EQ(summary(model->otherDevices()),
              (QStringList{QStringLiteral("Magic Keyboard shared paired_not_connected"),
                           QStringLiteral("Magic Trackpad local connected")}));
    EXPECT_EQ(shared.count(), 1) << "the address in another case changed nothing";
    EXPECT_TRUE(
        logs->contains(LogLevel::Debug, QStringLiteral("Updated otherDevices[1] connection status to Connected")));
}

TEST_F(DevicesViewModelTest, APairedListAnnouncementRebuildsTheListsWithoutTouchingTheRefreshState)
{
    makeFilled();
    QSignalSpy refreshing(model.get(), &DevicesViewModel::isRefreshingChanged);
    const int permissionChecks = permissions->bluetoothRefreshCallCount();

    Q_EMIT bluetooth->pairedDevicesChanged({mxKeys});
    ASSERT_TRUE(waitUntil([&] { return model->otherDevices().size() == 1; }));

    EXPECT_EQ(summary(model->otherDevices()), QStringList{QStringLiteral("MX Keys local not_paired")});
    EXPECT_EQ(refreshing.count(), 0);
    EXPECT_EQ(permissions->bluetoothRefreshCallCount(), permissionChecks);
}

// An earlier rebuild (a paired-list event that read the store before the user allowed a device) that
// finishes after a later refresh must not show the allowed device as not allowed again.
TEST_F(DevicesViewModelTest, AnOlderRebuildFinishingLastDoesNotOverwriteANewerOne)
{
    bluetooth->devices = {trackpad};
    make();
    bluetooth->holdStatusLookups = true;
    QCoro::Task<> older = model->handleDevicesListUpdate({trackpad});
    bluetooth->holdStatusLookups = false;

    runTask(model->startSharing(trackpad));
    EXPECT_EQ(summary(model->otherDevices()), QStringList{QStringLiteral("Magic Trackpad shared not_paired")});

    bluetooth->releaseStatusLookups();
    runTask(std::move(older));
    EXPECT_EQ(summary(model->verandelDevices()), QStringList{QStringLiteral("Magic Trackpad shared not_paired")});
    EXPECT_EQ(summary(model->otherDevices()), QStringList{QStringLiteral("Magic Trackpad shared not_paired")});
}

TEST_F(DevicesViewModelTest, IsRefreshingStaysTrueUntilTheLastOfTwoOverlappingRefreshesEnds)
{
    bluetooth->devices = {trackpad};
    make();
    bluetooth->holdStatusLookups = true;
    QCoro::Task<DevicesRefreshResult> first = model->refreshDevices(BluetoothRefreshSource::UserInitiated);
    bluetooth->holdStatusLookups = false;
    runTask(model->refreshDevices(BluetoothRefreshSource::UserInitiated));

    EXPECT_TRUE(model->isRefreshing()) << "the first refresh still runs";
    bluetooth->releaseStatusLookups();
    runTask(std::move(first));
    EXPECT_FALSE(model->isRefreshing());
}

// The Control Center reads the allowed devices only through SharedDevicesSource.
TEST_F(DevicesViewModelTest, TheSharedDevicesSourceAnnouncesEveryAllowedListTheTabShows)
{
    store->devices = {keyboard};
    bluetooth->devices = {keyboard, trackpad};
    make();
    SharedDevicesSource &source = *model;
    QSignalSpy announced(&source, &SharedDevicesSource::verandelDevicesChanged);
    const QMetaProperty property
        = model->metaObject()->property(model->metaObject()->indexOfProperty("verandelDevices"));
    QSignalSpy notified(model.get(), property.notifySignal());

    runTask(model->refreshDevices(BluetoothRefreshSource::UserInitiated));
    runTask(model->startSharing(trackpad));

    EXPECT_EQ(summary(source.verandelDevices()), summary(model->verandelDevices()));
    EXPECT_EQ(summary(source.verandelDevices()),
              (QStringList{QStringLiteral("Magic Keyboard shared not_paired"),
                           QStringLiteral("Magic Trackpad shared not_paired")}));
    EXPECT_EQ(announced.count(), 2);
    EXPECT_EQ(notified.count(), 2) << "the property's change signal is the source's";
}
