#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"

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

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("e0000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("e0000000-0000-4000-8000-000000000002"));
const QHostAddress kFlooder(QStringLiteral("127.0.0.2"));

// Descriptors this process holds for connections accepted on the listener's port of 127.0.0.1 (the
// listening socket and the clients' own sockets are not counted: a client bound to 127.0.0.2 may
// well be given the same port number). Sockets the listener already cut are deleted first: a cut
// connection gives its descriptor back when its socket is deleted on the loop.
int acceptedDescriptors(quint16 port)
{
    // /proc/net/tcp writes 127.0.0.1 in the host's byte order.
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QSet<QString> inodes;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &name : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(name));
        const qsizetype open = target.indexOf(QStringLiteral("socket:["));
        if (open >= 0) {
            inodes.insert(target.mid(open + 8).chopped(1));
        }
    }
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) {
        return -1;
    }
    int count = 0;
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 10 || fields[3] == "0A") { // 0A: listening
            continue;
        }
        count += fields[1] == local && inodes.contains(QString::fromLatin1(fields[9])) ? 1 : 0;
    }
    return count;
}

// Connections from one address (127.0.0.2 unless given) that send the greeting (nothing: idle) and
// never end their stream; with `reopen`, every one the listener cuts is opened again at once.
class Flooder final : public QObject
{
public:
    Flooder(quint16 port, QByteArray greeting, bool reopen, QHostAddress source = kFlooder)
        : m_port(port)
        , m_greeting(std::move(greeting))
        , m_reopen(reopen)
        , m_source(std::move(source))
    { }

    void open(int count)
    {
        for (int i = 0; i < count; ++i) {
            openOne();
        }
    }

    int opened = 0;

private:
    void openOne()
    {
        auto *socket = new QTcpSocket(this);
        EXPECT_TRUE(socket->bind(m_source));
        connect(socket, &QAbstractSocket::connected, socket, [socket, greeting = m_greeting] {
            if (!greeting.isEmpty()) {
                socket->write(greeting);
            }
        });
        connect(socket, &QAbstractSocket::stateChanged, this, [this, socket](QAbstractSocket::SocketState state) {
            if (state != QAbstractSocket::UnconnectedState) {
                return;
            }
            socket->disconnect(this);
            socket->deleteLater();
            if (m_reopen) {
                QMetaObject::invokeMethod(
                    this, [this] { openOne(); }, Qt::QueuedConnection);
            }
        });
        socket->connectToHost(QHostAddress::LocalHost, m_port);
        ++opened;
    }

    quint16 m_port;
    QByteArray m_greeting;
    bool m_reopen;
    QHostAddress m_source;
};

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
                && !test::waitUntil([&] { return acceptedDescriptors(listener->port()) <= *descriptorLimit; })) {
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
    EXPECT_LE(listener->activeConnectionCount(), 8);
    // A cut connection gives its descriptor back once its socket is deleted, which a busy machine may
    // not have done yet: the count must settle at the limit, not be there at one glance.
    int descriptors = 0;
    EXPECT_TRUE(test::waitUntil([&] {
        descriptors = acceptedDescriptors(listener->port());
        return descriptors <= 8;
    })) << descriptors
        << " descriptors";

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
