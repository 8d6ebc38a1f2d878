#include "peer/dnssd/DiscoverableMacTxt.h"
#include "peer/dnssd/TransportError.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/tcp/MultiplexFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include "foundation/LogText.h"
#include "foundation/SystemClock.h"
#include "support/ManualClock.h"
#include "support/NetworkTestServer.h"
#include "support/RunTask.h"
#include "support/fakes/FakeServiceResolver.h"
#include "support/fakes/RecordingFrameSender.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSignalSpy>
#include <QTcpServer>

#include <sys/socket.h>

#include <gtest/gtest.h>

#include <functional>

using namespace verandel;

namespace {

const QUuid kRecipient = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
const QUuid kSender = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000002"));
const QDateTime kNow(QDate(2026, 2, 1), QTime(8, 0), Qt::UTC);

RawEventEnvelope envelope(QByteArray payload = R"({"recipientMacId":"A1B2C3D4-0000-4000-8000-000000000001"})")
{
    return RawEventEnvelope{QUuid::createUuid(), std::nullopt, kSender, kRecipient, QStringLiteral("ping_request"),
                            std::move(payload),  kNow};
}

DiscoverableMac recipientAt(std::optional<PeerEndpoint> endpoint)
{
    return DiscoverableMac(kRecipient, QStringLiteral("Peer"), QStringLiteral("1.0"), std::move(endpoint),
                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt, kNow);
}

QCoro::Task<> sendInto(FrameSenderProtocol &sender, RawEventEnvelope env, DiscoverableMac mac,
                       std::shared_ptr<std::optional<bool>> answer)
{
    const bool sent = co_await sender.send(std::move(env), std::move(mac));
    *answer = sent;
}

// Starts a send and keeps its answer for the test to poll while it drives time and sockets.
std::shared_ptr<std::optional<bool>> startSend(FrameSenderProtocol &sender, RawEventEnvelope env, DiscoverableMac mac)
{
    auto answer = std::make_shared<std::optional<bool>>();
    sendInto(sender, std::move(env), std::move(mac), answer);
    return answer;
}

// A loopback port nobody listens on.
quint16 closedPort()
{
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    return probe.serverPort();
}

struct SenderFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<SystemClock> clock = std::make_shared<SystemClock>();
};

} // namespace

TEST(FrameLayoutTest, LengthPrefixIsBigEndian)
{
    const QByteArray frame = EphemeralFrameSender::frame(QByteArray(300, 'j'));
    ASSERT_EQ(frame.size(), 304);
    EXPECT_EQ(frame.left(4), QByteArray::fromHex("0000012c"));
}

TEST_F(SenderFixture, WritesOneFrameThenEndsTheStream)
{
    auto server = test::NetworkTestServer::start(test::NetworkTestServer::silentHandler());
    EphemeralFrameSender sender(logs, clock, 5.0);
    const RawEventEnvelope env = envelope();
    const QByteArray json = EventEnvelopeCodec::encodeToData(env).value();

    EXPECT_TRUE(test::runTask(sender.send(env, recipientAt(server->makeHostPortEndpoint()))));
    const auto request = test::runTask(server->waitForRequest(5.0));
    EXPECT_EQ(request.requestData, json);
    ASSERT_TRUE(test::waitUntil([&] { return server->hasEnded(request.connectionId); }));
    EXPECT_EQ(server->bytesReceived(request.connectionId), json.size() + 4);
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Successfully sent envelope %1 (%2 bytes) to Mac %3")
                                   .arg(idText(env.id), QString::number(json.size()), idText(kRecipient))));
}

