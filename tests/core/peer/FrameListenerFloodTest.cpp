#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include "support/Flooder.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/RecordingFrameSender.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

using namespace verandel;
using verandel::test::Flooder;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("e0000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("e0000000-0000-4000-8000-000000000002"));

// A socket this process holds whose local end is the listener's port of 127.0.0.1.
struct AcceptedSocket
{
    int descriptor = -1;
    QString inode;
    // The kernel's TCP state (1: established, 8: close wait) and the remote end.
    int state = 0;
    QString remote;
};

// Sockets this process holds for connections accepted on the listener's port of 127.0.0.1 (neither
// the listening socket nor the clients' own sockets, though a client bound to 127.0.0.2 may well be
// given the same port number). Sockets the listener already cut are deleted first: a cut connection
// gives its descriptor back when its socket is deleted on the loop.
//
// Each descriptor is asked for its own ends. The system's table of connections (/proc/net/tcp) is no
// way to count them: it is read in several pieces, and while other processes open and close
// connections between two pieces an entry can be listed again and again.
QList<AcceptedSocket> acceptedSockets(quint16 port)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<AcceptedSocket> sockets;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &name : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(name));
        const qsizetype open = target.indexOf(QStringLiteral("socket:["));
        if (open < 0) {
            continue;
        }
        const int descriptor = name.toInt();
        sockaddr_in local{};
        socklen_t length = sizeof local;
        int listening = 0;
        socklen_t flagLength = sizeof listening;
        if (::getsockname(descriptor, reinterpret_cast<sockaddr *>(&local), &length) != 0 || local.sin_family != AF_INET
            || local.sin_addr.s_addr != htonl(INADDR_LOOPBACK) || ntohs(local.sin_port) != port
            || ::getsockopt(descriptor, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagLength) != 0 || listening) {
            continue;
        }
        sockaddr_in remote{};
        length = sizeof remote;
        QString remoteText = QStringLiteral("none");
        if (::getpeername(descriptor, reinterpret_cast<sockaddr *>(&remote), &length) == 0) {
            remoteText = QStringLiteral("%1:%2").arg(QHostAddress(ntohl(remote.sin_addr.s_addr)).toString(),
                                                     QString::number(ntohs(remote.sin_port)));
        }
        tcp_info info{};
        socklen_t infoLength = sizeof info;
        const int state
            = ::getsockopt(descriptor, IPPROTO_TCP, TCP_INFO, &info, &infoLength) == 0 ? info.tcpi_state : 0;
        sockets.append(AcceptedSocket{descriptor, target.mid(open + 8).chopped(1), state, remoteText});
    }
    return sockets;
}

// One line per socket: descriptor, inode, state, remote end and whether the listener holds it.
std::string describe(const QList<AcceptedSocket> &sockets, const EphemeralFrameListener &listener)
{
    const QList<qintptr> held = listener.connectionDescriptors();
    std::string text;
    for (const AcceptedSocket &socket : sockets) {
        text += QStringLiteral("\n  fd %1 inode %2 state %3 remote %4%5")
                    .arg(QString::number(socket.descriptor), socket.inode, QString::number(socket.state), socket.remote,
                         held.contains(socket.descriptor) ? QStringLiteral(" held by the listener") : QString())
                    .toStdString();
    }
    return text;
}

