#include "records/PeerEndpoint.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(PeerEndpointTest, ParsesHostAndPort)
{
    const auto v4 = PeerEndpoint::parseHostPort(u"127.0.0.1:5123");
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4->host(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(v4->port(), 5123);
    EXPECT_EQ(v4->description(), QStringLiteral("127.0.0.1:5123"));

    const auto v6 = PeerEndpoint::parseHostPort(u"[::1]:80");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host(), QStringLiteral("::1"));
    EXPECT_EQ(v6->description(), QStringLiteral("[::1]:80"));

    EXPECT_TRUE(PeerEndpoint::parseHostPort(u"studio.local:1"));
    for (const char16_t *bad : {u"", u"127.0.0.1", u"127.0.0.1:", u"127.0.0.1:0", u"127.0.0.1:65536", u":5", u"::1:80",
                                u"[::1]80", u"[127.0.0.1]:80", u"a b:80", u"host:8x"}) {
        EXPECT_FALSE(PeerEndpoint::parseHostPort(bad)) << QString::fromUtf16(bad).toStdString();
    }
}

TEST(PeerEndpointTest, EqualityIgnoresResolvedAddresses)
{
    const PeerEndpoint service = PeerEndpoint::serviceInstance(
        QStringLiteral("Studio"), QStringLiteral("_verandel._tcp"), QStringLiteral("local"));
    const PeerEndpoint resolved = service.withResolution({QHostAddress(QStringLiteral("192.0.2.7"))}, 4000);
    EXPECT_EQ(service, resolved);
    EXPECT_EQ(qHash(service), qHash(resolved));
    EXPECT_EQ(service,
              PeerEndpoint::serviceInstance(QStringLiteral("Studio"), QStringLiteral("_Verandel._TCP"),
                                            QStringLiteral("local.")));
    EXPECT_NE(service,
              PeerEndpoint::serviceInstance(QStringLiteral("studio"), QStringLiteral("_verandel._tcp"),
                                            QStringLiteral("local")));
    EXPECT_NE(service, PeerEndpoint::hostPort(QStringLiteral("Studio"), 4000));
    EXPECT_EQ(PeerEndpoint::hostPort(QStringLiteral("Host"), 1), PeerEndpoint::hostPort(QStringLiteral("host"), 1));
    EXPECT_NE(PeerEndpoint::hostPort(QStringLiteral("host"), 1), PeerEndpoint::hostPort(QStringLiteral("host"), 2));
}

TEST(PeerEndpointTest, MatchesSourceAddressesAcrossIpv4MappedForms)
{
    const PeerEndpoint loopback = PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 9);
    EXPECT_TRUE(loopback.hasAddress(QHostAddress(QStringLiteral("127.0.0.1"))));
    EXPECT_TRUE(loopback.hasAddress(QHostAddress(QStringLiteral("::ffff:127.0.0.1"))));
    EXPECT_FALSE(loopback.hasAddress(QHostAddress(QStringLiteral("127.0.0.2"))));
    EXPECT_FALSE(loopback.hasAddress(QHostAddress()));
    EXPECT_FALSE(PeerEndpoint::hostPort(QStringLiteral("localhost"), 9).hasAddress(QHostAddress::LocalHost));

    QHostAddress linkLocal(QStringLiteral("fe80::1"));
    linkLocal.setScopeId(QStringLiteral("2"));
    const PeerEndpoint service
        = PeerEndpoint::serviceInstance(QStringLiteral("A"), QStringLiteral("_verandel._tcp"), QStringLiteral("local"))
              .withResolution({QHostAddress(QStringLiteral("::ffff:192.0.2.1")), linkLocal}, 7);
    EXPECT_TRUE(service.hasAddress(QHostAddress(QStringLiteral("192.0.2.1"))));
    EXPECT_TRUE(service.hasAddress(QHostAddress(QStringLiteral("fe80::1"))));
    EXPECT_FALSE(service.hasAddress(QHostAddress(QStringLiteral("192.0.2.2"))));
    EXPECT_EQ(service.port(), 7);
}

TEST(PeerEndpointTest, DescriptionEscapesPeerChosenNames)
{
    const PeerEndpoint service = PeerEndpoint::serviceInstance(
        QStringLiteral("Evil\nName"), QStringLiteral("_verandel._tcp"), QStringLiteral("local"));
    EXPECT_EQ(service.description(), QStringLiteral("Evil\\nName._verandel._tcp.local"));
}