TEST_F(SenderFixture, NoEndpointOrAnOversizedEnvelopeAnswersFalseWithoutConnecting)
{
    int connects = 0;
    EphemeralFrameSender sender(logs, clock, 5.0, nullptr, [&](QTcpSocket &, const QString &, quint16) { ++connects; });
    const RawEventEnvelope env = envelope();
    EXPECT_FALSE(test::runTask(sender.send(env, recipientAt(std::nullopt))));
    EXPECT_EQ(
        logs->messages(LogLevel::Warning),
        QStringList{
            QStringLiteral("Cannot send envelope %1 to Mac %2: no endpoint").arg(idText(env.id), idText(kRecipient))});

    const RawEventEnvelope oversized = envelope(QByteArray(13000, 'x'));
    EXPECT_FALSE(
        test::runTask(sender.send(oversized, recipientAt(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 9)))));
    EXPECT_EQ(connects, 0);
    const QStringList errors = logs->messages(LogLevel::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(
        errors.first().startsWith(QStringLiteral("Failed to encode envelope %1: Failed to encode envelope: Frame size ")
                                      .arg(idText(oversized.id))));
    EXPECT_TRUE(errors.first().endsWith(QStringLiteral(" exceeds maximum 16384")));

    EphemeralFrameSender real(logs, clock, 5.0);
    EXPECT_FALSE(
        test::runTask(real.send(env, recipientAt(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), closedPort())))));
    EXPECT_TRUE(logs->containsSubstring(
        LogLevel::Warning,
        QStringLiteral("Connection to Mac %1 failed for envelope %2: ").arg(idText(kRecipient), idText(env.id))));
}

TEST_F(SenderFixture, ConnectionThatNeverBecomesReadyTimesOut)
{
    auto manualClock = std::make_shared<test::ManualClock>();
    // Never connects: stands for a peer that does not answer, without touching any real address.
    EphemeralFrameSender sender(logs, manualClock, 5.0, nullptr, [](QTcpSocket &, const QString &, quint16) {});
    const RawEventEnvelope env = envelope();
    const auto answer = startSend(sender, env, recipientAt(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 9)));
    QCoreApplication::processEvents();
    manualClock->advance(4.9);
    QCoreApplication::processEvents();
    EXPECT_FALSE(answer->has_value());
    manualClock->advance(0.1);
    ASSERT_TRUE(test::waitUntil([&] { return answer->has_value(); }));
    EXPECT_FALSE(**answer);
    EXPECT_EQ(logs->messages(LogLevel::Warning),
              QStringList{QStringLiteral("Connection to Mac %1 timed out after 5.0s for envelope %2")
                              .arg(idText(kRecipient), idText(env.id))});
}

TEST_F(SenderFixture, APeerThatNeverReadsHoldsTheSendNoLongerThanTheWriteTimeOut)
{
    // The write time-out runs from the moment of connecting, whenever within the connection time-out
    // that comes.
    for (const double readyAfter : {0.0, 3.0}) {
        SCOPED_TRACE(readyAfter);
        logs->clear();
        auto manualClock = std::make_shared<test::ManualClock>();
        // The kernel completes the handshake but nobody accepts or reads; with the smallest buffers on
        // both sides a large frame cannot be handed over.
        QTcpServer silent;
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
        silent.pauseAccepting();
        const int smallest = 1;
        ASSERT_EQ(::setsockopt(static_cast<int>(silent.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &smallest,
                               sizeof smallest),
                  0);
        std::function<void()> connect;
        EphemeralFrameSender sender(logs, manualClock, 5.0, nullptr,
                                    [&connect](QTcpSocket &socket, const QString &host, quint16 port) {
                                        connect = [&socket, host, port] {
                                            socket.connectToHost(host, port);
                                            socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 1);
                                        };
                                    });
        const RawEventEnvelope env = envelope(QByteArray(11000, 'x'));
        const auto answer = startSend(
            sender, env, recipientAt(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), silent.serverPort())));
        ASSERT_TRUE(test::waitUntil([&] { return bool(connect); }));
        manualClock->advance(readyAfter);
        connect();
        ASSERT_TRUE(test::waitUntil(
            [&] { return logs->containsSubstring(LogLevel::Debug, QStringLiteral("Connection ready to Mac ")); }));
        QTest::qWait(50);
        manualClock->advance(9.9);
        QCoreApplication::processEvents();
        EXPECT_FALSE(answer->has_value()) << "the write still stalls";
        manualClock->advance(0.1);
        ASSERT_TRUE(test::waitUntil([&] { return answer->has_value(); }));
        EXPECT_FALSE(**answer);
        EXPECT_EQ(logs->messages(LogLevel::Warning),
                  QStringList{QStringLiteral("Failed to send envelope %1 to Mac %2: the frame was not written within "
                                             "10.0s of connecting")
                                  .arg(idText(env.id), idText(kRecipient))});
    }
}

