#include "BluetoothTestSupport.h"

#include "bluetooth/BluetoothDeviceManager.h"
#include "bluetooth/BluetoothPairingDelegate.h"
#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"
#include "bluetooth/ReactiveBluetoothDeviceManager.h"
#include "bluetooth/SystemPermissionChecker.h"
#include "foundation/PosixFileManager.h"
#include "foundation/StorageManager.h"
#include "support/FakeBluez.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "telemetry/TelemetryDeviceIdPolicy.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString keyboardAddress = QStringLiteral("AA:BB:CC:DD:EE:01");
const QString keyboard = QStringLiteral("aa:bb:cc:dd:ee:01");
// As BlueZ does for a device whose services are known once it connects.
const QString connectStoresConnected = QStringLiteral("self.UpdateProperties('org.bluez.Device1', {'Connected': "
                                                      "dbus.Boolean(True), 'ServicesResolved': dbus.Boolean(True)})");
// An LE device: connected at once, its services resolved later (or never).
const QString connectLeavesServicesUnresolved
    = QStringLiteral("self.UpdateProperties('org.bluez.Device1', {'Connected': dbus.Boolean(True)})");

class BluetoothDeviceManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bluez.start()) << "python3-dbusmock (bluez5 template) did not start";
        adapter = bluez.addAdapter();
    }

    std::shared_ptr<BluetoothDeviceManager>
    makeManager(BluetoothSystemAccessMode mode = BluetoothSystemAccessMode::Live, int pairCallTimeoutMs = 10000)
    {
        BluetoothDeviceManagerTiming timing;
        timing.pairCallTimeoutMs = pairCallTimeoutMs;
        timing.connectCallTimeoutMs = 5000;
        auto manager = BluetoothDeviceManager::create(bluez.connection(), clock, logs, mode, true, timing);
        return manager;
    }

    QString addPairedDevice(const QString &address, const QString &name, QVariantMap properties = {})
    {
        const QString path = bluez.addDevice(QStringLiteral("hci0"), address, name);
        properties.insert(QStringLiteral("Paired"), true);
        bluez.updateDevice(path, properties);
        return path;
    }

    // Advances virtual time in small steps until the task has finished (bounded by real time).
    template <typename T>
    void driveUntilDone(const std::optional<T> &result, double stepSeconds = 0.5)
    {
        while (!result) {
            ASSERT_TRUE(waitUntil([&] { return result.has_value() || clock->sleeperCount() > 0; }, 10000));
            if (!result) {
                clock->advance(stepSeconds);
            }
        }
    }

    static QString numberedAddress(int number)
    {
        return QStringLiteral("aa:bb:cc:dd:ee:%1").arg(number, 2, 10, QLatin1Char('0'));
    }

    // A device bluetoothd knows but has not paired, whose Connect runs the given mock code.
    QString addDeviceConnectingWith(const QString &address, const QString &connectCode)
    {
        const QString path = bluez.addDevice(QStringLiteral("hci0"), address, QStringLiteral("Keyboard"));
        bluez.addMethod(path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Connect"), QString(), QString(),
                        connectCode);
        return path;
    }

    // A returning bluetoothd: its adapter appears with the keyboard it had paired, in one step.
    void restoreAdapterWithPairedKeyboard()
    {
        bluez.addMethod(
            QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("Restore"), QString(), QString(),
            QStringLiteral("objects['/'].AddAdapter('hci0', 'test-host')\n"
                           "path = objects['/'].AddDevice('hci0', '%1', 'Magic Keyboard')\n"
                           "objects[path].UpdateProperties('org.bluez.Device1', {'Paired': dbus.Boolean(True)})")
                .arg(keyboardAddress));
        callMock(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("Restore"));
    }

    // Calls a method the test added to the mock with addMethod.
    void callMock(const QString &path, const QString &interface, const QString &method)
    {
        const QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), path, interface, method);
        const QDBusMessage reply = bluez.connection().call(call);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    FakeBluez bluez;
    QString adapter;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
};

