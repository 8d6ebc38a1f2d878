#include "peer/dnssd/DiscoverableMacTxt.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include "mock/TestCoordinator.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/FakeServiceAdvertiser.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("b0000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("b0000000-0000-4000-8000-000000000002"));
const QDateTime kNow(QDate(2026, 2, 1), QTime(8, 0), Qt::UTC);

DiscoverableMac localMac(std::optional<QString> securityCode = std::nullopt)
{
    return DiscoverableMac(kLocal, QStringLiteral("Studio"), QStringLiteral("2.4.1"), std::nullopt,
                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::move(securityCode), kNow);
}

QByteArray envelopeJson()
{
    return EventEnvelopeCodec::encodeToData(EventEnvelopeCodec::createPingRequest(kPeer, kLocal, kNow)).value();
}

struct ListenerFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<test::FakeServiceAdvertiser> advertiser = std::make_shared<test::FakeServiceAdvertiser>();
    std::shared_ptr<TestCoordinator> coordinator = std::make_shared<TestCoordinator>(clock);
    EphemeralFrameListener listener{logs, clock, advertiser, coordinator, QHostAddress::LocalHost};
    QList<ReceivedFrame> frames;

    void SetUp() override
    {
        QObject::connect(&listener, &FrameListenerProtocol::receivedFrames, &listener,
                         [this](const ReceivedFrame &frame) { frames.append(frame); });
        listener.start(localMac());
        ASSERT_TRUE(listener.isRunning());
    }

    // Connects from the source address and waits until the listener has accepted or refused it.
    std::unique_ptr<QTcpSocket> connectClient(const QHostAddress &source = QHostAddress(QHostAddress::LocalHost),
                                              std::optional<quint16> port = std::nullopt)
    {
        const qsizetype before = handledConnections();
        auto socket = std::make_unique<QTcpSocket>();
        EXPECT_TRUE(socket->bind(source));
        socket->connectToHost(QHostAddress::LocalHost, port.value_or(listener.port()));
        // The listener accepts from the event loop, so keep it running while connecting.
        EXPECT_TRUE(test::waitUntil([&] { return handledConnections() == before + 1; }));
        return socket;
    }

    qsizetype handledConnections() const
    {
        qsizetype count = 0;
        for (const QString &line : logs->allMessages()) {
            count += line.startsWith(QStringLiteral("Accepted new connection: "))
                || line.startsWith(QStringLiteral("Refusing connection from "));
        }
        return count;
    }

    // Waits until what the clients wrote has reached the listener.
    static void delivered(const QList<QTcpSocket *> &clients)
    {
        ASSERT_TRUE(test::waitUntil([&] {
            return std::all_of(clients.begin(), clients.end(), [](QTcpSocket *c) { return c->bytesToWrite() == 0; });
        }));
        QTest::qWait(20);
    }

    static bool isClosed(QTcpSocket &socket)
    {
        return test::waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
    }

    // Sends the bytes, ends the stream and waits until the listener has dealt with the connection.
    void sendAndClose(const QByteArray &bytes)
    {
        auto socket = connectClient();
        ASSERT_TRUE(test::waitUntil([&] { return listener.activeConnectionCount() == 1; }));
        socket->write(bytes);
        socket->disconnectFromHost();
        ASSERT_TRUE(test::waitUntil([&] { return listener.activeConnectionCount() == 0; }));
    }

    QStringList closedForRoomLines() const
    {
        return logs->messages(LogLevel::Warning).filter(QStringLiteral(" in the last 10 s to make room"));
    }

    int cleanupLines() const
    {
        int count = 0;
        for (const QString &line : logs->messages(LogLevel::Debug)) {
            count += line.contains(QStringLiteral(" cleanup due to ")) ? 1 : 0;
        }
        return count;
    }
};

} // namespace

