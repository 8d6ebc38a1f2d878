#include "update/UpdateHttpClient.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "update/UpdaterError.h"

#include <gtest/gtest.h>

namespace verandel::test {
namespace {

const UpdateHttpClient::Limits chainLimits{1024 * 1024, std::chrono::seconds(20), std::chrono::seconds(20),
                                           UpdaterError::feedFailed};

QByteArray hopPath(int hop)
{
    return "/hop" + QByteArray::number(hop);
}

// /hop0 redirects to /hop1 and so on; /hop<hops> answers with the body.
void serveChain(HttpTestServer &server, int hops, const QByteArray &body)
{
    for (int hop = 0; hop < hops; ++hop) {
        server.serve(hopPath(hop), HttpTestServer::Response{302, "moved", {"Location: " + hopPath(hop + 1)}});
    }
    server.serve(hopPath(hops), body);
}

// What the sink received, or the failure's text.
QString fetchChain(HttpTestServer &server, QByteArray *received)
{
    auto client = std::make_shared<UpdateHttpClient>();
    UpdateHttpClient::Sink sink = [received](const QByteArray &chunk) { received->append(chunk); };
    try {
        runTask(client->stream(server.url(QString::fromLatin1(hopPath(0))), chainLimits, std::move(sink)));
    } catch (const UpdaterError &error) {
        return error.localizedDescription();
    }
    return {};
}

TEST(UpdateHttpClientTest, FollowsUpToFiveRedirectsOneRequestEach)
{
    for (const int hops : {0, 1, 2, 5}) {
        HttpTestServer server;
        serveChain(server, hops, "the feed");
        QByteArray received;
        EXPECT_EQ(fetchChain(server, &received), QString()) << hops;
        EXPECT_EQ(received, QByteArray("the feed")) << "no redirect's body reaches the sink, " << hops;
        EXPECT_EQ(server.requestedPaths().size(), hops + 1) << hops;
    }
}

TEST(UpdateHttpClientTest, RefusesASixthRedirectAndALoopWithAClearMessage)
{
    HttpTestServer six;
    serveChain(six, 6, "never read");
    QByteArray received;
    EXPECT_EQ(fetchChain(six, &received), QStringLiteral("The server redirected more than 5 times."));
    EXPECT_EQ(six.requestedPaths().size(), 6) << "the sixth target is not asked for";
    EXPECT_TRUE(received.isEmpty());

    HttpTestServer loop;
    loop.redirect(hopPath(0), hopPath(1));
    loop.redirect(hopPath(1), loop.url(QStringLiteral("/hop0")).toEncoded());
    EXPECT_EQ(fetchChain(loop, &received), QStringLiteral("The server redirected in a loop."));
    EXPECT_EQ(loop.requestedPaths(), QByteArrayList({hopPath(0), hopPath(1)}));

    // Plain http leaves loopback only by climbing to https.
    HttpTestServer away;
    away.redirect(hopPath(0), "http://192.0.2.1/feed");
    EXPECT_EQ(fetchChain(away, &received), QStringLiteral("The server redirected to an address that is not allowed."));
}

TEST(UpdateHttpClientTest, AFailedAnswerAtTheEndOfTheChainIsReportedWithItsStatus)
{
    HttpTestServer server;
    server.redirect(hopPath(0), hopPath(1));
    server.serve(hopPath(1), HttpTestServer::Response{500, "internal", {}});
    QByteArray received;
    EXPECT_FALSE(fetchChain(server, &received).isEmpty());
    EXPECT_TRUE(received.isEmpty()) << "an error page is no body";
}

} // namespace
} // namespace verandel::test