TEST_F(BluetoothDeviceManagerTest, ListsPairedDevicesWithTheirAttributesWithoutPublishing)
{
    addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"),
                    {{QStringLiteral("Class"), QVariant::fromValue(quint32(0x002540))},
                     {QStringLiteral("Modalias"), QStringLiteral("usb:v05ACp0267d0001")},
                     {QStringLiteral("UUIDs"),
                      QStringList{QStringLiteral("00001124-0000-1000-8000-00805f9b34fb"),
                                  QStringLiteral("0000180F-0000-1000-8000-00805F9B34FB"),
                                  QStringLiteral("6e400001-b5a3-f393-e0a9-e50e24dcca9e")}}});
    const QString trackpad
        = addPairedDevice(QStringLiteral("aa:bb:cc:dd:ee:02"), QStringLiteral("Trackpad"),
                          {{QStringLiteral("Modalias"), QStringLiteral("bluetooth:v004Cp0265d0110")}});
    bluez.addMethod(trackpad, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("DropName"), QString(),
                    QString(), QStringLiteral("del self.props['org.bluez.Device1']['Name']"));
    callMock(trackpad, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("DropName"));
    bluez.addDevice(QStringLiteral("hci0"), QStringLiteral("AA:BB:CC:DD:EE:03"), QStringLiteral("Not paired"));

    auto manager = makeManager();
    QSignalSpy published(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    const QList<Device> devices = runTask(manager->getPairedDevices());

    ASSERT_EQ(devices.size(), 2);
    const Device &first = devices.at(0);
    EXPECT_EQ(first.macAddress(), keyboard);
    EXPECT_EQ(first.name(), QStringLiteral("Magic Keyboard"));
    EXPECT_EQ(first.telemetryDeviceId(), QStringLiteral("00000000-0000-0000-0000-000000000000"));
    EXPECT_EQ(first.timestamp(), clock->now());
    EXPECT_FALSE(first.legacyDeviceType().has_value());
    ASSERT_TRUE(first.detectionAttributes().has_value());
    EXPECT_EQ(first.detectionAttributes()->vendorID, quint16(0x05AC));
    EXPECT_EQ(first.detectionAttributes()->productID, quint16(0x0267));
    EXPECT_EQ(first.detectionAttributes()->classOfDevice, quint32(0x002540));
    EXPECT_EQ(first.detectionAttributes()->serviceNames,
              (QStringList{QStringLiteral("Human Interface Device Service"), QStringLiteral("Battery Service")}));

    const Device &second = devices.at(1);
    EXPECT_EQ(second.macAddress(), QStringLiteral("aa:bb:cc:dd:ee:02"));
    EXPECT_EQ(second.name(), QStringLiteral("Unknown Device"));
    EXPECT_EQ(second.detectionAttributes()->vendorID, quint16(0x004C));
    EXPECT_EQ(second.detectionAttributes()->productID, quint16(0x0265));

    EXPECT_EQ(published.count(), 0);
    EXPECT_TRUE(manager->pairedDevices().isEmpty());
}