TEST_F(SenderFixture, ServiceInstancesAreResolvedBeforeConnecting)
{
    auto server = test::NetworkTestServer::start(test::NetworkTestServer::silentHandler());
    auto resolver = std::make_shared<test::FakeServiceResolver>();
    resolver->failingRecipient = kRecipient;
    const PeerEndpoint service = PeerEndpoint::serviceInstance(
        QStringLiteral("Peer"), DiscoverableMacTxt::serviceType(), QStringLiteral("local"));
    resolver->answer = service.withResolution({QHostAddress::LocalHost}, server->makeHostPortEndpoint().port());
    EphemeralFrameSender sender(logs, clock, 5.0, resolver);

    EXPECT_TRUE(test::runTask(sender.send(envelope(), recipientAt(service))));
    EXPECT_EQ(resolver->calls, 1);
    test::runTask(server->waitForRequest(5.0));

    resolver->answer.reset();
    EXPECT_FALSE(test::runTask(sender.send(envelope(), recipientAt(service))));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("instance not found")));
}

TEST_F(SenderFixture, WithoutResolverTheResolvedAddressesAreTriedInTurnIpv4First)
{
    auto server = test::NetworkTestServer::start(test::NetworkTestServer::silentHandler());
    const quint16 refusing = closedPort();
    QStringList hosts;
    EphemeralFrameSender sender(logs, clock, 5.0, nullptr, [&](QTcpSocket &socket, const QString &host, quint16) {
        // The first address tried refuses, the second is the server.
        hosts.append(host);
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost),
                             hosts.size() == 1 ? refusing : server->makeHostPortEndpoint().port());
    });
    const PeerEndpoint service
        = PeerEndpoint::serviceInstance(QStringLiteral("Peer"), DiscoverableMacTxt::serviceType(),
                                        QStringLiteral("local"))
              .withResolution({QHostAddress(QStringLiteral("fe80::1")), QHostAddress(QStringLiteral("192.0.2.7"))}, 1);
    EXPECT_TRUE(test::runTask(sender.send(envelope(), recipientAt(service))));
    EXPECT_EQ(hosts, (QStringList{QStringLiteral("192.0.2.7"), QStringLiteral("fe80::1")}));
}

TEST_F(SenderFixture, MultiplexStopsAtTheFirstFailure)
{
    const RawEventEnvelope env = envelope();
    const DiscoverableMac mac = recipientAt(std::nullopt);

    EXPECT_FALSE(test::runTask(MultiplexFrameSender({}, logs).send(env, mac)));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("MultiplexFrameSender.send() - no senders configured, returning false")));

    auto failing = std::make_shared<test::RecordingFrameSender>(false);
    auto never = std::make_shared<test::RecordingFrameSender>(true);
    EXPECT_FALSE(test::runTask(MultiplexFrameSender({failing, never}, logs).send(env, mac)));
    ASSERT_EQ(failing->sent.size(), 1);
    EXPECT_EQ(failing->sent.first().envelope.id, env.id);
    EXPECT_TRUE(never->sent.isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("MultiplexFrameSender.send() - sender 0 failed, short-circuiting")));

    auto first = std::make_shared<test::RecordingFrameSender>(true);
    auto second = std::make_shared<test::RecordingFrameSender>(true);
    EXPECT_TRUE(test::runTask(MultiplexFrameSender({first, second}, logs).send(env, mac)));
    EXPECT_EQ(first->sent.size() + second->sent.size(), 2);
}
