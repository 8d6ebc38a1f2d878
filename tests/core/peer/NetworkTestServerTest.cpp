#include "support/NetworkTestServer.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"

#include <QTcpSocket>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace verandel;
using test::NetworkTestServer;

namespace {

QByteArray frameOf(const QByteArray &payload)
{
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), frame.data());
    return frame + payload;
}

std::unique_ptr<QTcpSocket> connectTo(const NetworkTestServer &server)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server.makeHostPortEndpoint().port());
    EXPECT_TRUE(socket->waitForConnected(5000));
    return socket;
}

QByteArray readAtLeast(QTcpSocket &socket, qsizetype size)
{
    QByteArray data;
    test::waitUntil([&] {
        data += socket.readAll();
        return data.size() >= size;
    });
    return data;
}

NetworkTestServer::Handler echo()
{
    return [](NetworkTestServer::RequestContext context) -> QCoro::Task<NetworkTestServer::HandlerResult> {
        if (context.requestData == "many") {
            co_return NetworkTestServer::HandlerResult::multiple({"a", "bc"});
        }
        if (context.requestData == "none") {
            co_return NetworkTestServer::HandlerResult::multiple({});
        }
        if (context.requestData == "fail") {
            throw std::runtime_error("handler failed");
        }
        co_return NetworkTestServer::HandlerResult::response(context.requestData);
    };
}

} // namespace

TEST(NetworkTestServerTest, CutsFramesAcrossAndWithinReads)
{
    auto server = NetworkTestServer::start(echo());
    auto client = connectTo(*server);
    client->write(frameOf("one") + frameOf("two") + frameOf(QByteArray()));
    const QByteArray split = frameOf("split");
    client->write(split.left(2));
    client->flush();
    EXPECT_EQ(test::runTask(server->waitForRequest(5.0)).requestData, QByteArray("one"));
    EXPECT_EQ(test::runTask(server->waitForRequest(5.0)).requestData, QByteArray("two"));
    EXPECT_EQ(test::runTask(server->waitForRequest(5.0)).requestData, QByteArray());
    client->write(split.mid(2));
    EXPECT_EQ(test::runTask(server->waitForRequest(5.0)).requestData, QByteArray("split"));
    const QByteArray expected = frameOf("one") + frameOf("two") + frameOf(QByteArray()) + frameOf("split");
    EXPECT_EQ(readAtLeast(*client, expected.size()), expected);
}

TEST(NetworkTestServerTest, AnswersWithSeveralFramesOrNone)
{
    auto server = NetworkTestServer::start(echo());
    auto client = connectTo(*server);
    client->write(frameOf("none") + frameOf("many"));
    const QByteArray expected = frameOf("a") + frameOf("bc");
    EXPECT_EQ(readAtLeast(*client, expected.size()), expected);
}

TEST(NetworkTestServerTest, HandlerFailureClosesTheConnectionButKeepsTheRequest)
{
    auto server = NetworkTestServer::start(echo());
    auto client = connectTo(*server);
    client->write(frameOf("fail"));
    ASSERT_TRUE(test::waitUntil([&] { return client->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(test::runTask(server->waitForRequest(0.0)).requestData, QByteArray("fail"));
}

TEST(NetworkTestServerTest, WaitersAreServedOldestFirstAndTimeOut)
{
    auto clock = std::make_shared<test::ManualClock>();
    auto server = NetworkTestServer::start(NetworkTestServer::silentHandler(), clock);
    QList<QByteArray> order;
    auto waitInto = [](NetworkTestServer &s, QList<QByteArray> &out) -> QCoro::Task<> {
        const NetworkTestServer::ReceivedRequest request = co_await s.waitForRequest();
        out.append(request.requestData);
    };
    waitInto(*server, order);
    waitInto(*server, order);
    auto client = connectTo(*server);
    client->write(frameOf("first") + frameOf("second"));
    ASSERT_TRUE(test::waitUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (QList<QByteArray>{"first", "second"}));

    QString failure;
    auto timed = [](NetworkTestServer &s, QString &out) -> QCoro::Task<> {
        try {
            co_await s.waitForRequest(0.25);
        } catch (const test::NetworkTestServerError &error) {
            out = QString::number(error.code()) + QLatin1Char(' ') + error.description();
        }
    };
    timed(*server, failure);
    clock->advance(0.25);
    ASSERT_TRUE(test::waitUntil([&] { return !failure.isEmpty(); }));
    EXPECT_EQ(failure, QStringLiteral("-2 waitForRequest timed out after 0.25 seconds"));
}

TEST(NetworkTestServerTest, StopEndsWaiters)
{
    auto server = NetworkTestServer::start(NetworkTestServer::silentHandler());
    QString failure;
    auto wait = [](NetworkTestServer &s, QString &out) -> QCoro::Task<> {
        try {
            co_await s.waitForRequest();
        } catch (const test::NetworkTestServerError &error) {
            out = error.description();
        }
    };
    wait(*server, failure);
    server->stop();
    ASSERT_TRUE(test::waitUntil([&] { return !failure.isEmpty(); }));
    EXPECT_EQ(failure, QStringLiteral("Server stopped"));
}