TEST_F(BluetoothDeviceManagerTest, ConnectionEventsCarryTheCanonicalAddress)
{
    const QString path = addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"));
    auto manager = makeManager();
    QSignalSpy events(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    QSignalSpy removed(manager.get(), &BluetoothDeviceManagerProtocol::deviceRemoved);

    bluez.updateDevice(path, {{QStringLiteral("Connected"), true}});
    ASSERT_TRUE(waitUntil([&] { return events.count() == 1; }));
    EXPECT_EQ(events.at(0).at(0).toString(), keyboard);
    EXPECT_EQ(events.at(0).at(1).value<ConnectionStatus>(), ConnectionStatus::Connected);
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Device connected: ") + keyboard));

    bluez.updateDevice(path, {{QStringLiteral("Connected"), false}});
    ASSERT_TRUE(waitUntil([&] { return events.count() == 2; }));
    EXPECT_EQ(events.at(1).at(1).value<ConnectionStatus>(), ConnectionStatus::PairedNotConnected);
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Device disconnected: ") + keyboard));

    // A device that appears later is followed too.
    const QString later
        = bluez.addDevice(QStringLiteral("hci0"), QStringLiteral("AA:BB:CC:DD:EE:0F"), QStringLiteral("Mouse"));
    bluez.updateDevice(later, {{QStringLiteral("Connected"), true}});
    ASSERT_TRUE(waitUntil([&] { return events.count() == 3; }));
    EXPECT_EQ(events.at(2).at(0).toString(), QStringLiteral("aa:bb:cc:dd:ee:0f"));

    QDBusMessage remove = QDBusMessage::createMethodCall(
        QStringLiteral("org.bluez"), adapter, QStringLiteral("org.bluez.Adapter1"), QStringLiteral("RemoveDevice"));
    remove << QVariant::fromValue(QDBusObjectPath(path));
    ASSERT_EQ(bluez.connection().call(remove).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(waitUntil([&] { return removed.count() == 1; }));
    EXPECT_EQ(removed.at(0).at(0).toString(), keyboard);
}

TEST_F(BluetoothDeviceManagerTest, DevicesOfABluetoothdThatWentAwayAreReportedRemoved)
{
    addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"), {{QStringLiteral("Connected"), true}});
    auto manager = makeManager();
    ASSERT_EQ(runTask(manager->getPairedDevices()).size(), 1);
    QSignalSpy removed(manager.get(), &BluetoothDeviceManagerProtocol::deviceRemoved);

    // A daemon that dies takes its objects along without announcing InterfacesRemoved.
    bluez.stopBluez();

    ASSERT_TRUE(waitUntil([&] { return removed.count() == 1; }));
    EXPECT_EQ(removed.at(0).at(0).toString(), keyboard);
}

TEST_F(BluetoothDeviceManagerTest, PairedListIsClearedWhenBluetoothdLeavesAndPublishedAgainWhenItReturns)
{
    addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"));
    auto manager = makeManager();
    runTask(manager->bootstrapBluetooth());
    ASSERT_EQ(manager->pairedDevices().size(), 1);
    // A manager that never published a list keeps waiting for its bootstrap.
    auto unpublished = makeManager();
    QSignalSpy published(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    QSignalSpy unpublishedLists(unpublished.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);

    bluez.stopBluez();
    ASSERT_TRUE(waitUntil([&] { return published.count() == 1; }));
    EXPECT_TRUE(published.at(0).at(0).value<QList<Device>>().isEmpty());
    EXPECT_TRUE(manager->pairedDevices().isEmpty());
    EXPECT_TRUE(
        logs->contains(LogLevel::Info, QStringLiteral("Bluetooth service went away, clearing the paired device list")));

    // bluetoothd takes its name first and brings its adapter, with the devices it had paired, after.
    ASSERT_TRUE(bluez.startBluez());
    ASSERT_TRUE(waitUntil([&] { return published.count() == 2; }));
    EXPECT_TRUE(manager->pairedDevices().isEmpty());
    restoreAdapterWithPairedKeyboard();

    ASSERT_TRUE(waitUntil([&] { return manager->pairedDevices().size() == 1; }));
    EXPECT_EQ(manager->pairedDevices().constFirst().macAddress(), keyboard);
    EXPECT_EQ(published.constLast().at(0).value<QList<Device>>().size(), 1);
    EXPECT_EQ(unpublishedLists.count(), 0);
}

TEST_F(BluetoothDeviceManagerTest, ALayerStackStartedBeforeBluetoothdPublishesThePairedListWhenItAppears)
{
    bluez.stopBluez();
    // The three layers as the program builds them, the guard asking bluetoothd through the same client.
    const auto client = std::make_shared<BluezClient>(bluez.connection());
    QTemporaryDir storageDirectory;
    const auto checker = std::make_shared<SystemPermissionChecker>(
        StorageManager::create(std::make_shared<PosixFileManager>(), clock, storageDirectory.path(), *logs), *logs,
        clock, SystemPermissionChecker::systemProbes(bluez.connection(), clock, client));
    const auto raw = BluetoothDeviceManager::create(client, clock, logs, BluetoothSystemAccessMode::Live);
    const auto guard = std::make_shared<PermissionGuardedBluetoothDeviceManager>(raw, checker, *logs);
    const auto outermost = std::make_shared<ReactiveBluetoothDeviceManager>(guard, *logs);

    runTask(outermost->bootstrapBluetooth());
    EXPECT_TRUE(logs->contains(LogLevel::Info,
                               QStringLiteral("Skipping Bluetooth bootstrap because authorization is unknown")));
    EXPECT_TRUE(outermost->pairedDevices().isEmpty());

    // bluetoothd takes its name first and brings its adapter after.
    ASSERT_TRUE(bluez.startBluez());
    restoreAdapterWithPairedKeyboard();

    // Several round trips to the mock: room for a busy machine.
    ASSERT_TRUE(waitUntil([&] { return outermost->pairedDevices().size() == 1; }, 20000));
    EXPECT_EQ(outermost->pairedDevices().constFirst().macAddress(), keyboard);
    EXPECT_EQ(outermost->pairedDevices(), runTask(outermost->getPairedDevices()));
}

TEST_F(BluetoothDeviceManagerTest, ReportsConnectionStatusOfKnownAndUnknownDevices)
{
    const QString path = addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"));
    bluez.addDevice(QStringLiteral("hci0"), QStringLiteral("AA:BB:CC:DD:EE:02"), QStringLiteral("Unpaired"));
    auto manager = makeManager();
    const auto device = [](const QString &address) {
        return Device(address, QStringLiteral("x"), TelemetryDeviceIdPolicy::preStoragePlaceholder, std::nullopt,
                      QDateTime::currentDateTimeUtc());
    };

    EXPECT_EQ(runTask(manager->getConnectionStatus(device(keyboardAddress))), ConnectionStatus::PairedNotConnected);
    bluez.updateDevice(path, {{QStringLiteral("Connected"), true}});
    EXPECT_EQ(runTask(manager->getConnectionStatus(device(keyboard))), ConnectionStatus::Connected);
    EXPECT_EQ(runTask(manager->getConnectionStatus(device(QStringLiteral("aa:bb:cc:dd:ee:02")))),
              ConnectionStatus::NotPaired);
    EXPECT_EQ(runTask(manager->getConnectionStatus(device(QStringLiteral("aa:bb:cc:dd:ee:99")))),
              ConnectionStatus::NotPaired);
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("Failed to create BluetoothDevice from MAC address: aa:bb:cc:dd:ee:99")));
    EXPECT_EQ(runTask(manager->getConnectionStatus(device(QStringLiteral("not an address")))),
              ConnectionStatus::NotPaired);
}

TEST_F(BluetoothDeviceManagerTest, PairsTrustsAndConnectsOnTheScheduleInVirtualTime)
{
    const QString path = bluez.addDevice(QStringLiteral("hci0"), keyboardAddress, QStringLiteral("Magic Keyboard"));
    bluez.addMethod(path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Connect"), QString(), QString(),
                    connectStoresConnected);
    auto manager = makeManager();
    QSignalSpy published(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);

    std::optional<OperationResult> result;
    auto pairing = collectInto(manager->pairDevice(keyboard), &result);
    // Waiting on the clock leaves the event loop free: nothing happens until virtual time moves.
    ASSERT_TRUE(waitUntil([&] { return clock->sleeperCount() == 1; }));
    EXPECT_FALSE(result.has_value());
    driveUntilDone(result);

    ASSERT_TRUE(result->success) << describe(*result);
    EXPECT_EQ(result->message, QStringLiteral("Device paired and connected successfully"));
    EXPECT_FALSE(result->failureCategory.has_value());
    EXPECT_TRUE(bluez.property(path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Paired")).toBool());
    EXPECT_TRUE(bluez.property(path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Trusted")).toBool());
    // Settle after pairing, settle after Connect, then two gaps between the three stability checks.
    EXPECT_EQ(clock->requestedSleeps(), (QList<double>{0.5, 2.0, 1.0, 1.0}));
    EXPECT_EQ(bluez.calledMethods(path).count(QStringLiteral("Connect")), 1);
    const QStringList agentCalls = bluez.calledMethods(QStringLiteral("/org/bluez"));
    EXPECT_TRUE(agentCalls.contains(QStringLiteral("RegisterAgent")));
    EXPECT_TRUE(agentCalls.contains(QStringLiteral("UnregisterAgent")));
    EXPECT_FALSE(agentCalls.contains(QStringLiteral("RequestDefaultAgent")));
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Successfully paired with device: ") + keyboard));
    EXPECT_TRUE(logs->contains(LogLevel::Info,
                               QStringLiteral("Connection to device ") + keyboard + QStringLiteral(" is stable")));
    ASSERT_EQ(published.count(), 1);
    EXPECT_EQ(manager->pairedDevices().constFirst().macAddress(), keyboard);
}

TEST_F(BluetoothDeviceManagerTest, PairedDeviceThatNeverConnectsIsStillASuccessAfterFiveAttempts)
{
    // The template's Connect only announces the change; Connected stays false.
    const QString path = bluez.addDevice(QStringLiteral("hci0"), keyboardAddress, QStringLiteral("Magic Keyboard"));
    auto manager = makeManager();
    QSignalSpy published(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    clock->setAutoAdvance(true);

    const OperationResult result = runTask(manager->pairDevice(keyboardAddress));

    ASSERT_TRUE(result.success) << describe(result);
    EXPECT_EQ(
        result.message,
        QStringLiteral("Device paired successfully but connection failed. You may need to manually connect later."));
    EXPECT_EQ(clock->requestedSleeps(), (QList<double>{0.5, 2.0, 1.5, 2.0, 1.5, 2.0, 1.5, 2.0, 1.5, 2.0}));
    EXPECT_EQ(bluez.calledMethods(path).count(QStringLiteral("Connect")), 5);
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("Failed to connect to device ") + keyboard
                                   + QStringLiteral(" after 5 attempts")));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Waiting 1.5 seconds before retry for device ") + keyboard
                                   + QStringLiteral("...")));
    EXPECT_EQ(published.count(), 1);
}

TEST_F(BluetoothDeviceManagerTest, StabilityChecksFollowTheLinkAndWaitForItsServices)
{
    struct Row
    {
        const char *name;
        QString connectCode;
        // Applied while the manager sleeps between the first and second stability check.
        QVariantMap change;
        int connectCalls;
        QList<double> sleeps;
        LogLevel level;
        QString logLine;
    };
    const QList<Row> rows{
        // Connected again by the second Connect, which holds.
        {"link lost: retried",
         connectStoresConnected,
         {{QStringLiteral("Connected"), false}},
         2,
         {0.5, 2.0, 1.0, 1.5, 2.0, 1.0, 1.0},
         LogLevel::Warning,
         QStringLiteral("Connection lost during stability check 2 for device: %1")},
        {"services resolved later: waited for",
         connectLeavesServicesUnresolved,
         {{QStringLiteral("ServicesResolved"), true}},
         1,
         {0.5, 2.0, 1.0, 1.0},
         LogLevel::Debug,
         QStringLiteral("Services of device %1 not resolved yet at stability check 1")},
    };
    auto manager = makeManager();
    int index = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString address = numberedAddress(++index);
        const QString path = addDeviceConnectingWith(address, row.connectCode);
        const qsizetype sleepsBefore = clock->requestedSleeps().size();
        std::optional<OperationResult> result;
        auto pairing = collectInto(manager->pairDevice(address), &result);
        // Settle after pairing, settle after Connect, then the first gap between stability checks.
        for (const double step : {0.5, 2.0}) {
            ASSERT_TRUE(waitUntil([&] { return clock->sleeperCount() == 1; }));
            clock->advance(step);
        }
        ASSERT_TRUE(waitUntil([&] { return clock->sleeperCount() == 1; }));
        bluez.updateDevice(path, row.change);
        driveUntilDone(result);

        ASSERT_TRUE(result->success) << describe(*result);
        EXPECT_EQ(result->message, QStringLiteral("Device paired and connected successfully"));
        EXPECT_EQ(bluez.calledMethods(path).count(QStringLiteral("Connect")), row.connectCalls);
        EXPECT_EQ(clock->requestedSleeps().mid(sleepsBefore), row.sleeps);
        EXPECT_TRUE(logs->contains(row.level, row.logLine.arg(address)));
    }
}

TEST_F(BluetoothDeviceManagerTest, ConnectedCountsAsStableUnlessReportedServicesStayUnresolved)
{
    struct Row
    {
        const char *name;
        bool reportsServicesResolved;
        QString message;
        int connectCalls;
    };
    const QList<Row> rows{
        {"no ServicesResolved property", false, QStringLiteral("Device paired and connected successfully"), 1},
        {"services never resolved", true,
         QStringLiteral("Device paired successfully but connection failed. You may need to manually connect later."),
         5},
    };
    auto manager = makeManager();
    clock->setAutoAdvance(true);
    int index = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString address = numberedAddress(++index);
        const QString path = addDeviceConnectingWith(address, connectLeavesServicesUnresolved);
        if (!row.reportsServicesResolved) {
            bluez.addMethod(path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("DropServicesResolved"),
                            QString(), QString(),
                            QStringLiteral("del self.props['org.bluez.Device1']['ServicesResolved']"));
            callMock(path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("DropServicesResolved"));
        }

        const OperationResult result = runTask(manager->pairDevice(address));

        EXPECT_TRUE(result.success) << describe(result);
        EXPECT_EQ(result.message, row.message);
        EXPECT_EQ(bluez.calledMethods(path).count(QStringLiteral("Connect")), row.connectCalls);
        EXPECT_EQ(logs->contains(LogLevel::Warning,
                                 QStringLiteral("Services of device ") + address
                                     + QStringLiteral(" were not resolved during the stability checks")),
                  row.reportsServicesResolved);
    }
}