TEST_F(ListenerFixture, PublishesAWholeFrameWithItsSource)
{
    const QByteArray json = envelopeJson();
    sendAndClose(EphemeralFrameSender::frame(json));
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames.first().senderMacId(), kPeer);
    EXPECT_EQ(frames.first().envelope, EventEnvelopeCodec::decodeFromData(json).value());
    EXPECT_EQ(PeerEndpoint::normalizedAddress(frames.first().sourceAddress), QHostAddress(QHostAddress::LocalHost));
    EXPECT_TRUE(coordinator->hasSignal(QStringLiteral("frameReceived")));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Debug, QStringLiteral("cleanup due to all data received")));
    EXPECT_EQ(cleanupLines(), 1);
}

TEST_F(ListenerFixture, FramesThatAreNotWholeAreDropped)
{
    sendAndClose(QByteArray("\x00\x00\x01", 3));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral(" closed with insufficient data: 3 bytes")));

    QByteArray mismatch = QByteArray::fromHex("0000000a") + QByteArray(20, '{');
    sendAndClose(mismatch);
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Warning, QStringLiteral(" frame size mismatch: expected 14, got 24")));

    sendAndClose(EphemeralFrameSender::frame(envelopeJson()) + EphemeralFrameSender::frame(envelopeJson()));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral(" frame size mismatch: expected ")));

    sendAndClose(EphemeralFrameSender::frame(R"({"not":"an envelope"})"));
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Warning, QStringLiteral("Failed to decode envelope from connection ")));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral(": Failed to decode envelope: ")));

    EXPECT_TRUE(frames.isEmpty());
    EXPECT_EQ(cleanupLines(), 4);
}

TEST_F(ListenerFixture, OversizedStreamIsCutOff)
{
    auto socket = connectClient();
    ASSERT_TRUE(test::waitUntil([&] { return listener.activeConnectionCount() == 1; }));
    socket->write(QByteArray::fromHex("00004001") + QByteArray(EventEnvelopeCodec::MAX_FRAME_SIZE + 1, 'x'));
    ASSERT_TRUE(test::waitUntil([&] { return listener.activeConnectionCount() == 0; }));
    // The peer's bytes are refused: a warning, as every refusal of what a peer sent.
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral(" exceeds maximum 16388")));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Debug, QStringLiteral("cleanup due to buffer size exceeded")));
    EXPECT_TRUE(test::waitUntil([&] { return socket->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(frames.isEmpty());
}

TEST_F(ListenerFixture, LargestFrameIsAccepted)
{
    // An envelope of exactly the limit, built by padding the type.
    RawEventEnvelope raw{QUuid::createUuid(), std::nullopt, kPeer, kLocal, QString(), QByteArray("{}"), kNow};
    const qsizetype base = EventEnvelopeCodec::encodeToData(raw)->size();
    raw.type = QString(EventEnvelopeCodec::MAX_FRAME_SIZE - base, QLatin1Char('t'));
    const QByteArray json = EventEnvelopeCodec::encodeToData(raw).value();
    ASSERT_EQ(json.size(), 16384);
    sendAndClose(EphemeralFrameSender::frame(json));
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames.first().envelope, raw);
}

TEST_F(ListenerFixture, ConnectionsThatStallAreClosedAtTheirDeadline)
{
    const struct
    {
        const char *name;
        QByteArray sent;
        // Virtual time before the bytes are sent, and from the accept to the deadline.
        double sentAfter;
        double deadline;
        const char *warning;
        const char *cleanup;
    } cases[] = {
        {"WithoutItsLengthAfterTwoSeconds", QByteArray::fromHex("0000"), 0.0, 2.0,
         " did not send its frame length within 2.0s", "cleanup due to length deadline exceeded"},
        {"WhoseFrameIsNotWholeTwoSecondsAfterItsLength", QByteArray::fromHex("00000100") + "{\"id\":", 1.5, 3.5,
         " did not end its stream within 2.0s of its frame length", "cleanup due to frame deadline exceeded"},
        {"WhoseLengthCameAtOnce", QByteArray::fromHex("00000100"), 0.0, 2.0,
         " did not end its stream within 2.0s of its frame length", "cleanup due to frame deadline exceeded"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        logs->clear();
        auto socket = connectClient();
        clock->advance(c.sentAfter);
        socket->write(c.sent);
        delivered({socket.get()});
        clock->advance(c.deadline - c.sentAfter - 0.1);
        QCoreApplication::processEvents();
        EXPECT_EQ(listener.activeConnectionCount(), 1);
        clock->advance(0.1);
        ASSERT_TRUE(test::waitUntil([&] { return listener.activeConnectionCount() == 0; }));
        EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QString::fromLatin1(c.warning)));
        EXPECT_TRUE(logs->containsSubstring(LogLevel::Debug, QString::fromLatin1(c.cleanup)));
        EXPECT_TRUE(isClosed(*socket));
        EXPECT_EQ(cleanupLines(), 1);
    }
}

