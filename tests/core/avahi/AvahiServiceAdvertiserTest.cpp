#include "avahi/AvahiServiceAdvertiser.h"
#include "avahi/AvahiBrowseAggregator.h"
#include "avahi/AvahiServiceBrowser.h"
#include "peer/dnssd/DnsSdLimits.h"
#include "support/AvahiTestHost.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString kType = QStringLiteral("_verandel._tcp");
// Publishing takes about 1 s, a TXT update up to 3 s, a withdrawal about 1 s.
constexpr int kWaitMs = 10000;

// Everything a browser on one host currently sees, aggregated per instance name.
class BrowseRecorder
{
public:
    BrowseRecorder(const AvahiTestHost &host, LoggerFactory &logs)
        : m_browser(host.connection(), kType, QStringLiteral("local"), logs)
    {
        QObject::connect(&m_browser, &AvahiServiceBrowser::resolved,
                         [this](const AvahiResolvedService &service) { record(m_aggregator.resolved(service)); });
        QObject::connect(&m_browser, &AvahiServiceBrowser::lost, [this](const AvahiServiceKey &key) {
            if (const auto change = m_aggregator.lost(key)) {
                record(*change);
            }
        });
        m_browser.start();
    }

    std::optional<AvahiServiceInstance> instance(const QString &name) const
    {
        for (const AvahiServiceInstance &instance : m_aggregator.instances()) {
            if (instance.name == name) {
                return instance;
            }
        }
        return std::nullopt;
    }
    bool sees(const QString &name) const { return instance(name).has_value(); }
    bool seesTxt(const QString &name, const QByteArray &entry) const
    {
        const auto found = instance(name);
        return found && found->txt.contains(entry);
    }
    int count(AvahiInstanceChange::Kind kind, const QString &name) const
    {
        return int(std::count_if(m_changes.cbegin(), m_changes.cend(), [&](const AvahiInstanceChange &change) {
            return change.kind == kind && change.instance.name == name;
        }));
    }

private:
    void record(const AvahiInstanceChange &change) { m_changes << change; }

    AvahiServiceBrowser m_browser;
    AvahiBrowseAggregator m_aggregator;
    QList<AvahiInstanceChange> m_changes;
};

QByteArrayList txtRecord(const QByteArray &code)
{
    return {QByteArrayLiteral("id=5B0E8E8C-7B51-4C57-9B6B-3F3E1F2A1C0D"), QByteArrayLiteral("name=Studio"),
            QByteArrayLiteral("version=1"), QByteArrayLiteral("installationId=0f7c0e4e-36f1-4b1e-9d7a-0c3b5a7d1e22"),
            QByteArrayLiteral("securityCode=") + code};
}

ServiceAdvertisement service(const QString &name, quint16 port, const QByteArrayList &txt)
{
    return ServiceAdvertisement{name, kType, port, TxtRecord::fromStrings(txt)};
}

using AvahiServiceAdvertiserTest = AvahiHostTest;

} // namespace

TEST_F(AvahiServiceAdvertiserTest, ChangedTxtRecordIsUpdatedInPlace)
{
    AvahiServiceAdvertiser advertiser(m_host.connection(), m_logs);
    BrowseRecorder browser(m_host, m_logs);
    QSignalSpy established(&advertiser, &AvahiServiceAdvertiser::advertised);
    advertiser.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));
    ASSERT_TRUE(waitUntil([&] { return browser.seesTxt(QStringLiteral("Studio"), "securityCode=AB12CD"); }, kWaitMs));

    advertiser.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("ZZ99YY")));

    ASSERT_TRUE(waitUntil([&] { return browser.seesTxt(QStringLiteral("Studio"), "securityCode=ZZ99YY"); }, kWaitMs));
    EXPECT_EQ(browser.count(AvahiInstanceChange::Kind::Added, QStringLiteral("Studio")), 1);
    EXPECT_EQ(browser.count(AvahiInstanceChange::Kind::Removed, QStringLiteral("Studio")), 0);
    EXPECT_GE(browser.count(AvahiInstanceChange::Kind::Changed, QStringLiteral("Studio")), 1);
    // Only the TXT record was replaced: the service was not registered again.
    EXPECT_EQ(established.count(), 1);
}