TEST_F(BluetoothDeviceManagerTest, PairingFailuresAreMappedFromBluezErrorNames)
{
    struct Row
    {
        QString error;
        OperationFailureCategory category;
    };
    const QList<Row> rows{
        {QStringLiteral("org.bluez.Error.AuthenticationFailed"), OperationFailureCategory::PermissionDenied},
        {QStringLiteral("org.bluez.Error.AuthenticationRejected"), OperationFailureCategory::PermissionDenied},
        {QStringLiteral("org.bluez.Error.AuthenticationCanceled"), OperationFailureCategory::Cancelled},
        {QStringLiteral("org.bluez.Error.AuthenticationTimeout"), OperationFailureCategory::Timeout},
        {QStringLiteral("org.bluez.Error.ConnectionAttemptFailed"), OperationFailureCategory::Timeout},
        {QStringLiteral("org.bluez.Error.InvalidArguments"), OperationFailureCategory::ValidationFailed},
        {QStringLiteral("org.bluez.Error.NotSupported"), OperationFailureCategory::UnsupportedDevice},
        {QStringLiteral("org.bluez.Error.NotReady"), OperationFailureCategory::NetworkUnavailable},
        {QStringLiteral("org.bluez.Error.Failed"), OperationFailureCategory::Unknown},
    };
    auto manager = makeManager();
    int index = 0;
    for (const Row &row : rows) {
        const QString address = QStringLiteral("AA:BB:CC:DD:EE:%1").arg(++index, 2, 10, QLatin1Char('0'));
        const QString path = bluez.addDevice(QStringLiteral("hci0"), address, QStringLiteral("Device"));
        bluez.failMethod(path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Pair"), QString(), row.error,
                         QStringLiteral("Page Timeout"));

        const OperationResult result = runTask(manager->pairDevice(address));

        EXPECT_FALSE(result.success) << row.error.toStdString();
        EXPECT_EQ(result.failureCategory, row.category) << row.error.toStdString();
        EXPECT_EQ(result.message, QStringLiteral("Pairing failed: ") + row.error + QStringLiteral(" (Page Timeout)"));
        EXPECT_TRUE(logs->contains(LogLevel::Error, *result.message));
        EXPECT_FALSE(bluez.calledMethods(path).contains(QStringLiteral("Connect")));
    }
    EXPECT_TRUE(clock->requestedSleeps().isEmpty());
}