// The listener as the program runs it, behind a bridge and a hub, with a linked peer at 127.0.0.1.
struct FloodFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<EphemeralFrameListener> listener
        = std::make_shared<EphemeralFrameListener>(logs, clock, nullptr, nullptr, QHostAddress::LocalHost);
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
    std::shared_ptr<test::FakeMacIdentifier> identity = std::make_shared<test::FakeMacIdentifier>(kLocal);
    NetworkBridge bridge{hub,      std::make_shared<test::RecordingFrameSender>(),
                         listener, directory,
                         identity, NetworkBridge::Configuration{10.0},
                         logs,     clock};
    int pings = 0;

    void SetUp() override
    {
        listener->start(identity->makeDiscoveredMac(std::nullopt));
        ASSERT_TRUE(listener->isRunning());
        bridge.start();
        directory->discovered.insert(kPeer,
                                     test::FakeMacIdentifier(kPeer)
                                         .makeDiscoveredMac(std::nullopt)
                                         .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5000)));
        directory->linked.insert(kPeer);
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedPingRequests, hub.get(), [this] { ++pings; });
    }

    // One ping request from the linked peer; whether it reached the hub within a second.
    bool pingArrives()
    {
        const int before = pings;
        const QByteArray json
            = EventEnvelopeCodec::encodeToData(EventEnvelopeCodec::createPingRequest(kPeer, kLocal, clock->now()))
                  .value();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, listener->port());
        socket.write(EphemeralFrameSender::frame(json));
        socket.disconnectFromHost();
        return test::waitUntil([&] { return pings == before + 1; }, 1000);
    }

    struct Run
    {
        int sent = 0;
        int arrived = 0;
        int mostConnections = 0;
        // Steps at which the descriptors did not come down to the limit.
        int stepsOverDescriptorLimit = 0;
    };

    // One ping per step of a quarter of a second of virtual time, through three periods of the
    // two-second deadlines; the most connections the listener held at a step and, with a limit, the
    // steps at which the accepted descriptors did not come down to it. A few more descriptors than
    // connections may be in flight at one glance (accepted by the server socket but not yet handed
    // over, or cut but not yet deleted), so each step waits, bounded, for the count to settle.
    Run pingThroughThreeDeadlinePeriods(std::optional<int> descriptorLimit = std::nullopt)
    {
        Run run;
        for (int step = 0; step < 24; ++step) {
            clock->advance(0.25);
            ++run.sent;
            run.arrived += pingArrives() ? 1 : 0;
            run.mostConnections = std::max(run.mostConnections, listener->activeConnectionCount());
            if (descriptorLimit
                && !test::waitUntil([&] { return acceptedSockets(listener->port()).size() <= *descriptorLimit; })) {
                ++run.stepsOverDescriptorLimit;
            }
        }
        return run;
    }

    qsizetype handledConnections() const
    {
        qsizetype count = 0;
        for (const QString &line : logs->messages(LogLevel::Debug)) {
            count += line.startsWith(QStringLiteral("Accepted new connection: ")) ? 1 : 0;
        }
        return count + logs->messages(LogLevel::Warning).filter(QStringLiteral("Refusing connection from ")).size();
    }
};

// A length that promises a whole frame, then bytes that are no envelope; the stream never ends.
const QByteArray kGarbage = QByteArray::fromHex("00003000") + QByteArray(600, '\x7f');

} // namespace

TEST_F(FloodFixture, AFloodFromOneHostNeitherDelaysALinkedPeerNorHoldsDescriptors)
{
    Flooder idle(listener->port(), {}, false);
    Flooder garbage(listener->port(), kGarbage, false);
    // In batches, so that the kernel's accept queue never overflows and drops the peer's handshake.
    for (int batch = 0; batch < 10; ++batch) {
        idle.open(20);
        garbage.open(5);
        ASSERT_TRUE(test::waitUntil([&] { return handledConnections() == idle.opened + garbage.opened; }));
    }
    EXPECT_EQ(idle.opened + garbage.opened, 250);
    EXPECT_EQ(idle.failedBinds + garbage.failedBinds, 0);
    EXPECT_LE(listener->activeConnectionCount(), 8);
    // A cut connection gives its descriptor back once its socket is deleted, which a busy machine may
    // not have done yet: the count must settle at the limit, not be there at one glance.
    QList<AcceptedSocket> sockets;
    EXPECT_TRUE(test::waitUntil([&] {
        sockets = acceptedSockets(listener->port());
        return sockets.size() <= 8;
    })) << sockets.size()
        << " descriptors, " << listener->activeConnectionCount() << " connections:" << describe(sockets, *listener);

    EXPECT_TRUE(pingArrives());
    EXPECT_TRUE(pingArrives());
}

