#include "support/LinkedNode.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"

#include <gtest/gtest.h>

using namespace verandel;
using test::LinkedNode;
using test::trafficEnded;

namespace {

const QUuid kMacA = QUuid::fromString(QStringLiteral("d1000000-0000-4000-8000-00000000000a"));
const QUuid kMacB = QUuid::fromString(QStringLiteral("d1000000-0000-4000-8000-00000000000b"));

} // namespace

TEST(TwoNodeLinkingTest, TwoComputersLinkWatchEachOtherAndReconnect)
{
    auto logs = std::make_shared<test::RecordingLoggerFactory>();
    auto clock = std::make_shared<test::ManualClock>();
    LinkedNode a(kMacA, QStringLiteral("Node A"), clock, logs);
    LinkedNode b(kMacB, QStringLiteral("Node B"), clock, logs);
    a.start();
    b.start();
    const auto explain = [&] { return logs->allMessages().join(u'\n').toStdString(); };

    // 1. Both enter Discovery Mode and see each other's code; A asks, B holds A's request and accepts.
    test::runTask(a.discovery->startDiscovery(std::nullopt));
    test::runTask(b.discovery->startDiscovery(std::nullopt));
    a.discovers(b);
    b.discovers(a);
    const QString codeOfA = a.discovery->currentSecurityCode()->code();
    EXPECT_EQ(b.discovery->discoveredMacs().first().securityCode(), codeOfA);
    test::runTask(a.discovery->sendConnectionRequest(kMacB));
    ASSERT_TRUE(test::waitUntil([&] { return !b.discovery->connectionRequests().isEmpty(); })) << explain();
    ASSERT_EQ(b.discovery->connectionRequests().size(), 1);
    const ConnectionRequest incoming = b.discovery->connectionRequests().first();
    EXPECT_EQ(incoming.otherMacId(), kMacA);
    EXPECT_EQ(incoming.direction(), ConnectionDirection::Incoming);
    EXPECT_TRUE(incoming.isPendingRequest());
    EXPECT_EQ(incoming.securityCode(), codeOfA);
    test::runTask(b.discovery->acceptConnectionRequest(kMacA));

    // 2. Each stores the other and leaves Discovery Mode.
    ASSERT_TRUE(test::waitUntil([&] {
        return a.stored(kMacB) && b.stored(kMacA) && a.discovery->state() == DiscoveryServiceState::Idle
            && b.discovery->state() == DiscoveryServiceState::Idle;
    })) << explain();
    EXPECT_EQ(a.stored(kMacB)->name(), QStringLiteral("Node B"));
    EXPECT_EQ(b.stored(kMacA)->name(), QStringLiteral("Node A"));
    const QDateTime linkedAt = clock->now();
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 3. After the next pass each shows the other connected, last seen then.
    clock->advance(30);
    ASSERT_TRUE(test::waitUntil([&] {
        return a.stateOf(kMacB) == ConnectionState::Connected && b.stateOf(kMacA) == ConnectionState::Connected
            && a.stored(kMacB)->lastSeenTimestamp() > linkedAt && b.stored(kMacA)->lastSeenTimestamp() > linkedAt;
    })) << explain();
    EXPECT_EQ(a.stored(kMacB)->lastSeenTimestamp(), linkedAt.addSecs(30));
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 4. With B's bridge stopped A's next ping reaches B unanswered and is missed after 1 s.
    b.bridge->stop();
    const int framesBefore = b.framesReceived;
    clock->advance(30);
    ASSERT_TRUE(test::waitUntil([&] { return b.framesReceived > framesBefore; }) && trafficEnded(a, b)) << explain();
    EXPECT_EQ(a.stateOf(kMacB), ConnectionState::Connected);
    clock->advance(1);
    EXPECT_EQ(a.stateOf(kMacB), ConnectionState::Disconnected);
    EXPECT_EQ(a.monitor->getConnectionStatus(kMacB)->consecutiveFailures(), 1);
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Scheduling reconnection for Mac "
                                              "D1000000-0000-4000-8000-00000000000B in 0.5 seconds. "
                                              "Attempt count: 1")));

    // 5. B listens again; the reconnection 0.5 s later is answered.
    b.bridge->start();
    clock->advance(0.5);
    EXPECT_EQ(a.stateOf(kMacB), ConnectionState::Connecting);
    ASSERT_TRUE(test::waitUntil([&] { return a.stateOf(kMacB) == ConnectionState::Connected; })) << explain();
    EXPECT_FALSE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("did not end its stream")));
}