TEST_F(ListenerFixture, StrangersMakeRoomAndALinkedComputersConnectionIsNeverClosedForOne)
{
    // 6 in all, 4 from strangers, 2 from one address.
    EphemeralFrameListener small(logs, clock, nullptr, nullptr, QHostAddress::LocalHost,
                                 InboundConnectionLimits{2.0, 2.0, 6, 4, 2});
    small.setTrustedAddressPredicate([](const QHostAddress &address) {
        return QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.20"), QStringLiteral("127.0.0.21"),
                           QStringLiteral("127.0.0.22")}
            .contains(address.toString());
    });
    small.start(localMac());
    ASSERT_TRUE(small.isRunning());

    const struct
    {
        const char *source;
        // The earlier connection closed to make room; -1: none, -2: this one is refused.
        int closes;
    } steps[] = {
        {"127.0.0.2", -1},  {"127.0.0.2", -1},
        {"127.0.0.2", 0}, // the oldest of its address, although it sent its length
        {"127.0.0.3", -1},  {"127.0.0.4", -1},
        {"127.0.0.1", -1},  {"127.0.0.1", -1},
        {"127.0.0.5", 1}, // a fifth stranger: the oldest stranger's
        {"127.0.0.20", 2}, // all six places taken: a stranger's, never a linked computer's
        {"127.0.0.20", 3},  {"127.0.0.1", 5}, // a linked computer's third: its own oldest
        {"127.0.0.6", 4},   {"127.0.0.21", 7},
        {"127.0.0.21", 11}, {"127.0.0.7", -2}, // six linked connections: nothing to close
        {"127.0.0.22", -2}, // not even for a linked computer's from elsewhere
    };
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    QSet<int> closedSoFar;
    for (const auto &step : steps) {
        SCOPED_TRACE(clients.size());
        const qsizetype refusals
            = logs->messages(LogLevel::Warning).filter(QStringLiteral("Refusing connection")).size();
        clients.push_back(connectClient(QHostAddress(QString::fromLatin1(step.source)), small.port()));
        clients.back()->write(QByteArray::fromHex("00000100"));
        if (step.closes >= 0) {
            EXPECT_TRUE(isClosed(*clients[step.closes]));
            closedSoFar.insert(step.closes);
        }
        EXPECT_EQ(logs->messages(LogLevel::Warning).filter(QStringLiteral("Refusing connection")).size(),
                  refusals + (step.closes == -2 ? 1 : 0));
        if (step.closes == -2) {
            EXPECT_TRUE(isClosed(*clients.back()));
            closedSoFar.insert(static_cast<int>(clients.size()) - 1);
        }
        EXPECT_EQ(small.activeConnectionCount(), static_cast<int>(clients.size()) - closedSoFar.size());
    }
    EXPECT_EQ(logs->messages(LogLevel::Debug).filter(QStringLiteral("to make room for a connection from")).size(), 8);
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Debug, QStringLiteral("(2 open from 127.0.0.2)")));
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Debug, QStringLiteral("(4 open from computers that are not linked)")));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Debug, QStringLiteral("(6 open in all)")));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral(": 6 inbound connections already open")));

    // What was closed to make room is summed up per source once the period ends.
    EXPECT_TRUE(closedForRoomLines().isEmpty());
    clock->advance(EphemeralFrameListener::CLOSED_FOR_ROOM_SUMMARY_SECONDS);
    EXPECT_EQ(closedForRoomLines(),
              (QStringList{QStringLiteral("Closed 1 connections from 127.0.0.1 in the last 10 s to make room"),
                           QStringLiteral("Closed 3 connections from 127.0.0.2 in the last 10 s to make room"),
                           QStringLiteral("Closed 1 connections from 127.0.0.3 in the last 10 s to make room"),
                           QStringLiteral("Closed 1 connections from 127.0.0.4 in the last 10 s to make room"),
                           QStringLiteral("Closed 1 connections from 127.0.0.5 in the last 10 s to make room"),
                           QStringLiteral("Closed 1 connections from 127.0.0.6 in the last 10 s to make room")}));
    clock->advance(EphemeralFrameListener::CLOSED_FOR_ROOM_SUMMARY_SECONDS);
    EXPECT_EQ(closedForRoomLines().size(), 6) << "a quiet period adds nothing";
}

