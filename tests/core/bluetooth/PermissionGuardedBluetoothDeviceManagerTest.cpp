#include "support/TestData.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/MockSystemPermissionChecker.h"

#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

class PermissionGuardTest : public ::testing::Test
{
protected:
    std::shared_ptr<FakeBluetoothDeviceManager> inner = std::make_shared<FakeBluetoothDeviceManager>();
    std::shared_ptr<MockSystemPermissionChecker> checker
        = std::make_shared<MockSystemPermissionChecker>(SystemPermissionStatus::Unknown);
    RecordingLoggerFactory logs;
    std::shared_ptr<PermissionGuardedBluetoothDeviceManager> guard
        = std::make_shared<PermissionGuardedBluetoothDeviceManager>(inner, checker, logs);
};

TEST_F(PermissionGuardTest, RefusesEveryOperationWithoutPermission)
{
    inner->devices = {makeDevice(QStringLiteral("aa:bb:cc:dd:ee:01"))};
    for (const SystemPermissionStatus status : {SystemPermissionStatus::Unknown, SystemPermissionStatus::Denied}) {
        checker->simulateBluetoothStatus(status);
        logs.clear();

        EXPECT_TRUE(runTask(guard->getPairedDevices()).isEmpty());
        EXPECT_EQ(runTask(guard->getConnectionStatus(makeDevice(QStringLiteral("aa:bb:cc:dd:ee:01")))),
                  ConnectionStatus::NotPaired);
        for (const OperationResult &result : {runTask(guard->pairDevice(QStringLiteral("aa:bb:cc:dd:ee:01"))),
                                              runTask(guard->unpairDevice(QStringLiteral("aa:bb:cc:dd:ee:01")))}) {
            EXPECT_FALSE(result.success);
            EXPECT_EQ(result.message, QStringLiteral("Bluetooth permission is required"));
            EXPECT_EQ(result.failureCategory, OperationFailureCategory::PermissionDenied);
        }
        runTask(guard->bootstrapBluetooth());

        EXPECT_EQ(
            logs.messages(LogLevel::Info),
            (QStringList{QStringLiteral("Blocking getPairedDevices because Bluetooth authorization is not granted"),
                         QStringLiteral("Blocking getConnectionStatus for aa:bb:cc:dd:ee:01 because Bluetooth "
                                        "authorization is not granted"),
                         QStringLiteral("Skipping Bluetooth bootstrap because authorization is ") + toString(status)}));
    }
    EXPECT_EQ(inner->listCalls + inner->statusCalls + inner->bootstrapCalls, 0);
    EXPECT_TRUE(inner->pairCalls.isEmpty());
    EXPECT_TRUE(inner->unpairCalls.isEmpty());
    EXPECT_EQ(checker->bluetoothRefreshCallCount(), 10);
}

TEST_F(PermissionGuardTest, ABootstrapSkippedForWantOfBluetoothRunsWhenTheServiceAppears)
{
    inner->devices = {makeDevice(QStringLiteral("aa:bb:cc:dd:ee:01"))};
    // Nothing was skipped: the service coming and going is the inner manager's business.
    Q_EMIT inner->bluetoothServiceAppeared();
    EXPECT_EQ(checker->bluetoothRefreshCallCount(), 0);

    runTask(guard->bootstrapBluetooth());
    EXPECT_EQ(inner->bootstrapCalls, 0);
    EXPECT_EQ(inner->watchCalls, 1);

    // An adapter that is still not usable: skipped again.
    Q_EMIT inner->bluetoothServiceAppeared();
    ASSERT_TRUE(waitUntil([&] { return checker->bluetoothRefreshCallCount() == 2; }));
    EXPECT_EQ(inner->bootstrapCalls, 0);

    checker->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
    QSignalSpy published(guard.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    Q_EMIT inner->bluetoothServiceAppeared();
    ASSERT_TRUE(waitUntil([&] { return inner->bootstrapCalls == 1; }));
    ASSERT_EQ(published.count(), 1);
    EXPECT_EQ(published.at(0).at(0).value<QList<Device>>(), inner->devices);
    EXPECT_TRUE(logs.contains(LogLevel::Info,
                              QStringLiteral("Bluetooth service appeared, running the skipped Bluetooth bootstrap")));

    // Once done, later appearances (a restart of bluetoothd) are left to the inner manager.
    Q_EMIT inner->bluetoothServiceAppeared();
    QCoreApplication::processEvents();
    EXPECT_EQ(checker->bluetoothRefreshCallCount(), 3);
    EXPECT_EQ(inner->bootstrapCalls, 1);
}

TEST_F(PermissionGuardTest, PassesEverythingThroughOnceWhenAuthorized)
{
    checker->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
    inner->devices = {makeDevice(QStringLiteral("aa:bb:cc:dd:ee:01"))};
    inner->statuses.insert(QStringLiteral("aa:bb:cc:dd:ee:01"), ConnectionStatus::Connected);
    inner->pairResult
        = OperationResult(false, QStringLiteral("Pairing failed: x (y)"), OperationFailureCategory::Timeout);
    QSignalSpy published(guard.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);

    EXPECT_EQ(runTask(guard->getPairedDevices()).size(), 1);
    EXPECT_EQ(runTask(guard->getConnectionStatus(makeDevice(QStringLiteral("aa:bb:cc:dd:ee:01")))),
              ConnectionStatus::Connected);
    const OperationResult pair = runTask(guard->pairDevice(QStringLiteral("aa:bb:cc:dd:ee:01")));
    EXPECT_EQ(pair.message, QStringLiteral("Pairing failed: x (y)"));
    EXPECT_EQ(pair.failureCategory, OperationFailureCategory::Timeout);
    EXPECT_TRUE(runTask(guard->unpairDevice(QStringLiteral("aa:bb:cc:dd:ee:01"))).success);
    runTask(guard->bootstrapBluetooth());

    EXPECT_EQ(inner->listCalls, 1);
    EXPECT_EQ(inner->statusCalls, 1);
    EXPECT_EQ(inner->pairCalls.size(), 1);
    EXPECT_EQ(inner->unpairCalls.size(), 1);
    EXPECT_EQ(inner->bootstrapCalls, 1);
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(inner->published.size(), 1);
    EXPECT_EQ(guard->pairedDevices().size(), 1);
}

TEST_F(PermissionGuardTest, SignalsPassThroughWithoutAskingForPermission)
{
    QSignalSpy events(guard.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    QSignalSpy removed(guard.get(), &BluetoothDeviceManagerProtocol::deviceRemoved);
    Q_EMIT inner->connectionStatusChanged(QStringLiteral("aa:bb:cc:dd:ee:01"), ConnectionStatus::Connected);
    Q_EMIT inner->deviceRemoved(QStringLiteral("aa:bb:cc:dd:ee:01"));
    EXPECT_EQ(events.count(), 1);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_TRUE(guard->pairedDevices().isEmpty());
    EXPECT_EQ(checker->bluetoothRefreshCallCount(), 0);
}

} // namespace