TEST_F(AvahiServiceAdvertiserTest, NameTakenOnTheSameHostIsReplacedByAvahisAlternative)
{
    AvahiServiceAdvertiser first(m_host.connection(), m_logs);
    AvahiServiceAdvertiser second(m_host.connection(), m_logs);
    BrowseRecorder browser(m_host, m_logs);
    first.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));
    ASSERT_TRUE(waitUntil([&] { return first.isEstablished(); }, kWaitMs));

    second.advertise(service(QStringLiteral("Studio"), 47002, txtRecord("AB12CD")));

    ASSERT_TRUE(waitUntil([&] { return second.isEstablished(); }, kWaitMs));
    EXPECT_EQ(second.publishedName(), QStringLiteral("Studio #2"));
    EXPECT_EQ(first.publishedName(), QStringLiteral("Studio"));
    ASSERT_TRUE(waitUntil([&] { return browser.sees(QStringLiteral("Studio #2")); }, kWaitMs));
    EXPECT_TRUE(m_logs.contains(LogLevel::Warning,
                                QStringLiteral("Service name \"Studio\" is taken, advertising as \"Studio #2\"")));
}

TEST_F(AvahiServiceAdvertiserTest, LongNameIsCutAtACharacterBoundaryAndLongTxtEntryIsCut)
{
    AvahiServiceAdvertiser advertiser(m_host.connection(), m_logs);
    BrowseRecorder browser(m_host, m_logs);
    // 31 two-byte characters (62 bytes) and then one more: the 64th byte would split it.
    const QString longName = QString(32, QChar(0x00E9));
    const QByteArray longEntry = QByteArrayLiteral("name=") + QByteArray(300, 'x');

    advertiser.advertise(service(longName, 47001, {longEntry, QByteArrayLiteral("version=1")}));

    const QString expectedName = QString(31, QChar(0x00E9));
    ASSERT_TRUE(waitUntil([&] { return browser.sees(expectedName); }, kWaitMs));
    const AvahiServiceInstance instance = *browser.instance(expectedName);
    EXPECT_TRUE(instance.txt.contains(longEntry.left(dnssd::kMaxTxtEntryBytes)));
    EXPECT_TRUE(instance.txt.contains(QByteArrayLiteral("version=1")));
    EXPECT_TRUE(
        m_logs.contains(LogLevel::Warning, QStringLiteral("TXT entry \"name\" is longer than 255 bytes and was cut")));
}

TEST_F(AvahiServiceAdvertiserTest, EmptyNameFallsBackToTheHostName)
{
    AvahiServiceAdvertiser advertiser(m_host.connection(), m_logs);
    BrowseRecorder browser(m_host, m_logs);

    advertiser.advertise(service(QString(), 47001, txtRecord("AB12CD")));

    ASSERT_TRUE(waitUntil([&] { return browser.sees(QStringLiteral("test-host")); }, kWaitMs));
}

TEST_F(AvahiServiceAdvertiserTest, RestartedDaemonGetsTheServiceAgain)
{
    AvahiServiceAdvertiser advertiser(m_host.connection(), m_logs);
    QSignalSpy failures(&advertiser, &AvahiServiceAdvertiser::advertisingFailed);
    advertiser.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));
    ASSERT_TRUE(waitUntil([&] { return advertiser.isEstablished(); }, kWaitMs));

    m_host.killDaemon();
    ASSERT_TRUE(waitUntil([&] { return failures.count() == 1; }, kWaitMs));
    EXPECT_FALSE(advertiser.isEstablished());
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Warning, QStringLiteral("avahi-daemon stopped")));

    ASSERT_TRUE(m_host.startDaemon()) << m_host.errorText().toStdString();
    BrowseRecorder browser(m_host, m_logs);
    ASSERT_TRUE(waitUntil([&] { return browser.sees(QStringLiteral("Studio")); }, kWaitMs));
    EXPECT_TRUE(advertiser.isAdvertising());
}