TEST_F(BluetoothDeviceManagerTest, AlreadyPairedDevicesSucceedWithoutConnecting)
{
    const QString connectedPath
        = addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"), {{QStringLiteral("Connected"), true}});
    const QString idlePath = addPairedDevice(QStringLiteral("AA:BB:CC:DD:EE:02"), QStringLiteral("Trackpad"));
    // bluetoothd may finish a pairing of its own between our look and our Pair.
    const QString racedPath
        = bluez.addDevice(QStringLiteral("hci0"), QStringLiteral("AA:BB:CC:DD:EE:03"), QStringLiteral("Mouse"));
    bluez.failMethod(racedPath, QStringLiteral("org.bluez.Device1"), QStringLiteral("Pair"), QString(),
                     QStringLiteral("org.bluez.Error.AlreadyExists"), QStringLiteral("Already Exists"));
    auto manager = makeManager();
    QSignalSpy published(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);

    const OperationResult connected = runTask(manager->pairDevice(keyboardAddress));
    EXPECT_TRUE(connected.success);
    EXPECT_EQ(connected.message, QStringLiteral("Device is already paired and connected"));
    const OperationResult idle = runTask(manager->pairDevice(QStringLiteral("aa:bb:cc:dd:ee:02")));
    EXPECT_TRUE(idle.success);
    EXPECT_EQ(idle.message, QStringLiteral("Device is already paired"));
    const OperationResult raced = runTask(manager->pairDevice(QStringLiteral("aa:bb:cc:dd:ee:03")));
    EXPECT_TRUE(raced.success) << describe(raced);
    EXPECT_EQ(raced.message, QStringLiteral("Device is already paired"));

    for (const QString &path : {connectedPath, idlePath}) {
        const QStringList calls = bluez.calledMethods(path);
        EXPECT_FALSE(calls.contains(QStringLiteral("Pair")));
        EXPECT_FALSE(calls.contains(QStringLiteral("Connect")));
    }
    EXPECT_EQ(published.count(), 0);
}

