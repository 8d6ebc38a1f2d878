#include "avahi/AvahiBrowserFactory.h"
#include "avahi/AvahiServiceAdvertiser.h"
#include "avahi/AvahiServiceResolver.h"
#include "foundation/CancellationError.h"
#include "foundation/SystemClock.h"
#include "peer/dnssd/BonjourDiscoveryTransport.h"
#include "peer/dnssd/DiscoverableMacTxt.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "support/AvahiTestHost.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

// Publishing takes about 1 s, a TXT update up to 3 s, a withdrawal about 1 s.
constexpr int kWaitMs = 10000;
constexpr quint16 kPort = 47001;

DiscoverableMac localMac(const QString &name, std::optional<QString> securityCode)
{
    return DiscoverableMac(QUuid::fromString(QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b")), name,
                           QStringLiteral("2.4.1"), std::nullopt,
                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::move(securityCode),
                           QDateTime::currentDateTimeUtc());
}

ServiceAdvertisement advertisementOf(const DiscoverableMac &mac)
{
    return ServiceAdvertisement{mac.name(), DiscoverableMacTxt::serviceType(), kPort,
                                DiscoverableMacTxt::txtRecordData(mac)};
}

// A transport on one host's daemon with everything it publishes recorded.
class DiscoveryRecorder
{
public:
    DiscoveryRecorder(const AvahiTestHost &host, LoggerFactory &logs)
        : m_transport(std::make_shared<AvahiBrowserFactory>(host.connection(), logs), logs,
                      std::make_shared<SystemClock>())
    {
        QObject::connect(&m_transport, &DiscoveryProtocol::discoveredMacs,
                         [this](const DiscoverableMac &mac) { m_macs.append(mac); });
        QObject::connect(&m_transport, &DiscoveryProtocol::endpointDeleted,
                         [this](const PeerEndpoint &endpoint) { m_deleted.append(endpoint); });
        QObject::connect(&m_transport, &DiscoveryProtocol::errors,
                         [this](const TransportError &error) { m_errors.append(error); });
    }

    BonjourDiscoveryTransport &transport() { return m_transport; }
    std::optional<DiscoverableMac> latest(const QString &serviceName) const
    {
        for (auto it = m_macs.crbegin(); it != m_macs.crend(); ++it) {
            if (it->endpoint() && it->endpoint()->serviceName() == serviceName) {
                return *it;
            }
        }
        return std::nullopt;
    }
    bool deleted(const QString &serviceName) const
    {
        return std::any_of(m_deleted.cbegin(), m_deleted.cend(),
                           [&](const PeerEndpoint &endpoint) { return endpoint.serviceName() == serviceName; });
    }
    const QList<TransportError> &errors() const { return m_errors; }

private:
    BonjourDiscoveryTransport m_transport;
    QList<DiscoverableMac> m_macs;
    QList<PeerEndpoint> m_deleted;
    QList<TransportError> m_errors;
};

using BonjourDiscoveryAvahiTest = AvahiHostTest;

} // namespace

// The listener's record through a real daemon: discovered, reached through its service instance,
// advertised again with a code, renamed and withdrawn.
TEST_F(BonjourDiscoveryAvahiTest, ListenerIsDiscoveredReachedAndReadvertisedThroughTheDaemon)
{
    const auto logs = std::make_shared<RecordingLoggerFactory>();
    const auto clock = std::make_shared<SystemClock>();
    EphemeralFrameListener listener(logs, clock, std::make_shared<AvahiServiceAdvertiser>(m_host.connection(), *logs),
                                    nullptr, QHostAddress::LocalHost);
    QList<ReceivedFrame> frames;
    QObject::connect(&listener, &FrameListenerProtocol::receivedFrames,
                     [&](const ReceivedFrame &frame) { frames.append(frame); });
    DiscoveryRecorder browser(m_host, m_logs);
    runTask(browser.transport().startBrowsing());
    const DiscoverableMac local = localMac(QStringLiteral("Studio"), std::nullopt);
    listener.start(local);
    ASSERT_TRUE(waitUntil([&] { return browser.latest(QStringLiteral("Studio")).has_value(); }, kWaitMs));
    const DiscoverableMac found = *browser.latest(QStringLiteral("Studio"));
    const PeerEndpoint service = PeerEndpoint::serviceInstance(
        QStringLiteral("Studio"), DiscoverableMacTxt::serviceType(), QStringLiteral("local"));
    EXPECT_EQ(found,
              DiscoverableMac(local.id(), QStringLiteral("Studio"), QStringLiteral("2.4.1"), service,
                              local.installationId(), std::nullopt, found.discoveredAt()));
    EXPECT_EQ(found.endpoint()->port(), listener.port());
    EXPECT_EQ(found.endpoint()->resolvedAddresses(), QList<QHostAddress>{QHostAddress(QStringLiteral("127.0.0.1"))});
    EXPECT_TRUE(browser.errors().isEmpty());

    // Only the service instance: the sender must ask the daemon where it is now.
    EphemeralFrameSender sender(logs, clock, 5.0, std::make_shared<AvahiServiceResolver>(m_host.connection(), *logs));
    const QUuid senderId = QUuid::createUuid();
    const RawEventEnvelope envelope{QUuid::createUuid(),
                                    std::nullopt,
                                    senderId,
                                    local.id(),
                                    QStringLiteral("ping_request"),
                                    QByteArrayLiteral("{}"),
                                    QDateTime::currentDateTimeUtc()};
    EXPECT_TRUE(runTask(sender.send(envelope, found.withEndpoint(service))));
    ASSERT_TRUE(waitUntil([&] { return !frames.isEmpty(); }, kWaitMs));
    EXPECT_EQ(frames.first().senderMacId(), senderId);

    listener.alterAdvertisedMac(localMac(QStringLiteral("Studio"), QStringLiteral("K7Q2ZX")));
    ASSERT_TRUE(waitUntil(
        [&] { return browser.latest(QStringLiteral("Studio"))->securityCode() == QStringLiteral("K7Q2ZX"); }, kWaitMs));
    EXPECT_FALSE(browser.deleted(QStringLiteral("Studio")));

    listener.alterAdvertisedMac(localMac(QStringLiteral("Kitchen"), QStringLiteral("K7Q2ZX")));
    ASSERT_TRUE(waitUntil(
        [&] {
            return browser.latest(QStringLiteral("Kitchen")).has_value() && browser.deleted(QStringLiteral("Studio"));
        },
        kWaitMs));
    EXPECT_EQ(browser.latest(QStringLiteral("Kitchen"))->endpoint()->port(), listener.port());

    listener.stop();
    ASSERT_TRUE(waitUntil([&] { return browser.deleted(QStringLiteral("Kitchen")); }, kWaitMs));
}