TEST_F(ListenerFixture, ClosingForOneCapIsCountedBeforeTheNext)
{
    // 64 in all, 4 from strangers, 2 from one address: the fifth stranger is the third from its address,
    // and making room for it there also makes room among strangers.
    EphemeralFrameListener small(logs, clock, nullptr, nullptr, QHostAddress::LocalHost,
                                 InboundConnectionLimits{2.0, 2.0, 64, 4, 2});
    small.start(localMac());
    ASSERT_TRUE(small.isRunning());
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (const char *source : {"127.0.0.2", "127.0.0.2", "127.0.0.3", "127.0.0.3", "127.0.0.2"}) {
        clients.push_back(connectClient(QHostAddress(QString::fromLatin1(source)), small.port()));
        clients.back()->write(QByteArray::fromHex("00000100"));
        delivered({clients.back().get()});
    }
    EXPECT_TRUE(isClosed(*clients[0]));
    EXPECT_EQ(small.activeConnectionCount(), 4);
    EXPECT_EQ(logs->messages(LogLevel::Debug).filter(QStringLiteral("to make room for a connection from")).size(), 1);
    clock->advance(EphemeralFrameListener::CLOSED_FOR_ROOM_SUMMARY_SECONDS);
    EXPECT_EQ(closedForRoomLines(),
              QStringList{QStringLiteral("Closed 1 connections from 127.0.0.2 in the last 10 s to make room")});
}

TEST_F(ListenerFixture, WholeFramesThatArrivedWhileTheLoopWasBusyAreAllProcessed)
{
    listener.setTrustedAddressPredicate(
        [](const QHostAddress &address) { return address == QHostAddress(QHostAddress::LocalHost); });
    // Twenty-two clients of one linked computer connect while the listener's loop does not run: the
    // first two write half a frame and wait, the other twenty write a whole frame each and end their
    // streams. All of it waits in the system for the listener.
    const QByteArray frame = EphemeralFrameSender::frame(envelopeJson());
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 22; ++i) {
        auto client = std::make_unique<QTcpSocket>();
        client->connectToHost(QHostAddress::LocalHost, listener.port());
        ASSERT_TRUE(client->waitForConnected(5000));
        client->write(i < 2 ? frame.left(frame.size() / 2) : frame);
        ASSERT_TRUE(client->waitForBytesWritten(5000));
        if (i >= 2) {
            client->disconnectFromHost();
        }
        clients.push_back(std::move(client));
    }
    EXPECT_EQ(handledConnections(), 0);

    ASSERT_TRUE(test::waitUntil([&] { return frames.size() == 20; })) << frames.size() << " frames";
    EXPECT_EQ(listener.activeConnectionCount(), 2) << "the halves wait for the rest";
    for (int i = 0; i < 2; ++i) {
        clients[i]->write(frame.mid(frame.size() / 2));
        clients[i]->disconnectFromHost();
    }
    ASSERT_TRUE(test::waitUntil([&] { return frames.size() == 22; })) << frames.size() << " frames";
    EXPECT_TRUE(logs->messages(LogLevel::Debug).filter(QStringLiteral("to make room for a connection from")).isEmpty());
    EXPECT_TRUE(logs->messages(LogLevel::Warning).isEmpty())
        << logs->messages(LogLevel::Warning).join(u'\n').toStdString();
    clock->advance(EphemeralFrameListener::CLOSED_FOR_ROOM_SUMMARY_SECONDS);
    EXPECT_TRUE(closedForRoomLines().isEmpty());
}

