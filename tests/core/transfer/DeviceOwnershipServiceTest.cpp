#include "transfer/DeviceOwnershipService.h"

#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TestData.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/FakeDeviceStorageService.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("c1000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("c1000000-0000-4000-8000-000000000002"));
const QUuid kOther = QUuid::fromString(QStringLiteral("c1000000-0000-4000-8000-000000000003"));
const QString kA = QStringLiteral("a4:83:e7:00:00:0a");
const QString kB = QStringLiteral("a4:83:e7:00:00:0b");
const QString kC = QStringLiteral("a4:83:e7:00:00:0c");

struct OwnershipFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<test::FakeDeviceStorageService> devices = std::make_shared<test::FakeDeviceStorageService>();
    std::shared_ptr<test::FakeBluetoothDeviceManager> bluetooth = std::make_shared<test::FakeBluetoothDeviceManager>();
    std::shared_ptr<DeviceOwnershipService> ownership
        = std::make_shared<DeviceOwnershipService>(hub, devices, bluetooth, *logs);
    QSignalSpy published{ownership.get(), &DeviceOwnershipService::ownershipStateChanged};

    void ping(const QUuid &sender, const QStringList &addresses, bool response = false)
    {
        if (response) {
            hub->send(PingResponseReceivedEvent(sender, addresses, std::nullopt));
        } else {
            hub->send(PingRequestReceivedEvent(sender, addresses, std::nullopt));
        }
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(OwnershipFixture, SettingOwnersPublishesEveryNonEmptyCall)
{
    ownership->setOwner(kLocal, {});
    EXPECT_EQ(published.count(), 0);
    ownership->setOwner(kPeer, {kA, kC});
    ownership->setOwner(kLocal, {kA, kA});
    ownership->setOwner(kLocal, {kA});
    EXPECT_EQ(published.count(), 3) << "also when nothing changed";
    EXPECT_EQ(ownership->ownerOf(kA), kLocal);
    EXPECT_EQ(ownership->ownerOf(kC), kPeer) << "the other entries of the earlier owner stay";
    EXPECT_EQ(ownership->ownerOf(kA.toUpper()), std::nullopt) << "addresses are exact keys";
    EXPECT_EQ(ownership->currentOwnershipState().size(), 2);
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Set owner C1000000-0000-4000-8000-000000000002 for 2 device(s)")));
}

TEST_F(OwnershipFixture, APingReplacesItsSendersClaimsInFull)
{
    ownership->setOwner(kPeer, {kA, kC});
    ownership->setOwner(kLocal, {kB});
    published.clear();

    ping(kPeer, {kA, kB});
    EXPECT_EQ(ownership->ownerOf(kA), kPeer);
    EXPECT_EQ(ownership->ownerOf(kB), kPeer) << "the last claim wins, this computer's included";
    EXPECT_EQ(ownership->ownerOf(kC), std::nullopt);
    EXPECT_EQ(published.count(), 1);

    ping(kPeer, {});
    EXPECT_EQ(published.count(), 1) << "an empty ping keeps what the sender had";
    EXPECT_EQ(ownership->devicesOwnedBy(kPeer).size(), 2);

    ping(kOther, {kB}, true);
    EXPECT_EQ(ownership->ownerOf(kB), kOther);
    ping(kPeer, {kB}, true);
    EXPECT_EQ(ownership->ownerOf(kB), kPeer);
    EXPECT_EQ(ownership->ownerOf(kA), std::nullopt);
}

TEST_F(OwnershipFixture, ClearingAComputerThatOwnsNothingIsSilent)
{
    ownership->clearOwnershipForMac(kPeer);
    EXPECT_EQ(published.count(), 0);
    ownership->setOwner(kPeer, {kA, kB});
    ownership->clearOwnershipForMac(kPeer);
    EXPECT_EQ(published.count(), 2);
    EXPECT_TRUE(ownership->currentOwnershipState().isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Cleared ownership for 2 device(s) (Mac "
                                              "C1000000-0000-4000-8000-000000000002 went offline)")));
}

TEST_F(OwnershipFixture, OwnedAndConnectedListsStoredConnectedDevicesInStoreOrder)
{
    devices->devices = {test::makeDevice(kC, QStringLiteral("Mouse")), test::makeDevice(kA, QStringLiteral("Keyboard")),
                        test::makeDevice(kB, QStringLiteral("Trackpad"))};
    bluetooth->statuses = {{kA, ConnectionStatus::Connected},
                           {kB, ConnectionStatus::PairedNotConnected},
                           {kC, ConnectionStatus::Connected}};
    ownership->setOwner(kLocal, {kA, kB, kC, QStringLiteral("a4:83:e7:00:00:0d")});
    EXPECT_EQ(test::runTask(ownership->devicesOwnedByAndConnected(kLocal)), (QStringList{kC, kA}));
    EXPECT_EQ(bluetooth->statusCalls, 3);
    EXPECT_TRUE(test::runTask(ownership->devicesOwnedByAndConnected(kPeer)).isEmpty());

    devices->failure = StorageError::diskFull();
    EXPECT_TRUE(test::runTask(ownership->devicesOwnedByAndConnected(kLocal)).isEmpty());
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Error, QStringLiteral("Failed to get devices owned by and connected: ")));
}

TEST_F(OwnershipFixture, AnAddressListedTwiceCountsOnce)
{
    ownership->setOwner(kLocal, {kA, kA, kC});
    EXPECT_EQ(ownership->currentOwnershipState(), (DeviceOwnershipService::OwnershipMap{{kA, kLocal}, {kC, kLocal}}));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Set owner C1000000-0000-4000-8000-000000000001 for 2 device(s)")));

    ping(kPeer, {kB, kB});
    EXPECT_EQ(ownership->ownerOf(kB), kPeer);
    EXPECT_EQ(ownership->devicesOwnedBy(kPeer), QStringList{kB}) << "a duplicate claim counts once";
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Merged ownership from ping: "
                                              "C1000000-0000-4000-8000-000000000002 owns 1 device(s)")));
}