TEST_F(BonjourDiscoveryAvahiTest, KilledDaemonIsReportedAsABrowsingError)
{
    DiscoveryRecorder browser(m_host, m_logs);
    runTask(browser.transport().startBrowsing());
    QTest::qWait(300);

    m_host.killDaemon();

    ASSERT_TRUE(waitUntil([&] { return !browser.errors().isEmpty(); }, kWaitMs));
    EXPECT_EQ(browser.errors().first(), TransportError::browsingFailed(QStringLiteral("avahi-daemon stopped")));
    EXPECT_THROW(runTask(browser.transport().startBrowsing()), TransportError);
    runTask(browser.transport().stopBrowsing());
}

TEST_F(BonjourDiscoveryAvahiTest, BrowsingWithoutADaemonIsReportedAsABrowsingError)
{
    m_host.stopDaemon();
    DiscoveryRecorder browser(m_host, m_logs);

    runTask(browser.transport().startBrowsing());

    ASSERT_TRUE(waitUntil([&] { return !browser.errors().isEmpty(); }, kWaitMs));
    EXPECT_EQ(browser.errors().first().kind(), TransportError::Kind::BrowsingFailed);
    EXPECT_TRUE(browser.errors().first().detail().contains(QStringLiteral("org.freedesktop.Avahi")))
        << browser.errors().first().detail().toStdString();
}

TEST_F(BonjourDiscoveryAvahiTest, ResolverFailsForAnUnknownInstanceAndWhenStopped)
{
    AvahiServiceResolver resolver(m_host.connection(), m_logs);
    const PeerEndpoint direct = PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5000);
    EXPECT_EQ(runTask(resolver.resolve(direct, {})), direct);
    const PeerEndpoint missing = PeerEndpoint::serviceInstance(
        QStringLiteral("Nobody"), DiscoverableMacTxt::serviceType(), QStringLiteral("local"));

    std::stop_source stopSource;
    QTimer::singleShot(200, [&] { stopSource.request_stop(); });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_THROW(runTask(resolver.resolve(missing, stopSource.get_token())), CancellationError);
    EXPECT_LT(elapsed.elapsed(), 2000);

    try {
        runTask(resolver.resolve(missing, {}));
        FAIL() << "an unknown instance must not resolve";
    } catch (const TransportError &error) {
        EXPECT_EQ(error, TransportError::timeout());
    }

    m_host.stopDaemon();
    try {
        runTask(resolver.resolve(missing, {}));
        FAIL() << "no daemon, no resolution";
    } catch (const TransportError &error) {
        EXPECT_EQ(error, TransportError::networkUnavailable());
    }
}

TEST(BonjourDiscoveryLinkedHostsTest, RecordOfAnotherHostCarriesItsAddress)
{
    VERANDEL_REQUIRE_AVAHI_TEST_HOST();
    AvahiTestHost hostA(QStringLiteral("host-a"));
    AvahiTestHost hostB(QStringLiteral("host-b"));
    ASSERT_TRUE(AvahiTestHost::startLinked(hostA, hostB))
        << hostA.errorText().toStdString() << hostB.errorText().toStdString();
    RecordingLoggerFactory logs;
    AvahiServiceAdvertiser onB(hostB.connection(), logs);
    DiscoveryRecorder browserOnA(hostA, logs);
    runTask(browserOnA.transport().startBrowsing());

    onB.advertise(advertisementOf(localMac(QStringLiteral("Studio"), QStringLiteral("K7Q2ZX"))));

    ASSERT_TRUE(waitUntil([&] { return browserOnA.latest(QStringLiteral("Studio")).has_value(); }, kWaitMs));
    const DiscoverableMac found = *browserOnA.latest(QStringLiteral("Studio"));
    EXPECT_EQ(found.securityCode(), QStringLiteral("K7Q2ZX"));
    EXPECT_EQ(found.endpoint()->resolvedAddresses(), QList<QHostAddress>{QHostAddress(hostB.address())});
    EXPECT_TRUE(found.endpoint()->hasAddress(QHostAddress(hostB.address())));
}
