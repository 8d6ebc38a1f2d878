#include "BluetoothTestSupport.h"
#include "support/TestData.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/MockSystemPermissionChecker.h"

#include "bluetooth/ReactiveBluetoothDeviceManager.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSignalSpy>

#include <functional>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString keyboard = QStringLiteral("aa:bb:cc:dd:ee:01");

class ReactiveManagerTest : public ::testing::Test
{
protected:
    ConnectionStatus lookUp(const QString &address)
    {
        return runTask(manager->getConnectionStatus(makeDevice(address)));
    }

    std::shared_ptr<FakeBluetoothDeviceManager> inner = std::make_shared<FakeBluetoothDeviceManager>();
    RecordingLoggerFactory logs;
    std::shared_ptr<ReactiveBluetoothDeviceManager> manager
        = std::make_shared<ReactiveBluetoothDeviceManager>(inner, logs);
};

TEST_F(ReactiveManagerTest, StartsWithAnEmptyListWhateverTheInnerManagerHolds)
{
    auto holding = std::make_shared<FakeBluetoothDeviceManager>();
    holding->published = {makeDevice(keyboard)};
    ReactiveBluetoothDeviceManager fresh(holding, logs);
    EXPECT_TRUE(fresh.pairedDevices().isEmpty());
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("ReactiveBluetoothDeviceManager initialized")));
}

TEST_F(ReactiveManagerTest, LookupsAreCachedAfterTheFirst)
{
    inner->statuses.insert(keyboard, ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::PairedNotConnected);
    inner->statuses.insert(keyboard, ConnectionStatus::Connected);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(inner->statusCalls, 1);
    EXPECT_TRUE(logs.contains(LogLevel::Debug,
                              QStringLiteral("Connection status not in cache for device: ") + keyboard
                                  + QStringLiteral(", querying inner")));
    EXPECT_TRUE(logs.contains(LogLevel::Debug,
                              QStringLiteral("Connection status in cache for device: ") + keyboard
                                  + QStringLiteral(", returning cached value: Paired, not connected")));
}

TEST_F(ReactiveManagerTest, PublishesOnlyChanges)
{
    QSignalSpy events(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);
    inner->published = {makeDevice(keyboard)};
    Q_EMIT inner->pairedDevicesChanged(inner->published);

    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected);
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected);
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::PairedNotConnected);

    ASSERT_EQ(events.count(), 2);
    EXPECT_EQ(events.at(0).at(1).value<ConnectionStatus>(), ConnectionStatus::Connected);
    EXPECT_EQ(events.at(1).at(1).value<ConnectionStatus>(), ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(logs.messages(LogLevel::Debug).filter(QStringLiteral("Connection status changed")).size(), 2);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(inner->statusCalls, 0);
    // Known device: no refresh.
    EXPECT_EQ(inner->listCalls, 0);
}

TEST_F(ReactiveManagerTest, UnknownConnectedDeviceRefreshesTheListOnce)
{
    QSignalSpy lists(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    inner->devices = {makeDevice(keyboard)};
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(inner->listCalls, 0);
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected);
    ASSERT_TRUE(waitUntil([&] { return lists.count() == 1; }));
    EXPECT_EQ(inner->listCalls, 1);
    EXPECT_EQ(manager->pairedDevices().size(), 1);
    EXPECT_TRUE(logs.contains(LogLevel::Debug, QStringLiteral("Unknown device connected, refreshing device list")));
    // Now known: a repeated connect refreshes nothing.
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected);
    EXPECT_EQ(inner->listCalls, 1);
}

TEST_F(ReactiveManagerTest, CacheIsCorrectedAfterUnpairPairAndRemoval)
{
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected);
    QSignalSpy events(manager.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged);

    EXPECT_TRUE(runTask(manager->unpairDevice(keyboard)).success);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::NotPaired);
    EXPECT_EQ(events.count(), 0);

    EXPECT_TRUE(runTask(manager->pairDevice(keyboard)).success);
    inner->statuses.insert(keyboard, ConnectionStatus::Connected);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::Connected);
    EXPECT_EQ(inner->statusCalls, 1);

    Q_EMIT inner->deviceRemoved(keyboard);
    inner->statuses.insert(keyboard, ConnectionStatus::NotPaired);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::NotPaired);
    EXPECT_EQ(inner->statusCalls, 2);
}

