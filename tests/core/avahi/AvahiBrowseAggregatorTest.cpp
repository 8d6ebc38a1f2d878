#include "avahi/AvahiBrowseAggregator.h"
#include "avahi/AvahiBrowser.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

using Kind = AvahiInstanceChange::Kind;

constexpr int kLo = 1;
constexpr int kEth = 2;
constexpr int kInet = 0;
constexpr int kInet6 = 1;

AvahiServiceKey key(int interfaceIndex, int protocol, const QString &name = QStringLiteral("Studio"))
{
    return AvahiServiceKey{interfaceIndex, protocol, name, QStringLiteral("_verandel._tcp"), QStringLiteral("local")};
}

AvahiResolvedService found(int interfaceIndex, int protocol, const char *address, const QByteArray &code,
                           const QString &name = QStringLiteral("Studio"))
{
    return AvahiResolvedService{key(interfaceIndex, protocol, name),
                                QStringLiteral("host-a.local"),
                                protocol,
                                QString::fromLatin1(address),
                                47001,
                                {"id=1", "securityCode=" + code}};
}

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts) {
        list << QString::fromLatin1(text);
    }
    return list;
}

QStringList addressesOf(const AvahiServiceInstance &instance)
{
    QStringList addresses;
    for (const AvahiServiceAddress &address : instance.addresses) {
        addresses << address.address;
    }
    return addresses;
}

} // namespace

TEST(AvahiBrowseAggregatorTest, FoldsReportsOfOneInstanceIntoAddedChangedIdenticalRemoved)
{
    struct Step
    {
        const char *what;
        std::function<std::optional<AvahiInstanceChange>(AvahiBrowseAggregator &)> report;
        std::optional<Kind> expected;
        QStringList addresses;
        QByteArray txtCode;
    };
    const QList<Step> steps{
        {"first resolution", [](auto &a) { return a.resolved(found(kLo, kInet, "127.0.0.1", "A")); }, Kind::Added,
         strings({"127.0.0.1"}), "A"},
        {"the same again", [](auto &a) { return a.resolved(found(kLo, kInet, "127.0.0.1", "A")); }, Kind::Identical,
         strings({"127.0.0.1"}), "A"},
        {"new TXT record", [](auto &a) { return a.resolved(found(kLo, kInet, "127.0.0.1", "B")); }, Kind::Changed,
         strings({"127.0.0.1"}), "B"},
        {"second interface, same TXT", [](auto &a) { return a.resolved(found(kEth, kInet6, "fe80::1", "B")); },
         Kind::Changed, strings({"127.0.0.1", "fe80::1"}), "B"},
        {"never-resolved interface lost", [](auto &a) { return a.lost(key(kEth, kInet)); }, std::nullopt,
         strings({"127.0.0.1", "fe80::1"}), "B"},
        {"first interface lost", [](auto &a) { return a.lost(key(kLo, kInet)); }, Kind::Changed, strings({"fe80::1"}),
         "B"},
        {"last interface lost", [](auto &a) { return a.lost(key(kEth, kInet6)); }, Kind::Removed, strings({"fe80::1"}),
         "B"},
        {"lost again", [](auto &a) { return a.lost(key(kEth, kInet6)); }, std::nullopt, {}, {}},
    };
    AvahiBrowseAggregator aggregator;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        const std::optional<AvahiInstanceChange> change = step.report(aggregator);
        ASSERT_EQ(change.has_value(), step.expected.has_value());
        if (!change) {
            continue;
        }
        EXPECT_EQ(change->kind, *step.expected);
        EXPECT_EQ(change->instance.name, QStringLiteral("Studio"));
        EXPECT_EQ(addressesOf(change->instance), step.addresses);
        EXPECT_TRUE(change->instance.txt.contains("securityCode=" + step.txtCode));
    }
    EXPECT_TRUE(aggregator.instances().isEmpty());
}

TEST(AvahiBrowseAggregatorTest, LatestTxtRecordWinsAndTheOtherInterfaceKeepsItsOwnAfterALoss)
{
    AvahiBrowseAggregator aggregator;
    aggregator.resolved(found(kLo, kInet, "127.0.0.1", "OLD"));
    aggregator.resolved(found(kEth, kInet, "169.254.77.1", "OLD"));

    // The new record reaches one interface first: the instance changes once, not back and forth.
    EXPECT_EQ(aggregator.resolved(found(kEth, kInet, "169.254.77.1", "NEW")).kind, Kind::Changed);
    EXPECT_EQ(aggregator.resolved(found(kLo, kInet, "127.0.0.1", "NEW")).kind, Kind::Identical);

    aggregator.resolved(found(kLo, kInet, "127.0.0.1", "NEWER"));
    const std::optional<AvahiInstanceChange> change = aggregator.lost(key(kLo, kInet));
    ASSERT_TRUE(change);
    EXPECT_EQ(change->kind, Kind::Changed);
    EXPECT_TRUE(change->instance.txt.contains("securityCode=NEW"));
}

TEST(AvahiBrowseAggregatorTest, InstancesAreKeptApartByName)
{
    AvahiBrowseAggregator aggregator;
    EXPECT_EQ(aggregator.resolved(found(kLo, kInet, "127.0.0.1", "A", QStringLiteral("Studio"))).kind, Kind::Added);
    EXPECT_EQ(aggregator.resolved(found(kLo, kInet, "127.0.0.1", "A", QStringLiteral("Kitchen"))).kind, Kind::Added);
    EXPECT_EQ(aggregator.instances().size(), 2);

    const auto removed = aggregator.lost(key(kLo, kInet, QStringLiteral("Kitchen")));
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->kind, Kind::Removed);
    EXPECT_EQ(removed->instance.name, QStringLiteral("Kitchen"));
    ASSERT_EQ(aggregator.instances().size(), 1);
    EXPECT_EQ(aggregator.instances().first().name, QStringLiteral("Studio"));
}

TEST(AvahiBrowserTest, ResultCarriesEveryAddressWithTheInterfaceOfLinkLocalIpv6)
{
    AvahiServiceInstance instance{
        QStringLiteral("Studio"),
        QStringLiteral("_verandel._tcp"),
        QStringLiteral("local"),
        {{kLo, kInet, QStringLiteral("host-a.local"), QStringLiteral("127.0.0.1"), 47001},
         {kEth, kInet6, QStringLiteral("host-a.local"), QStringLiteral("fe80::1"), 47001},
         {kEth, kInet, QStringLiteral("host-a.local"), QStringLiteral("not an address"), 47001}},
        {"id=1", "name=Studio"}};

    const BrowserResult result = AvahiBrowser::toResult(instance);

    EXPECT_EQ(result.endpoint,
              PeerEndpoint::serviceInstance(QStringLiteral("Studio"), QStringLiteral("_verandel._tcp"),
                                            QStringLiteral("local")));
    EXPECT_EQ(result.endpoint.port(), 47001);
    const QList<QHostAddress> addresses = result.endpoint.resolvedAddresses();
    ASSERT_EQ(addresses.size(), 2);
    EXPECT_EQ(addresses.at(0), QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(addresses.at(1).toString(), QStringLiteral("fe80::1%2"));
    EXPECT_EQ(result.interfaces, (QList<int>{kLo, kEth}));
    ASSERT_TRUE(result.resultMetadata.isBonjour());
    EXPECT_EQ(result.resultMetadata.txtRecord()->value("name"), QByteArray("Studio"));
}