TEST_F(BluetoothDeviceManagerTest, RefusesAddressesThatAreNotSixHexPairs)
{
    auto manager = makeManager();
    for (const QString &address : {QStringLiteral("nonsense"), QStringLiteral("aa:bb:cc:dd:ee"),
                                   QStringLiteral("/org/bluez/hci0/dev_AA_BB_CC_DD_EE_01")}) {
        const OperationResult pair = runTask(manager->pairDevice(address));
        EXPECT_FALSE(pair.success);
        EXPECT_EQ(pair.failureCategory, OperationFailureCategory::ValidationFailed);
        EXPECT_EQ(pair.message, QStringLiteral("Invalid MAC address format or device not found: ") + address);
        const OperationResult unpair = runTask(manager->unpairDevice(address));
        EXPECT_EQ(unpair.failureCategory, OperationFailureCategory::ValidationFailed);
    }
}

TEST_F(BluetoothDeviceManagerTest, FindsAForgottenDeviceByDiscovery)
{
    auto manager = makeManager();
    std::optional<OperationResult> result;
    auto pairing = collectInto(manager->pairDevice(keyboard), &result);
    // The template has no Adapter1.ConnectDevice, so the manager searches.
    ASSERT_TRUE(waitUntil([&] { return clock->sleeperCount() == 1; }));
    EXPECT_TRUE(bluez.property(adapter, QStringLiteral("org.bluez.Adapter1"), QStringLiteral("Discovering")).toBool());
    bluez.addDevice(QStringLiteral("hci0"), keyboardAddress, QStringLiteral("Magic Keyboard"));
    clock->setAutoAdvance(true);
    clock->advance(1.0);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));

    EXPECT_TRUE(result->success) << describe(*result);
    const QStringList calls = bluez.calledMethods(adapter);
    EXPECT_EQ(calls.mid(calls.indexOf(QStringLiteral("SetDiscoveryFilter"))),
              (QStringList{QStringLiteral("SetDiscoveryFilter"), QStringLiteral("StartDiscovery"),
                           QStringLiteral("StopDiscovery")}));
}

