#include "mock/DebugMockBluetoothDeviceManager.h"

#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"
#include "bluetooth/ReactiveBluetoothDeviceManager.h"
#include "mock/DebugContextKeeper.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/TestData.h"
#include "support/TestFiles.h"
#include "support/fakes/FakeDebugContextUpdater.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString keyboard = QStringLiteral("aa:bb:cc:dd:ee:ff");
const QString mouse = QStringLiteral("11:22:33:44:55:66");

DebugBluetoothDevice entry(const QString &address, bool paired, bool connected)
{
    return DebugBluetoothDevice{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                address,
                                QStringLiteral("Device"),
                                connected,
                                paired,
                                std::nullopt,
                                std::nullopt};
}

DebugContext withDevices(QList<DebugBluetoothDevice> devices)
{
    DebugContext context = DebugContext::createDefault();
    context.localBluetoothDevices = std::move(devices);
    return context;
}

QList<std::pair<QString, ConnectionStatus>> statusPairs(const QSignalSpy &spy)
{
    QList<std::pair<QString, ConnectionStatus>> pairs;
    for (const QList<QVariant> &signal : spy) {
        pairs.append({signal.at(0).toString(), signal.at(1).value<ConnectionStatus>()});
    }
    return pairs;
}

// Runs against a real context file, watched as in a mock-mode run; pauses pass in virtual time.
class SimulatedManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clock->setAutoAdvance(true);
        DebugContext context
            = withDevices({entry(QStringLiteral("AA:BB:CC:DD:EE:FF"), false, true), entry(mouse, true, true),
                           entry(QString(), true, false), entry(QStringLiteral("not an address"), true, true)});
        context.listenerPort = 50010;
        context.save(path);
        keeper = std::make_shared<DebugContextKeeper>(path, logs, clock);
        manager = std::make_shared<DebugMockBluetoothDeviceManager>(keeper, logs, clock, 0.5);
    }

    ConnectionStatus status(const QString &address)
    {
        return runTask(manager->getConnectionStatus(makeDevice(address)));
    }

    QTemporaryDir directory;
    QString path = directory.filePath(QStringLiteral("context.json"));
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
    std::shared_ptr<DebugContextKeeper> keeper;
    std::shared_ptr<DebugMockBluetoothDeviceManager> manager;
};

TEST_F(SimulatedManagerTest, DevicesComeFromTheContextInTheCanonicalForm)
{
    const QList<Device> published = manager->pairedDevices();
    ASSERT_EQ(published.size(), 2);
    EXPECT_EQ(published.at(0).macAddress(), keyboard);
    EXPECT_EQ(published.at(1).macAddress(), mouse);
    EXPECT_EQ(status(keyboard), ConnectionStatus::NotPaired);
    EXPECT_EQ(status(QStringLiteral("11-22-33-44-55-66")), ConnectionStatus::Connected);
    EXPECT_EQ(status(QStringLiteral("00:00:00:00:00:01")), ConnectionStatus::NotPaired);
    const QList<Device> paired = runTask(manager->getPairedDevices());
    ASSERT_EQ(paired.size(), 1);
    EXPECT_EQ(paired.at(0).macAddress(), mouse);
    EXPECT_TRUE(
        logs.contains(LogLevel::Warning, QStringLiteral("Skipping device with an invalid address: not an address")));
}