TEST_F(ListenerFixture, AFixedPortIsListenedOnOnlyAtTheLoopbackAddress)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    EphemeralFrameListener fixed(logs, clock, advertiser, nullptr);
    fixed.setFixedLoopbackPort(port);
    fixed.start(localMac());
    ASSERT_TRUE(fixed.isRunning());
    EXPECT_EQ(fixed.port(), port);
    EXPECT_EQ(advertiser->advertised.last().port, port);

    QTcpSocket elsewhere;
    elsewhere.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), port);
    EXPECT_TRUE(isClosed(elsewhere));
    EXPECT_EQ(elsewhere.error(), QAbstractSocket::ConnectionRefusedError);

    QList<ReceivedFrame> received;
    QObject::connect(&fixed, &FrameListenerProtocol::receivedFrames, &fixed,
                     [&](const ReceivedFrame &frame) { received.append(frame); });
    QTcpSocket loopback;
    loopback.connectToHost(QHostAddress::LocalHost, port);
    loopback.write(EphemeralFrameSender::frame(envelopeJson()));
    loopback.disconnectFromHost();
    ASSERT_TRUE(test::waitUntil([&] { return received.size() == 1; }));

    // The same port again after a stop; a port in use is a failed start.
    fixed.stop();
    fixed.start(localMac());
    EXPECT_EQ(fixed.port(), port);
    EphemeralFrameListener clash(logs, clock, nullptr, nullptr);
    clash.setFixedLoopbackPort(port);
    clash.start(localMac());
    EXPECT_FALSE(clash.isRunning());
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Error, QStringLiteral("Failed to start frame listener: ")));
}

TEST_F(ListenerFixture, StopClosesConnectionsAndWithdrawsTheService)
{
    auto socket = connectClient();
    ASSERT_TRUE(test::waitUntil([&] { return listener.activeConnectionCount() == 1; }));
    listener.stop();
    EXPECT_FALSE(listener.isRunning());
    EXPECT_EQ(listener.activeConnectionCount(), 0);
    EXPECT_EQ(advertiser->withdrawals, 1);
    EXPECT_TRUE(isClosed(*socket));
    listener.stop();
    EXPECT_EQ(advertiser->withdrawals, 1);
}

TEST_F(ListenerFixture, AdvertisesTheRecordAndReplacesItOnTheSamePort)
{
    ASSERT_EQ(advertiser->advertised.size(), 1);
    const ServiceAdvertisement first = advertiser->advertised.first();
    EXPECT_EQ(first.name, QStringLiteral("Studio"));
    EXPECT_EQ(first.type, QStringLiteral("_verandel._tcp"));
    EXPECT_EQ(first.port, listener.port());
    EXPECT_EQ(first.txtRecord, DiscoverableMacTxt::txtRecordData(localMac()));

    const quint16 port = listener.port();
    listener.start(localMac());
    EXPECT_EQ(listener.port(), port);
    EXPECT_EQ(advertiser->advertised.size(), 1);

    listener.alterAdvertisedMac(localMac(QStringLiteral("K7Q2ZX")));
    ASSERT_EQ(advertiser->advertised.size(), 2);
    EXPECT_EQ(advertiser->advertised.last().port, port);
    EXPECT_EQ(advertiser->advertised.last().txtRecord.value("securityCode"), QByteArray("K7Q2ZX"));

    // Not running: nothing is advertised until the next start.
    listener.stop();
    listener.alterAdvertisedMac(localMac());
    EXPECT_EQ(advertiser->advertised.size(), 2);
    listener.start(localMac());
    EXPECT_TRUE(listener.isRunning());
    EXPECT_EQ(advertiser->advertised.size(), 3);

    Q_EMIT advertiser->advertisingFailed(TransportError::serviceRegistrationFailed(QStringLiteral("collision")));
    EXPECT_TRUE(logs->contains(LogLevel::Error,
                               QStringLiteral("Failed to advertise frame listener: Failed to register "
                                              "service: collision")));
}