TEST_F(BluetoothDeviceManagerTest, DeviceThatCannotBeFoundTimesOut)
{
    auto manager = makeManager();
    clock->setAutoAdvance(true);
    const OperationResult result = runTask(manager->pairDevice(keyboard));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.failureCategory, OperationFailureCategory::Timeout);
    EXPECT_EQ(result.message, QStringLiteral("Device not found: ") + keyboard);
    EXPECT_TRUE(bluez.calledMethods(adapter).contains(QStringLiteral("StopDiscovery")));
    EXPECT_FALSE(bluez.property(adapter, QStringLiteral("org.bluez.Adapter1"), QStringLiteral("Discovering")).toBool());
}

TEST_F(BluetoothDeviceManagerTest, UnknownDeviceOnAPoweredOffAdapterIsReportedAtOnce)
{
    bluez.updateProperties(adapter, QStringLiteral("org.bluez.Adapter1"), {{QStringLiteral("Powered"), false}});
    struct Row
    {
        const char *name;
        QString method;
        QString signature;
    };
    // bluetoothd answers NotReady to both while the radio is off; the template offers no ConnectDevice
    // until the second row adds one.
    const QList<Row> rows{{"discovery refused", QStringLiteral("StartDiscovery"), QString()},
                          {"ConnectDevice refused", QStringLiteral("ConnectDevice"), QStringLiteral("a{sv}")}};
    auto manager = makeManager();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        bluez.failMethod(adapter, QStringLiteral("org.bluez.Adapter1"), row.method, row.signature,
                         QStringLiteral("org.bluez.Error.NotReady"), QStringLiteral("Resource Not Ready"));
        const qsizetype discoveriesBefore = bluez.calledMethods(adapter).count(QStringLiteral("StartDiscovery"));

        const OperationResult result = runTask(manager->pairDevice(keyboard));

        EXPECT_FALSE(result.success);
        EXPECT_EQ(result.failureCategory, OperationFailureCategory::NetworkUnavailable);
        EXPECT_EQ(result.message, QStringLiteral("The Bluetooth adapter is powered off"));
        EXPECT_TRUE(clock->requestedSleeps().isEmpty());
        EXPECT_TRUE(logs->contains(
            LogLevel::Warning, QStringLiteral("Bluetooth adapter is powered off, unable to pair device: ") + keyboard));
        EXPECT_FALSE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("Device not found")));
        EXPECT_EQ(bluez.calledMethods(adapter).count(QStringLiteral("StartDiscovery")) - discoveriesBefore,
                  row.method == QStringLiteral("StartDiscovery") ? 1 : 0);
    }
}

TEST_F(BluetoothDeviceManagerTest, CreatesAForgottenDeviceWithConnectDeviceWhenOffered)
{
    bluez.addMethod(adapter, QStringLiteral("org.bluez.Adapter1"), QStringLiteral("ConnectDevice"),
                    QStringLiteral("a{sv}"), QStringLiteral("o"),
                    QStringLiteral("ret = objects['/'].AddDevice('hci0', args[0]['Address'], 'Magic Keyboard')"));
    auto manager = makeManager();
    clock->setAutoAdvance(true);
    const OperationResult result = runTask(manager->pairDevice(keyboard));
    EXPECT_TRUE(result.success) << describe(result);
    EXPECT_FALSE(bluez.calledMethods(adapter).contains(QStringLiteral("StartDiscovery")));
    EXPECT_TRUE(bluez
                    .property(FakeBluez::devicePath(QStringLiteral("hci0"), keyboardAddress),
                              QStringLiteral("org.bluez.Device1"), QStringLiteral("Paired"))
                    .toBool());
}

TEST_F(BluetoothDeviceManagerTest, AgentIsCalledByBluezDuringPair)
{
    const QString path = bluez.addDevice(QStringLiteral("hci0"), keyboardAddress, QStringLiteral("Magic Keyboard"));
    // As bluetoothd does: ask the registered agent for the PIN while Pair is pending.
    bluez.addMethod(
        path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Pair"), QString(), QString(),
        QStringLiteral("agent = self.connection.get_object('%1', objects['/org/bluez'].agent_paths[0])\n"
                       "pin = agent.RequestPinCode(dbus.ObjectPath('%2'), dbus_interface='org.bluez.Agent1')\n"
                       "assert pin == '9062', pin\n"
                       "self.UpdateProperties('org.bluez.Device1', {'Paired': dbus.Boolean(True)})")
            .arg(bluez.connection().baseService(), path));
    auto manager = makeManager();
    clock->setAutoAdvance(true);
    const OperationResult result = runTask(manager->pairDevice(keyboard));
    EXPECT_TRUE(result.success) << describe(result);
    EXPECT_TRUE(logs->contains(
        LogLevel::Info, QStringLiteral("Using PIN 9062 for \"Magic Keyboard\" (") + keyboard + QStringLiteral(")")));
}