TEST_F(AvahiServiceAdvertiserTest, ServiceFollowsARenamedHost)
{
    AvahiServiceAdvertiser advertiser(m_host.connection(), m_logs);
    BrowseRecorder browser(m_host, m_logs);
    QSignalSpy advertised(&advertiser, &AvahiServiceAdvertiser::advertised);
    advertiser.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));
    ASSERT_TRUE(waitUntil([&] { return browser.sees(QStringLiteral("Studio")); }, kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return advertised.count() == 1; }, kWaitMs));

    // The daemon registers its new host name (server state "registering", then "running").
    const QDBusMessage reply = m_host.connection().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Avahi"), QStringLiteral("/"),
                                       QStringLiteral("org.freedesktop.Avahi.Server"), QStringLiteral("SetHostName"))
        << QStringLiteral("renamed-host"));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();

    ASSERT_TRUE(waitUntil(
        [&] {
            const auto instance = browser.instance(QStringLiteral("Studio"));
            return instance && !instance->addresses.isEmpty()
                && instance->addresses.first().host == QStringLiteral("renamed-host.local");
        },
        kWaitMs));
    // Avahi asks its clients to publish again once the new name runs.
    ASSERT_TRUE(waitUntil([&] { return advertised.count() == 2; }, kWaitMs));
    EXPECT_TRUE(advertiser.isEstablished());
}

TEST_F(AvahiServiceAdvertiserTest, MissingDaemonIsReportedAndLaterArrivalPublishes)
{
    m_host.stopDaemon();
    AvahiServiceAdvertiser advertiser(m_host.connection(), m_logs);
    QSignalSpy failures(&advertiser, &AvahiServiceAdvertiser::advertisingFailed);

    advertiser.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));

    ASSERT_TRUE(waitUntil([&] { return failures.count() == 1; }, kWaitMs));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to register service: ")));

    ASSERT_TRUE(m_host.startDaemon()) << m_host.errorText().toStdString();
    ASSERT_TRUE(waitUntil([&] { return advertiser.isEstablished(); }, kWaitMs));
}

TEST(AvahiServiceLinkedHostsTest, NameTakenByAnotherHostIsReplacedByAvahisAlternative)
{
    VERANDEL_REQUIRE_AVAHI_TEST_HOST();
    AvahiTestHost hostA(QStringLiteral("host-a"));
    AvahiTestHost hostB(QStringLiteral("host-b"));
    ASSERT_TRUE(AvahiTestHost::startLinked(hostA, hostB))
        << hostA.errorText().toStdString() << hostB.errorText().toStdString();
    RecordingLoggerFactory logs;
    AvahiServiceAdvertiser onA(hostA.connection(), logs);
    AvahiServiceAdvertiser onB(hostB.connection(), logs);
    BrowseRecorder browserOnA(hostA, logs);
    onA.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));
    ASSERT_TRUE(waitUntil([&] { return onA.isEstablished(); }, kWaitMs));

    onB.advertise(service(QStringLiteral("Studio"), 47001, txtRecord("AB12CD")));

    ASSERT_TRUE(waitUntil([&] { return onB.isEstablished(); }, kWaitMs));
    EXPECT_EQ(onB.publishedName(), QStringLiteral("Studio #2"));
    EXPECT_EQ(onA.publishedName(), QStringLiteral("Studio"));
    ASSERT_TRUE(waitUntil([&] { return browserOnA.sees(QStringLiteral("Studio #2")); }, kWaitMs));
    const AvahiServiceInstance remote = *browserOnA.instance(QStringLiteral("Studio #2"));
    ASSERT_FALSE(remote.addresses.isEmpty());
    EXPECT_EQ(remote.addresses.first().address, hostB.address());
    EXPECT_EQ(remote.addresses.first().host, QStringLiteral("host-b.local"));
}
