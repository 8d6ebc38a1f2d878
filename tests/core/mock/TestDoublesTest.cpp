#include "foundation/JsonFields.h"
#include "support/RunTask.h"
#include "support/SeededRandomNumberGenerator.h"
#include "support/TestData.h"
#include "support/fakes/MockBrowserFactory.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>

using namespace verandel;
using namespace verandel::test;

namespace {

using Status = SystemPermissionStatus;

TEST(MockSystemPermissionCheckerTest, PendingResultsAreSpentOnceAndKindsStayApart)
{
    MockSystemPermissionChecker checker(Status::Unknown);
    checker.nextRequestResult = Status::Authorized;
    checker.nextRefreshResult = Status::Denied;
    EXPECT_EQ(runTask(checker.requestLocalNetworkAccess()), Status::Authorized);
    EXPECT_EQ(checker.localNetworkStatus(), Status::Authorized);
    EXPECT_EQ(checker.nextRequestResult, std::nullopt);
    EXPECT_EQ(checker.nextRefreshResult, Status::Denied);
    EXPECT_EQ(runTask(checker.requestLocalNetworkAccess()), Status::Authorized);
    EXPECT_EQ(checker.bluetoothStatus(), Status::Unknown);

    checker.nextBluetoothRefreshResult = Status::Denied;
    EXPECT_EQ(runTask(checker.requestBluetoothAccess()), Status::Unknown);
    EXPECT_EQ(runTask(checker.refreshBluetoothAccess()), Status::Denied);
    EXPECT_EQ(checker.localNetworkStatus(), Status::Authorized);

    checker.openLocalNetworkSettings();
    checker.openLocalNetworkSettings();
    EXPECT_EQ(checker.openSettingsCallCount(), 2);
    EXPECT_EQ(checker.openBluetoothSettingsCallCount(), 0);
    EXPECT_EQ(checker.requestCallCount(), 2);
    EXPECT_EQ(checker.refreshCallCount(), 0);
    EXPECT_EQ(checker.bluetoothRequestCallCount(), 1);
    EXPECT_EQ(checker.bluetoothRefreshCallCount(), 1);
}

TEST(MockBrowserTest, TheFactoryKeepsTheLatestBrowserWhichRecordsAndDrivesItsHandlers)
{
    MockBrowserFactory factory;
    const auto first = factory.createBrowser(QStringLiteral("_verandel._tcp"), {});
    const auto second = factory.createBrowser(QStringLiteral("_verandel._tcp"), {});
    EXPECT_NE(first, second);
    EXPECT_EQ(factory.lastCreatedBrowser(), second);

    MockBrowserProtocol &browser = *factory.lastCreatedBrowser();
    browser.simulateServiceDiscovery(); // no handler: nothing happens
    QList<BrowserState> states;
    int updates = 0;
    browser.setStateUpdateHandler([&](const BrowserState &state) { states.append(state); });
    browser.setBrowseResultsChangedHandler(
        [&](const QList<BrowserResult> &results, const QList<BrowserResultChange> &changes) {
            updates += results.isEmpty() && changes.isEmpty() ? 1 : 100;
        });
    browser.simulateStateUpdateWithError();
    browser.simulateServiceDiscovery();
    ASSERT_EQ(states.size(), 1);
    EXPECT_TRUE(states.at(0).isFailed());
    EXPECT_EQ(states.at(0).errorDescription(), qt_error_string(ECONNREFUSED));
    EXPECT_EQ(updates, 1);

    for (int i = 0; i < 3; ++i) {
        browser.start();
    }
    EXPECT_EQ(browser.startCalls(), 3);
    browser.clearCalls();
    EXPECT_EQ(browser.startCalls(), 0);
}

TEST(MockTransportTest, AStubbedErrorIsThrownAndTheCallStillRecorded)
{
    MockTransport transport;
    transport.stubbedStartBrowsingError = TransportError::browsingFailed(QStringLiteral("daemon away"));
    EXPECT_THROW(runTask(transport.startBrowsing()), TransportError);
    EXPECT_EQ(transport.startBrowsingCalls, 1);
    transport.stubbedStartBrowsingError.reset();
    runTask(transport.startBrowsing());
    EXPECT_EQ(transport.startBrowsingCalls, 2);

    QSignalSpy found(&transport, &DiscoveryProtocol::discoveredMacs);
    QSignalSpy deleted(&transport, &DiscoveryProtocol::endpointDeleted);
    transport.simulateDiscoveredMac(TestData::DiscoverableMacBuilder().build());
    transport.simulateEndpointDeleted(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5000));
    EXPECT_EQ(found.count(), 1);
    EXPECT_EQ(deleted.count(), 1);
}