TEST_F(BluetoothDeviceManagerTest, UnpairRemovesTheDeviceAndPublishesTheRest)
{
    const QString path = addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"));
    addPairedDevice(QStringLiteral("AA:BB:CC:DD:EE:02"), QStringLiteral("Trackpad"));
    bluez.addDevice(QStringLiteral("hci0"), QStringLiteral("AA:BB:CC:DD:EE:03"), QStringLiteral("Not paired"));
    auto manager = makeManager();
    QSignalSpy published(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);

    const OperationResult result = runTask(manager->unpairDevice(keyboardAddress));

    ASSERT_TRUE(result.success) << describe(result);
    EXPECT_EQ(result.message, QStringLiteral("Device unpaired successfully"));
    EXPECT_FALSE(bluez.objectExists(path));
    ASSERT_EQ(published.count(), 1);
    ASSERT_EQ(manager->pairedDevices().size(), 1);
    EXPECT_EQ(manager->pairedDevices().constFirst().macAddress(), QStringLiteral("aa:bb:cc:dd:ee:02"));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Unpaired device: ") + keyboard
                                   + QStringLiteral(", remaining devices: aa:bb:cc:dd:ee:02")));

    const OperationResult notPaired = runTask(manager->unpairDevice(QStringLiteral("aa:bb:cc:dd:ee:03")));
    EXPECT_EQ(notPaired.failureCategory, OperationFailureCategory::Conflict);
    EXPECT_EQ(notPaired.message, QStringLiteral("Device is not paired: aa:bb:cc:dd:ee:03"));
    const OperationResult gone = runTask(manager->unpairDevice(keyboard));
    EXPECT_EQ(gone.failureCategory, OperationFailureCategory::ValidationFailed);
}

TEST_F(BluetoothDeviceManagerTest, DisabledManagerNeverTouchesBluez)
{
    addPairedDevice(keyboardAddress, QStringLiteral("Magic Keyboard"));
    auto manager = makeManager(BluetoothSystemAccessMode::Disabled);
    EXPECT_EQ(logs->messages(LogLevel::Info, QStringLiteral("BluetoothDeviceManager")),
              (QStringList{QStringLiteral("BluetoothDeviceManager initialized"),
                           QStringLiteral("Bluetooth system access disabled for this manager instance")}));
    logs->clear();

    EXPECT_TRUE(runTask(manager->getPairedDevices()).isEmpty());
    const OperationResult pair = runTask(manager->pairDevice(keyboardAddress));
    const OperationResult unpair = runTask(manager->unpairDevice(keyboardAddress));
    for (const OperationResult &result : {pair, unpair}) {
        EXPECT_FALSE(result.success);
        EXPECT_EQ(result.message, QStringLiteral("Bluetooth system access is disabled for this manager instance"));
        EXPECT_EQ(result.failureCategory, OperationFailureCategory::PermissionDenied);
    }
    EXPECT_TRUE(logs->allMessages().isEmpty());
    EXPECT_EQ(runTask(manager->getConnectionStatus(
                  Device(keyboard, QStringLiteral("x"), QString(), std::nullopt, clock->now()))),
              ConnectionStatus::NotPaired);
}

TEST_F(BluetoothDeviceManagerTest, MissingBluetoothServiceIsReportedNotThrown)
{
    auto manager = makeManager();
    bluez.stopBluez();
    const OperationResult result = runTask(manager->pairDevice(keyboard));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.failureCategory, OperationFailureCategory::NetworkUnavailable);
    EXPECT_TRUE(runTask(manager->getPairedDevices()).isEmpty());
}

TEST_F(BluetoothDeviceManagerTest, PairingThatOutlastsTheCallIsCancelledInBluetoothd)
{
    const QString path = bluez.addDevice(QStringLiteral("hci0"), keyboardAddress, QStringLiteral("Keyboard"));
    bluez.addMethod(path, QStringLiteral("org.bluez.Device1"), QStringLiteral("Pair"), QString(), QString(),
                    QStringLiteral("import time; time.sleep(1.0)"));
    auto manager = makeManager(BluetoothSystemAccessMode::Live, 200);
    const OperationResult result = runTask(manager->pairDevice(keyboardAddress));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.failureCategory, OperationFailureCategory::Timeout);
    EXPECT_TRUE(waitUntil([&] { return bluez.calledMethods(path).contains(QStringLiteral("CancelPairing")); }, 5000))
        << bluez.calledMethods(path).join(u',').toStdString();
}

} // namespace
