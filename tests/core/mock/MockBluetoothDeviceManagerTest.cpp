#include "mock/MockBluetoothDeviceManager.h"

#include "bluetooth/SystemPermissionChecker.h"
#include "foundation/PosixFileManager.h"
#include "mock/AuthorizedBluetoothProbe.h"
#include "mock/AuthorizedLocalNetworkProbe.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/TestData.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSignalSpy>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

using namespace verandel;
using namespace verandel::test;

namespace {

QCoro::Task<> collect(QCoro::Task<OperationResult> task, std::optional<OperationResult> *result)
{
    *result = co_await std::move(task);
}

class CannedManagerTest : public ::testing::Test
{
protected:
    std::shared_ptr<MockBluetoothDeviceManager> make(double delay)
    {
        return std::make_shared<MockBluetoothDeviceManager>(logs, clock, delay, ConnectionStatus::PairedNotConnected);
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
};

TEST_F(CannedManagerTest, NoDevicesAndOneStatusForEveryDevice)
{
    const auto manager = make(0.5);
    EXPECT_TRUE(manager->pairedDevices().isEmpty());
    EXPECT_TRUE(runTask(manager->getPairedDevices()).isEmpty());
    for (const QString &address : {QStringLiteral("aa:bb:cc:dd:ee:ff"), QString()}) {
        EXPECT_EQ(runTask(manager->getConnectionStatus(makeDevice(address))), ConnectionStatus::PairedNotConnected);
    }
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Mock getConnectionStatus(for: Device) called")));
}

TEST_F(CannedManagerTest, PairingAndUnpairingAnyAddressSucceedAfterTheDelay)
{
    const auto manager = make(0.5);
    QSignalSpy statuses(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    std::optional<OperationResult> pair;
    std::optional<OperationResult> unpair;
    auto pairing = collect(manager->pairDevice(QStringLiteral("not an address")), &pair);
    auto unpairing = collect(manager->unpairDevice(QString()), &unpair);
    clock->advance(0.4);
    EXPECT_FALSE(pair || unpair);
    clock->advance(0.1);
    ASSERT_TRUE(waitUntil([&] { return pair && unpair; }));
    EXPECT_TRUE(pair->success);
    EXPECT_EQ(pair->message, QStringLiteral("Device paired successfully"));
    EXPECT_EQ(unpair->message, QStringLiteral("Device unpaired successfully"));
    EXPECT_EQ(statuses.count(), 0);
    EXPECT_EQ(logs.messages(LogLevel::Info).first(),
              QStringLiteral("Mock pairing device with MAC address: not an address"));

    std::optional<OperationResult> immediate;
    auto now = collect(make(0)->pairDevice(QStringLiteral("aa:bb:cc:dd:ee:ff")), &immediate);
    EXPECT_TRUE(immediate && immediate->success);
}

TEST_F(CannedManagerTest, DelaysAreBoundedToAnHour)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, double>> cases{
        {0.5, 0.5},       {-1, 0},        {1e300, 3600},
        {infinity, 3600}, {-infinity, 0}, {std::numeric_limits<double>::quiet_NaN(), 3600}};
    for (const auto &[given, used] : cases) {
        EXPECT_EQ(make(given)->operationDelay(), used) << given;
    }
    clock->setAutoAdvance(true);
    EXPECT_TRUE(runTask(make(infinity)->pairDevice(QStringLiteral("aa:bb:cc:dd:ee:ff"))).success);
    EXPECT_EQ(clock->requestedSleeps(), QList<double>{3600});
}

TEST(AuthorizedProbesTest, ACheckerOnThemAnswersAuthorizedWithoutAnyDaemon)
{
    QTemporaryDir directory;
    const auto clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
    auto storage = StorageManager::create(std::make_shared<PosixFileManager>(), clock, directory.path(), logs);
    SystemPermissionChecker::Probes probes{AuthorizedLocalNetworkProbe::factory(), AuthorizedBluetoothProbe::factory(),
                                           [](const QString &, const QStringList &) { return false; }};
    const auto checker = std::make_shared<SystemPermissionChecker>(storage, logs, clock, probes);
    EXPECT_EQ(runTask(checker->requestLocalNetworkAccess()), SystemPermissionStatus::Authorized);
    EXPECT_EQ(runTask(checker->refreshLocalNetworkAccess()), SystemPermissionStatus::Authorized);
    EXPECT_EQ(runTask(checker->requestBluetoothAccess()), SystemPermissionStatus::Authorized);
    EXPECT_EQ(runTask(checker->refreshBluetoothAccess()), SystemPermissionStatus::Authorized);
    EXPECT_EQ(checker->localNetworkStatus(), SystemPermissionStatus::Authorized);
    EXPECT_EQ(checker->bluetoothStatus(), SystemPermissionStatus::Authorized);
}

} // namespace
