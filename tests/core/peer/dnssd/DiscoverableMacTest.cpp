#include "records/DiscoverableMac.h"
#include "peer/dnssd/DiscoverableMacTxt.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kId = QUuid::fromString(QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b"));
const QDateTime kNow(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

PeerEndpoint serviceEndpoint()
{
    return PeerEndpoint::serviceInstance(QStringLiteral("Studio"), QStringLiteral("_verandel._tcp"),
                                         QStringLiteral("local"));
}

TxtRecord validRecord()
{
    return TxtRecord::fromStrings({"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name=Studio", "version=2.4.1",
                                   "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"});
}

} // namespace

TEST(DiscoverableMacTest, TxtRecordRoundTrip)
{
    const std::optional<DiscoverableMac> mac = DiscoverableMacTxt::from(serviceEndpoint(), validRecord(), kNow);
    ASSERT_TRUE(mac);
    EXPECT_EQ(*mac,
              DiscoverableMac(kId, QStringLiteral("Studio"), QStringLiteral("2.4.1"), serviceEndpoint(),
                              QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt, kNow));
    EXPECT_EQ(DiscoverableMacTxt::txtRecordData(*mac).toStrings(),
              (QList<QByteArray>{"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name=Studio", "version=2.4.1",
                                 "installationId=0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"}));

    const DiscoverableMac withCode(kId, QStringLiteral("Büro"), QStringLiteral("1.0"), std::nullopt,
                                   QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), QStringLiteral("K7Q2ZX"),
                                   kNow);
    const TxtRecord txt = DiscoverableMacTxt::txtRecordData(withCode);
    EXPECT_EQ(txt.value("securityCode"), QByteArray("K7Q2ZX"));
    EXPECT_EQ(txt.value("name"), QStringLiteral("Büro").toUtf8());
    const auto back = DiscoverableMacTxt::from(serviceEndpoint(), TxtRecord::fromStrings(txt.toStrings()), kNow);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, withCode.withEndpoint(serviceEndpoint()));
}

TEST(DiscoverableMacTest, RefusesIncompleteOrMalformedRecords)
{
    const QList<QList<QByteArray>> bad = {
        {"name=A", "version=1", "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
        {"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "version=1", "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
        {"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name=A", "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
        {"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name=A", "version=1"},
        {"id=not-a-uuid", "name=A", "version=1", "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
        {"id={6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B}", "name=A", "version=1",
         "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
        {"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name=A", "version=1", "installationId=0A1B2C3D4E5F4A6B8C7D"},
        // A key without a value counts as missing.
        {"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name", "version=1",
         "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
        // A name that is not UTF-8.
        {"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", QByteArray("name=\xff\xfe"), "version=1",
         "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"},
    };
    for (const QList<QByteArray> &strings : bad) {
        EXPECT_FALSE(DiscoverableMacTxt::from(serviceEndpoint(), TxtRecord::fromStrings(strings), kNow))
            << strings.join(' ').toStdString();
    }
}

TEST(DiscoverableMacTest, AcceptsEmptyNameAndKeysInAnyLetterCase)
{
    const auto mac = DiscoverableMacTxt::from(
        serviceEndpoint(),
        TxtRecord::fromStrings({"ID=6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b", "Name=", "VERSION=x", "extra=1",
                                "installationid=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"}),
        kNow);
    ASSERT_TRUE(mac);
    EXPECT_EQ(mac->id(), kId);
    EXPECT_EQ(mac->name(), QString());
}

TEST(TxtRecordTest, FollowsDnsSdRulesForKeys)
{
    const TxtRecord record = TxtRecord::fromStrings({"", "=orphan", "a=1", "A=2", "flag", "b=x=y", "bad\x01key=3"});
    EXPECT_EQ(record.size(), 3);
    EXPECT_EQ(record.value("a"), QByteArray("1"));
    EXPECT_TRUE(record.contains("FLAG"));
    EXPECT_EQ(record.value("flag"), std::nullopt);
    EXPECT_EQ(record.value("b"), QByteArray("x=y"));
    EXPECT_EQ(record.toStrings(), (QList<QByteArray>{"a=1", "flag", "b=x=y"}));

    TxtRecord built;
    EXPECT_FALSE(built.set("has=equals", "v"));
    EXPECT_FALSE(built.set("", "v"));
    EXPECT_TRUE(built.set("Key", "1"));
    EXPECT_TRUE(built.set("key", "2"));
    EXPECT_EQ(built.toStrings(), QList<QByteArray>{"key=2"});

    EXPECT_EQ(TxtRecord::fromStrings({"x=1", "y=2"}), TxtRecord::fromStrings({"Y=2", "x=1"}));
    EXPECT_NE(TxtRecord::fromStrings({"x=1"}), TxtRecord::fromStrings({"x"}));
}