TEST_F(SimulatedManagerTest, APairWritesTheFlagsBackAndOneStatusChangeFollows)
{
    QSignalSpy statuses(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    QSignalSpy lists(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);

    const OperationResult result = runTask(manager->pairDevice(QStringLiteral("AA-BB-CC-DD-EE-FF")));
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.message, QStringLiteral("Debug mock pairing successful"));
    EXPECT_EQ(clock->requestedSleeps(), QList<double>{0.5});
    // The context answers at once; the signals follow the file watch.
    EXPECT_EQ(status(keyboard), ConnectionStatus::Connected);
    const DebugContext saved = DebugContext::load(path);
    EXPECT_TRUE(saved.localBluetoothDevices.at(0).isPaired);
    EXPECT_TRUE(saved.localBluetoothDevices.at(0).isConnected);
    EXPECT_EQ(saved.localBluetoothDevices.at(0).address, QStringLiteral("AA:BB:CC:DD:EE:FF"));
    EXPECT_EQ(saved.listenerPort, 50010);

    ASSERT_TRUE(waitUntil([&] { return !statuses.isEmpty(); }));
    QTest::qWait(50);
    keeper->reloadDebugContext();
    keeper->reloadDebugContext();
    EXPECT_EQ(statusPairs(statuses),
              (QList<std::pair<QString, ConnectionStatus>>{{keyboard, ConnectionStatus::Connected}}));
    EXPECT_GE(lists.count(), 3);
}

TEST_F(SimulatedManagerTest, AnUnpairedDeviceLeavesThePairedListButStaysPublished)
{
    QSignalSpy statuses(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    const QDateTime before = clock->now();
    const OperationResult result = runTask(manager->unpairDevice(mouse));
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.message, QStringLiteral("Debug mock unpairing successful"));
    EXPECT_GE(before.msecsTo(clock->now()), 500);
    EXPECT_TRUE(runTask(manager->getPairedDevices()).isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !statuses.isEmpty(); }));
    EXPECT_EQ(statusPairs(statuses).last(), std::make_pair(mouse, ConnectionStatus::NotPaired));
    EXPECT_EQ(manager->pairedDevices().size(), 2);
    EXPECT_EQ(DebugContext::load(path).listenerPort, 50010);
}