ConnectedMacInput input(const QUuid &id, const QString &name)
{
    return ConnectedMacInput{id, name, QStringLiteral("installation"), {}};
}

TEST(TestableMacStorageServiceTest, RecordsEveryCallAndKeepsDuplicatesInOrder)
{
    TestableMacStorageService store;
    const QUuid id = QUuid::createUuid();
    store.addConnectedMac(input(id, QStringLiteral("First")));
    store.addConnectedMac(input(id, QStringLiteral("Second")));
    EXPECT_EQ(store.getConnectedMac(id)->name(), QStringLiteral("First"));
    EXPECT_EQ(store.addConnectedMacCalls.at(1).macInput.name, QStringLiteral("Second"));
    EXPECT_EQ(store.getConnectedMacCalls.at(0).id, id);

    store.addConnectedMacs({input(QUuid::createUuid(), QStringLiteral("A")),
                            input(QUuid::createUuid(), QStringLiteral("B")),
                            input(QUuid::createUuid(), QStringLiteral("C"))});
    EXPECT_EQ(store.addConnectedMacsCalls.size(), 1);
    EXPECT_EQ(store.addConnectedMacCalls.size(), 5);
    EXPECT_EQ(store.listConnectedMacs().size(), 5);
}

TEST(TestableMacStorageServiceTest, StubsReplaceTheAnswerOrThrow)
{
    TestableMacStorageService store;
    const ConnectedMac unknown = TestData::ConnectedMacBuilder().build();
    try {
        store.updateConnectedMac(unknown);
        FAIL();
    } catch (const StorageError &error) {
        EXPECT_EQ(error.payload(),
                  QStringLiteral("Connected Mac with ID %1 not found").arg(json::uuidToString(unknown.id())));
    }
    store.stubbedUpdateConnectedMacResponse = true;
    store.updateConnectedMac(unknown);
    EXPECT_EQ(store.connectedMacs(), QList<ConnectedMac>{unknown});

    store.stubbedDeleteConnectedMacsResponse = 0;
    EXPECT_EQ(store.deleteConnectedMacs({unknown.id()}), 0);
    EXPECT_EQ(store.connectedMacs().size(), 1);

    store.stubbedListConnectedMacsResponse = StorageError::fileLockTimeout();
    EXPECT_THROW(store.listConnectedMacs(), StorageError);
    EXPECT_EQ(store.listConnectedMacsCalls, 1);

    store.reset();
    EXPECT_FALSE(store.hasConnectedMacs());
    EXPECT_EQ(store.hasConnectedMacsCalls, 1);
    EXPECT_EQ(store.listConnectedMacsCalls, 0);
    EXPECT_TRUE(store.updateConnectedMacCalls.isEmpty());
    EXPECT_EQ(store.stubbedListConnectedMacsResponse, std::nullopt);
}

TEST(TestDataTest, TheSeededGeneratorFollowsTheMmixConstants)
{
    SeededRandomNumberGenerator zero(0);
    EXPECT_EQ(zero.next(), 1442695040888963407ULL);
    EXPECT_TRUE(TestData::randomMACAddress(0).startsWith(QStringLiteral("14:")));
    // A negative seed is its 64-bit pattern.
    SeededRandomNumberGenerator minusOne(-1);
    EXPECT_EQ(minusOne.next(), 0xFFFFFFFFFFFFFFFFULL * 6364136223846793005ULL + 1442695040888963407ULL);
    EXPECT_EQ(TestData::randomString(8, -1), TestData::randomString(8, -1));
}

TEST(TestDataTest, SeededValuesRepeatAndHaveTheirForms)
{
    for (const qint64 seed : {qint64(1), qint64(42), qint64(-7)}) {
        EXPECT_EQ(TestData::randomString(12, seed), TestData::randomString(12, seed));
        EXPECT_EQ(TestData::randomIPAddress(seed), TestData::randomIPAddress(seed));
        EXPECT_EQ(TestData::randomMacName(seed), TestData::randomMacName(seed));
        EXPECT_EQ(TestData::randomTransportType(seed), TestData::randomTransportType(seed));
        EXPECT_EQ(TestData::randomSecurityCode(6, false, seed), TestData::randomSecurityCode(6, false, seed));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{2}:){5}[0-9A-F]{2}$"))
                        .match(TestData::randomMACAddress(seed))
                        .hasMatch());
        EXPECT_GE(TestData::randomMacName(seed).count(u' '), 2);
        const QStringList parts
            = TestData::randomHttpURL(seed).mid(7).split(QRegularExpression(QStringLiteral("[./]")));
        EXPECT_EQ(parts.at(0), parts.at(2));
        EXPECT_EQ(parts.at(1), parts.at(0).left(3));
        for (const QString &number : TestData::randomIPAddress(seed).split(u'.')) {
            EXPECT_GE(number.toInt(), 1);
            EXPECT_LE(number.toInt(), 254);
        }
    }
    EXPECT_EQ(TestData::randomString(-3, 1), QString());
    EXPECT_EQ(TestData::randomSecurityCode(6, true, 1).indexOf(u'-'), 3);
    EXPECT_EQ(TestData::randomSecurityCode(5, true, 1).indexOf(u'-'), 2);
    EXPECT_EQ(TestData::randomSecurityCode(3, true, 1).indexOf(u'-'), -1);
    EXPECT_TRUE(TestData::randomHttpsBaseURL(3).isValid());
    EXPECT_TRUE(json::fromIso8601(TestData::randomISO8601Timestamp(3)).has_value());
}