TEST_F(FloodFixture, ASustainedFloodOverThreeDeadlinePeriodsLetsEveryFrameThrough)
{
    Flooder idle(listener->port(), {}, true);
    Flooder garbage(listener->port(), kGarbage, true);
    // More than the listener's total cap, as the flood that shut out linked peers.
    idle.open(64);
    garbage.open(16);
    // Without the limits the listener would hold 64 descriptors throughout.
    const Run run = pingThroughThreeDeadlinePeriods(16);
    EXPECT_EQ(run.arrived, run.sent);
    EXPECT_LE(run.mostConnections, 9);
    EXPECT_EQ(run.stepsOverDescriptorLimit, 0);
    // The flood was cut and came back throughout.
    EXPECT_GT(idle.opened, 64);
    EXPECT_GT(garbage.opened, 16);
}

TEST_F(FloodFixture, AFloodFromSixteenAddressesLeavesRoomForALinkedPeer)
{
    // Sixteen addresses, each holding more connections than its share after sending a length: together
    // they would fill every place twice over.
    std::vector<std::unique_ptr<Flooder>> flooders;
    for (int i = 0; i < 16; ++i) {
        flooders.push_back(std::make_unique<Flooder>(listener->port(), QByteArray::fromHex("00003000"), true,
                                                     QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i))));
        flooders.back()->open(9);
    }
    ASSERT_TRUE(test::waitUntil([&] { return handledConnections() >= 16 * 9; }));
    const Run run = pingThroughThreeDeadlinePeriods();
    EXPECT_EQ(run.arrived, run.sent);
    // The strangers' 48 and the ping.
    EXPECT_LE(run.mostConnections, 49);
    // No connection of the linked peer was refused or closed to make room.
    const QRegularExpression linkedPeerCut(
        QStringLiteral("^(Refusing connection|Closing connection \\S+) from 127\\.0\\.0\\.1:"));
    for (const QString &line : logs->allMessages()) {
        EXPECT_FALSE(linkedPeerCut.match(line).hasMatch()) << line.toStdString();
    }
    // The strangers were cut at their cap throughout.
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Debug, QStringLiteral("(48 open from computers that are not linked)")));
}

TEST_F(FloodFixture, ThirtySecondsOfFloodAreSummedUpAtMostFourTimesPerSource)
{
    // Four addresses, each holding more connections than its share and opening a new one for each cut.
    std::vector<std::unique_ptr<Flooder>> flooders;
    for (int i = 0; i < 4; ++i) {
        flooders.push_back(std::make_unique<Flooder>(listener->port(), kGarbage, true,
                                                     QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i))));
        flooders.back()->open(12);
    }
    // Thirty seconds of virtual time in quarter seconds, the flood going on in real time throughout.
    for (int step = 0; step < 120; ++step) {
        const qsizetype handled = handledConnections();
        clock->advance(0.25);
        ASSERT_TRUE(test::waitUntil([&] { return handledConnections() >= handled + 4; }));
    }
    const QStringList summaries
        = logs->messages(LogLevel::Warning).filter(QStringLiteral(" in the last 10 s to make room"));
    for (int i = 0; i < 4; ++i) {
        const QString source = QStringLiteral("127.0.0.%1").arg(2 + i);
        const qsizetype lines = summaries.filter(QStringLiteral(" connections from %1 in ").arg(source)).size();
        EXPECT_GE(lines, 2) << source.toStdString();
        EXPECT_LE(lines, 4) << source.toStdString();
    }
    EXPECT_GT(logs->messages(LogLevel::Debug).filter(QStringLiteral("to make room for a connection from")).size(), 200)
        << "each close is still told at debug level";
}
