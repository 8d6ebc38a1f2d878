#include "telemetry/NetworkAccessMetricsHTTPClient.h"
#include "telemetry/MetricsHTTPClientError.h"

#include "support/BeaconResponder.h"
#include "support/RunTask.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace verandel;
using namespace std::chrono_literals;

namespace {

std::optional<MetricsHTTPClientError> sendTo(MetricsHTTPClient &client, const QUrl &url)
{
    try {
        test::runTask(client.send(QNetworkRequest(url)));
    } catch (const MetricsHTTPClientError &error) {
        return error;
    }
    return std::nullopt;
}

class NetworkAccessMetricsHTTPClientTest : public ::testing::Test
{
protected:
    QUrl beacon(const QString &query = QStringLiteral("v=1")) const
    {
        QUrl url = m_responder.baseURL();
        url.setPath(QStringLiteral("/ba.gif"));
        url.setQuery(query);
        return url;
    }

    test::BeaconResponder m_responder;
    std::shared_ptr<NetworkAccessMetricsHTTPClient> m_client = std::make_shared<NetworkAccessMetricsHTTPClient>();
};

TEST_F(NetworkAccessMetricsHTTPClientTest, OnlyTwoHundredsAreTaken)
{
    const struct
    {
        int status;
        bool taken;
    } cases[]
        = {{204, true}, {299, true}, {200, true}, {199, false}, {300, false}, {304, false}, {404, false}, {500, false}};
    for (const auto &c : cases) {
        m_responder.script({c.status});
        const std::optional<MetricsHTTPClientError> error = sendTo(*m_client, beacon());
        if (c.taken) {
            EXPECT_EQ(error, std::nullopt) << c.status;
        } else {
            EXPECT_EQ(error, MetricsHTTPClientError::unsuccessfulStatusCode(c.status)) << c.status;
        }
    }
    ASSERT_EQ(m_responder.requests().size(), 8);
    EXPECT_EQ(m_responder.requests().first().method, "GET");
    EXPECT_EQ(m_responder.requests().first().target, "/ba.gif?v=1");
}

TEST_F(NetworkAccessMetricsHTTPClientTest, ARedirectIsFollowedToItsFinalStatus)
{
    const QUrl target = beacon(QStringLiteral("moved=1"));
    m_responder.setExtraHeaders("Location: " + target.toEncoded() + "\r\n");
    m_responder.answerTarget("/ba.gif?v=1", 302);
    m_responder.answerTarget("/ba.gif?moved=1", 404);
    EXPECT_EQ(sendTo(*m_client, beacon()), MetricsHTTPClientError::unsuccessfulStatusCode(404));
    EXPECT_TRUE(m_responder.queries().contains(QStringLiteral("moved=1")));
}

TEST_F(NetworkAccessMetricsHTTPClientTest, SilenceTimesOut)
{
    const auto client = std::make_shared<NetworkAccessMetricsHTTPClient>(150ms);
    m_responder.setSilent(true);
    EXPECT_EQ(sendTo(*client, beacon()), MetricsHTTPClientError::timedOut());
    EXPECT_EQ(m_responder.requests().size(), 1);
}

TEST_F(NetworkAccessMetricsHTTPClientTest, ARefusedConnectionIsATransportFailure)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    const std::optional<MetricsHTTPClientError> error
        = sendTo(*m_client, QUrl(QStringLiteral("http://127.0.0.1:%1/ba.gif").arg(port)));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), MetricsHTTPClientError::Kind::TransportFailed);
}

TEST_F(NetworkAccessMetricsHTTPClientTest, AnAnswerThatIsNotHTTPIsInvalid)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("GIF89a");
    file.flush();
    EXPECT_EQ(sendTo(*m_client, QUrl::fromLocalFile(file.fileName())), MetricsHTTPClientError::invalidResponse());
    EXPECT_TRUE(m_responder.requests().isEmpty());
}

TEST_F(NetworkAccessMetricsHTTPClientTest, CookiesAreNeverKept)
{
    m_responder.setExtraHeaders("Set-Cookie: visitor=42; Path=/\r\n");
    EXPECT_EQ(sendTo(*m_client, beacon()), std::nullopt);
    EXPECT_EQ(sendTo(*m_client, beacon()), std::nullopt);
    ASSERT_EQ(m_responder.requests().size(), 2);
    EXPECT_FALSE(m_responder.requests().last().hasHeader("Cookie"));
}

} // namespace