TEST_F(SimulatedManagerTest, UnderTheGuardAndTheCacheTheBootstrapPublishesThePairedDevices)
{
    const auto guard = std::make_shared<PermissionGuardedBluetoothDeviceManager>(
        manager, std::make_shared<MockSystemPermissionChecker>(SystemPermissionStatus::Authorized), logs);
    const auto outermost = std::make_shared<ReactiveBluetoothDeviceManager>(guard, logs);
    QSignalSpy lists(outermost.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    EXPECT_TRUE(outermost->pairedDevices().isEmpty());

    runTask(outermost->bootstrapBluetooth());

    const QList<Device> paired = runTask(outermost->getPairedDevices());
    ASSERT_EQ(paired.size(), 1);
    EXPECT_EQ(outermost->pairedDevices(), paired);
    ASSERT_EQ(lists.count(), 1);
    EXPECT_EQ(lists.at(0).at(0).value<QList<Device>>(), paired);
}

TEST_F(SimulatedManagerTest, UnknownAddressesFailToPairAndAreSkippedWhenUnpairing)
{
    for (const QString &address : {QStringLiteral("00:00:00:00:00:01"), QStringLiteral("junk")}) {
        const OperationResult pair = runTask(manager->pairDevice(address));
        EXPECT_FALSE(pair.success);
        EXPECT_EQ(pair.message, QStringLiteral("Device not found in debug context"));
        EXPECT_EQ(pair.failureCategory, OperationFailureCategory::ValidationFailed);
        const OperationResult unpair = runTask(manager->unpairDevice(address));
        EXPECT_TRUE(unpair.success);
        EXPECT_EQ(unpair.message, QStringLiteral("Device not found in debug context"));
    }
}

TEST_F(SimulatedManagerTest, AnEditOfTheFileIsAnnouncedAsStatusChanges)
{
    QSignalSpy statuses(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    DebugContext edited = DebugContext::load(path);
    edited.localBluetoothDevices[1].isConnected = false;
    edited.localBluetoothDevices.append(entry(QStringLiteral("01:02:03:04:05:06"), true, true));
    replaceFile(path, QJsonDocument(edited.toJson().toObject()).toJson());
    ASSERT_TRUE(waitUntil([&] { return statuses.count() >= 2; }));
    EXPECT_EQ(statusPairs(statuses),
              (QList<std::pair<QString, ConnectionStatus>>{
                  {mouse, ConnectionStatus::PairedNotConnected},
                  {QStringLiteral("01:02:03:04:05:06"), ConnectionStatus::Connected}}));
    EXPECT_EQ(manager->pairedDevices().size(), 3);
}

class SimulatedManagerDoublesTest : public ::testing::Test
{
protected:
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
};

TEST_F(SimulatedManagerDoublesTest, WithoutAnUpdaterNothingChangesButKnownDevicesSucceed)
{
    clock->setAutoAdvance(true);
    auto provider = std::make_shared<FakeDebugContextProvider>(withDevices({entry(keyboard, false, false)}));
    auto manager = std::make_shared<DebugMockBluetoothDeviceManager>(provider, logs, clock, 0);
    const OperationResult pair = runTask(manager->pairDevice(keyboard));
    EXPECT_TRUE(pair.success);
    EXPECT_EQ(pair.message, QStringLiteral("Debug mock pairing successful (no state update)"));
    EXPECT_EQ(runTask(manager->unpairDevice(QStringLiteral("00:00:00:00:00:01"))).message,
              QStringLiteral("Debug mock unpairing successful (no state update)"));
    EXPECT_FALSE(runTask(manager->pairDevice(QStringLiteral("00:00:00:00:00:01"))).success);
    EXPECT_FALSE(provider->context.localBluetoothDevices.at(0).isPaired);
    EXPECT_TRUE(clock->requestedSleeps().isEmpty());
}

TEST_F(SimulatedManagerDoublesTest, AFailedWriteIsAnUnknownFailureAndChangesNothing)
{
    clock->setAutoAdvance(true);
    auto updater = std::make_shared<FakeDebugContextUpdater>(withDevices({entry(keyboard, false, false)}));
    updater->stubbedUpdateError = StorageError::jsonEncodingFailed(QStringLiteral("No space left on device"));
    auto manager = std::make_shared<DebugMockBluetoothDeviceManager>(updater, logs, clock, 0.5);
    const OperationResult results[]
        = {runTask(manager->pairDevice(keyboard)), runTask(manager->unpairDevice(keyboard))};
    for (const OperationResult &result : results) {
        EXPECT_FALSE(result.success);
        EXPECT_EQ(result.message,
                  QStringLiteral("Failed to update debug context: JSON encoding failed: No space left on device"));
        EXPECT_EQ(result.failureCategory, OperationFailureCategory::Unknown);
    }
    EXPECT_FALSE(updater->context.localBluetoothDevices.at(0).isPaired);
}

TEST_F(SimulatedManagerDoublesTest, TheWriteBackFindsTheDeviceAgainByAddress)
{
    clock->setAutoAdvance(true);
    auto updater = std::make_shared<FakeDebugContextUpdater>(
        withDevices({entry(mouse, true, true), entry(keyboard, false, false)}));
    auto manager = std::make_shared<DebugMockBluetoothDeviceManager>(updater, logs, clock, 0.5);

    // An edit between the look-up and the write moved the keyboard to the front.
    updater->beforeChange
        = [](DebugContext &context) { std::swap(context.localBluetoothDevices[0], context.localBluetoothDevices[1]); };
    EXPECT_TRUE(runTask(manager->pairDevice(keyboard)).success);
    ASSERT_EQ(updater->context.localBluetoothDevices.size(), 2);
    EXPECT_EQ(updater->context.localBluetoothDevices.at(0).address, keyboard);
    EXPECT_TRUE(updater->context.localBluetoothDevices.at(0).isPaired);
    EXPECT_TRUE(updater->context.localBluetoothDevices.at(1).isConnected);

    // An edit removed the device: the write touches nothing else.
    updater->beforeChange = [](DebugContext &context) { context.localBluetoothDevices.removeFirst(); };
    const DebugContext before = updater->context;
    const OperationResult result = runTask(manager->unpairDevice(keyboard));
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.message, QStringLiteral("Device not found in debug context"));
    ASSERT_EQ(updater->context.localBluetoothDevices.size(), 1);
    EXPECT_EQ(updater->context.localBluetoothDevices.at(0), before.localBluetoothDevices.at(1));
}

} // namespace