TEST(TestDataTest, ARandomRequestDrawsOnlyWhatIsNotGivenInItsOrder)
{
    const auto make = [](std::optional<QDateTime> timestamp, std::optional<ConnectionRequestState> state) {
        return TestData::randomConnectionRequest(std::nullopt, timestamp, std::nullopt, state, std::nullopt, 11);
    };
    const ConnectionRequest first = make(std::nullopt, std::nullopt);
    const ConnectionRequest second = make(std::nullopt, std::nullopt);
    EXPECT_EQ(first.timestamp(), second.timestamp());
    EXPECT_EQ(first.state(), second.state());
    EXPECT_EQ(first.direction(), second.direction());
    EXPECT_EQ(first.securityCode(), TestData::randomSecurityCode(6, false, 11));
    EXPECT_NE(first.id(), second.id());
    EXPECT_NE(first.otherMacId(), second.otherMacId());
    EXPECT_GT(first.timestamp(), QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    EXPECT_LE(first.timestamp(), QDateTime::currentDateTimeUtc());

    // Given parts take no value: the first value then goes to the state, the second to the direction.
    const QDateTime given(QDate(2026, 2, 3), QTime(4, 5, 6), Qt::UTC);
    SeededRandomNumberGenerator values(11);
    const ConnectionRequest withTime = make(given, std::nullopt);
    EXPECT_EQ(withTime.timestamp(), given);
    EXPECT_EQ(withTime.state(), allConnectionRequestStates.at(values.next() >> 62));
    EXPECT_EQ(withTime.direction(), allConnectionDirections.at(values.next() >> 63));
    SeededRandomNumberGenerator again(11);
    const ConnectionRequest withTimeAndState = make(given, ConnectionRequestState::Rejected);
    EXPECT_EQ(withTimeAndState.state(), ConnectionRequestState::Rejected);
    EXPECT_EQ(withTimeAndState.direction(), allConnectionDirections.at(again.next() >> 63));

    const QUuid peer = QUuid::createUuid();
    const ConnectionRequest all = TestData::randomConnectionRequest(
        peer, given, QStringLiteral("A1B2C3"), ConnectionRequestState::Pending, ConnectionDirection::Outgoing);
    EXPECT_EQ(all,
              ConnectionRequest(all.id(), peer, given, QStringLiteral("A1B2C3"), ConnectionRequestState::Pending,
                                ConnectionDirection::Outgoing));
}

TEST(TestDataTest, BuildersKeepIdsAndMakeFreshInstallationIds)
{
    const TestData::DiscoverableMacBuilder builder
        = TestData::DiscoverableMacBuilder().withName(QStringLiteral("Desk"));
    const DiscoverableMac first = builder.build();
    const DiscoverableMac second = builder.build();
    EXPECT_EQ(first.id(), second.id());
    EXPECT_NE(first.installationId(), second.installationId());
    EXPECT_EQ(first.name(), QStringLiteral("Desk"));

    EXPECT_EQ(TestData::BluetoothDeviceBuilder().withAddress(QStringLiteral("AA-BB-CC-DD-EE-FF")).build().address(),
              QStringLiteral("aa:bb:cc:dd:ee:ff"));
    const BluetoothDevice fallback = TestData::BluetoothDeviceBuilder().withAddress(QStringLiteral("junk")).build();
    EXPECT_EQ(fallback.address().size(), 17);
    EXPECT_EQ(fallback.objectPath(), std::nullopt);

    EXPECT_EQ(&TestData::standardDevices(), &TestData::standardDevices());
    const DebugDiscoverableMac peer
        = TestData::randomDebugDiscoverableMac(50001, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 9);
    EXPECT_EQ(peer.port, 50001);
    EXPECT_EQ(peer.securityCode, TestData::randomSecurityCode(6, false, 9));
    EXPECT_TRUE(json::uuidFromString(peer.id).has_value());
}

} // namespace