TEST_F(ReactiveManagerTest, LookupAnsweredAfterItsDeviceWasRemovedIsDropped)
{
    inner->statuses.insert(keyboard, ConnectionStatus::Connected);
    inner->holdStatusLookups = true;
    std::optional<ConnectionStatus> late;
    auto lateLookup = collectInto(manager->getConnectionStatus(makeDevice(keyboard)), &late);
    Q_EMIT inner->deviceRemoved(keyboard);
    // A lookup that starts after the removal asks about the device as it is now.
    inner->statuses.insert(keyboard, ConnectionStatus::PairedNotConnected);
    std::optional<ConnectionStatus> fresh;
    auto freshLookup = collectInto(manager->getConnectionStatus(makeDevice(keyboard)), &fresh);
    ASSERT_EQ(inner->statusCalls, 2);

    inner->releaseStatusLookups();
    ASSERT_TRUE(waitUntil([&] { return late.has_value() && fresh.has_value(); }));

    EXPECT_EQ(*late, ConnectionStatus::NotPaired);
    EXPECT_EQ(*fresh, ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::PairedNotConnected);
    EXPECT_EQ(inner->statusCalls, 2);
    EXPECT_TRUE(logs.contains(LogLevel::Debug,
                              QStringLiteral("Connection status of device ") + keyboard
                                  + QStringLiteral(" changed while it was queried, dropping the answer")));
}

TEST_F(ReactiveManagerTest, LookupAnsweredAfterANewerEventForItsDeviceIsDropped)
{
    const QString mouse = QStringLiteral("aa:bb:cc:dd:ee:02");
    const struct
    {
        const char *name;
        ConnectionStatus lateAnswer;
        std::function<void()> meanwhile;
        ConnectionStatus expected;
    } cases[] = {
        {"a connect", ConnectionStatus::PairedNotConnected,
         [this] { Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected); },
         ConnectionStatus::Connected},
        {"a disconnect", ConnectionStatus::Connected,
         [this] { Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::PairedNotConnected); },
         ConnectionStatus::PairedNotConnected},
        {"an unpair", ConnectionStatus::Connected, [this] { runTask(manager->unpairDevice(keyboard)); },
         ConnectionStatus::NotPaired},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        manager = std::make_shared<ReactiveBluetoothDeviceManager>(inner, logs);
        inner->statuses.insert(keyboard, c.lateAnswer);
        inner->statuses.insert(mouse, ConnectionStatus::Connected);
        inner->holdStatusLookups = true;
        std::optional<ConnectionStatus> late;
        auto lateLookup = collectInto(manager->getConnectionStatus(makeDevice(keyboard)), &late);
        // Another device's lookup, waiting alongside, keeps its answer.
        std::optional<ConnectionStatus> other;
        auto otherLookup = collectInto(manager->getConnectionStatus(makeDevice(mouse)), &other);

        c.meanwhile();
        inner->releaseStatusLookups();
        ASSERT_TRUE(waitUntil([&] { return late.has_value() && other.has_value(); }));

        EXPECT_EQ(*late, c.expected);
        EXPECT_EQ(*other, ConnectionStatus::Connected);
        const int calls = inner->statusCalls;
        EXPECT_EQ(lookUp(keyboard), c.expected);
        EXPECT_EQ(lookUp(mouse), ConnectionStatus::Connected);
        EXPECT_EQ(inner->statusCalls, calls);
    }
}

TEST_F(ReactiveManagerTest, FailedOperationsLeaveTheCacheAlone)
{
    Q_EMIT inner->connectionStatusChanged(keyboard, ConnectionStatus::Connected);
    inner->unpairResult = OperationResult(false, QStringLiteral("no"), OperationFailureCategory::Conflict);
    inner->pairResult = OperationResult(false, QStringLiteral("no"), OperationFailureCategory::Timeout);
    EXPECT_FALSE(runTask(manager->unpairDevice(keyboard)).success);
    EXPECT_FALSE(runTask(manager->pairDevice(keyboard)).success);
    EXPECT_EQ(lookUp(keyboard), ConnectionStatus::Connected);
    EXPECT_EQ(inner->statusCalls, 0);
    EXPECT_TRUE(manager->pairedDevices().isEmpty());
}

TEST_F(ReactiveManagerTest, RepublishesTheInnerList)
{
    QSignalSpy lists(manager.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged);
    inner->devices = {makeDevice(keyboard)};
    runTask(manager->bootstrapBluetooth());
    EXPECT_EQ(inner->bootstrapCalls, 1);
    ASSERT_EQ(lists.count(), 1);
    EXPECT_EQ(manager->pairedDevices().constFirst().macAddress(), keyboard);
    EXPECT_EQ(runTask(manager->getPairedDevices()).size(), 1);
}

} // namespace
