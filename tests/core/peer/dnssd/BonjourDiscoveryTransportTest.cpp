#include "support/fakes/MockBrowserFactory.h"

#include "peer/dnssd/BonjourDiscoveryTransport.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString kCategory = QStringLiteral("BonjourDiscoveryTransport");
const QUuid kId = QUuid::fromString(QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b"));

PeerEndpoint endpoint(const QString &name = QStringLiteral("Studio"))
{
    return PeerEndpoint::serviceInstance(name, QStringLiteral("_verandel._tcp"), QStringLiteral("local"))
        .withResolution({QHostAddress(QStringLiteral("127.0.0.1"))}, 47001);
}

TxtRecord txt(const QByteArray &code = "AB12CD")
{
    return TxtRecord::fromStrings({"id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name=Studio", "version=2.4.1",
                                   "installationId=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "securityCode=" + code});
}

BrowserResult withTxt(const TxtRecord &record = txt(), const QString &name = QStringLiteral("Studio"))
{
    return BrowserResult{endpoint(name), {1}, BrowserResultMetadata::bonjour(record)};
}

BrowserResult withoutTxt(const QString &name = QStringLiteral("Studio"))
{
    return BrowserResult{endpoint(name), {1}, BrowserResultMetadata::missing()};
}

class BonjourDiscoveryTransportTest : public ::testing::Test
{
protected:
    BonjourDiscoveryTransportTest()
        : m_factory(std::make_shared<MockBrowserFactory>())
        , m_clock(std::make_shared<ManualClock>())
        , m_transport(std::make_unique<BonjourDiscoveryTransport>(m_factory, m_logs, m_clock))
    {
        QObject::connect(m_transport.get(), &DiscoveryProtocol::discoveredMacs,
                         [this](const DiscoverableMac &mac) { m_macs.append(mac); });
        QObject::connect(m_transport.get(), &DiscoveryProtocol::endpointDeleted,
                         [this](const PeerEndpoint &endpoint) { m_deleted.append(endpoint); });
        QObject::connect(m_transport.get(), &DiscoveryProtocol::errors,
                         [this](const TransportError &error) { m_errors.append(error); });
    }

    MockBrowserProtocol &startedBrowser()
    {
        runTask(m_transport->startBrowsing());
        return *m_factory->lastCreatedBrowser();
    }

    void deliver(const QList<BrowserResultChange> &changes)
    {
        m_factory->lastCreatedBrowser()->simulateBrowseResultsChanged({}, changes);
    }

    // Publications leave the browser's handler first: nothing is visible before the event loop runs.
    void flush() { QCoreApplication::processEvents(); }

    RecordingLoggerFactory m_logs;
    std::shared_ptr<MockBrowserFactory> m_factory;
    std::shared_ptr<ManualClock> m_clock;
    std::unique_ptr<BonjourDiscoveryTransport> m_transport;
    QList<DiscoverableMac> m_macs;
    QList<PeerEndpoint> m_deleted;
    QList<TransportError> m_errors;
};

} // namespace

TEST_F(BonjourDiscoveryTransportTest, OneBrowserPerStartAndASecondStartFails)
{
    runTask(m_transport->stopBrowsing()); // not browsing: nothing happens
    EXPECT_EQ(m_factory->createdCount(), 0);

    const std::shared_ptr<MockBrowserProtocol> first = (startedBrowser(), m_factory->lastCreatedBrowser());
    EXPECT_EQ(m_factory->lastServiceType(), QStringLiteral("_verandel._tcp"));
    EXPECT_EQ(first->startCalls(), 1);
    EXPECT_TRUE(m_transport->isBrowsing());
    try {
        runTask(m_transport->startBrowsing());
        FAIL() << "a second start must fail";
    } catch (const TransportError &error) {
        EXPECT_EQ(error.description(), QStringLiteral("Failed to browse for services: Already browsing"));
    }
    EXPECT_EQ(m_factory->createdCount(), 1);
    EXPECT_EQ(first->cancelCalls(), 0);

    runTask(m_transport->stopBrowsing());
    EXPECT_EQ(first->cancelCalls(), 1);
    EXPECT_FALSE(m_transport->isBrowsing());
    startedBrowser();
    EXPECT_EQ(m_factory->createdCount(), 2);
    EXPECT_EQ(m_factory->lastCreatedBrowser()->startCalls(), 1);
    EXPECT_TRUE(m_logs.records().isEmpty());
}

TEST_F(BonjourDiscoveryTransportTest, AddedResultWithTxtPublishesOneMacOnTheEventLoopAndLogsNothing)
{
    startedBrowser();

    deliver({BrowserResultChange::added(withTxt())});
    EXPECT_EQ(m_macs.count(), 0);
    flush();

    ASSERT_EQ(m_macs.count(), 1);
    EXPECT_EQ(m_macs.at(0),
              DiscoverableMac(kId, QStringLiteral("Studio"), QStringLiteral("2.4.1"), endpoint(),
                              QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), QStringLiteral("AB12CD"),
                              m_clock->now()));
    EXPECT_EQ(m_macs.at(0).endpoint()->resolvedAddresses(), endpoint().resolvedAddresses());
    EXPECT_EQ(m_deleted.count(), 0);
    EXPECT_TRUE(m_logs.records().isEmpty());
}

TEST_F(BonjourDiscoveryTransportTest, ResultsWithoutTxtSignalDeletion)
{
    struct Case
    {
        BrowserResultChange change;
        QString logLine;
    };
    const QList<Case> cases{
        {BrowserResultChange::added(withoutTxt()),
         QStringLiteral("Service added without metadata (deletion signal): ") + endpoint().description()},
        {BrowserResultChange::changed(withoutTxt()),
         QStringLiteral("Service changed without metadata (deletion signal): ") + endpoint().description()},
        {BrowserResultChange::removed(withoutTxt()),
         QStringLiteral("Service removed: %1, metadata: missing").arg(endpoint().description())},
        {BrowserResultChange::removed(withTxt()),
         QStringLiteral("Service removed: %1, metadata: ").arg(endpoint().description())},
    };
    startedBrowser();
    for (const Case &testCase : cases) {
        m_deleted.clear();
        m_logs.clear();

        deliver({testCase.change});
        flush();

        SCOPED_TRACE(testCase.logLine.toStdString());
        ASSERT_EQ(m_deleted.count(), 1);
        EXPECT_EQ(m_deleted.at(0), endpoint());
        ASSERT_EQ(m_logs.messages(LogLevel::Info, kCategory).size(), 1);
        EXPECT_TRUE(m_logs.messages(LogLevel::Info, kCategory).first().startsWith(testCase.logLine));
    }
    EXPECT_EQ(m_macs.count(), 0);
}

TEST_F(BonjourDiscoveryTransportTest, ChangedResultWithTxtPublishesAFreshMac)
{
    startedBrowser();
    deliver({BrowserResultChange::added(withTxt(txt("AB12CD")))});
    flush();
    m_clock->advance(5);

    deliver({BrowserResultChange::changed(withTxt(txt("ZZ99YY")))});
    flush();

    ASSERT_EQ(m_macs.count(), 2);
    EXPECT_EQ(m_macs.at(1).id(), m_macs.at(0).id());
    EXPECT_EQ(m_macs.at(1).securityCode(), QStringLiteral("ZZ99YY"));
    EXPECT_EQ(m_macs.at(1).discoveredAt(), m_macs.at(0).discoveredAt().addSecs(5));
    EXPECT_NE(m_macs.at(1), m_macs.at(0));
}

TEST_F(BonjourDiscoveryTransportTest, TxtRecordThatIsNoMacIsDroppedWithAWarning)
{
    startedBrowser();
    TxtRecord incomplete = txt();
    incomplete.remove("installationId");

    deliver({BrowserResultChange::added(withTxt(incomplete))});
    flush();

    EXPECT_EQ(m_macs.count() + m_deleted.count(), 0);
    const QStringList warnings = m_logs.messages(LogLevel::Warning, kCategory);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().startsWith(QStringLiteral("Failed to create discovered Mac from TXT record: ")));
    EXPECT_TRUE(warnings.first().contains(QStringLiteral("id=6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B")));

    // The same service, corrected later, is handled afresh.
    deliver({BrowserResultChange::changed(withTxt())});
    flush();
    EXPECT_EQ(m_macs.count(), 1);
}

TEST_F(BonjourDiscoveryTransportTest, ChangesOfOneDeliveryArePublishedInOrderAndIdenticalOnesNotAtAll)
{
    startedBrowser();

    deliver({BrowserResultChange::added(withTxt(txt(), QStringLiteral("A"))), BrowserResultChange::identical(),
             BrowserResultChange::removed(withTxt(txt(), QStringLiteral("B"))),
             BrowserResultChange::changed(withTxt(txt("ZZ99YY"), QStringLiteral("C")))});
    flush();

    ASSERT_EQ(m_macs.count(), 2);
    EXPECT_EQ(m_macs.at(0).endpoint()->serviceName(), QStringLiteral("A"));
    EXPECT_EQ(m_macs.at(1).endpoint()->serviceName(), QStringLiteral("C"));
    ASSERT_EQ(m_deleted.count(), 1);
    EXPECT_EQ(m_deleted.at(0).serviceName(), QStringLiteral("B"));
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(BonjourDiscoveryTransportTest, FailedBrowserPublishesOneErrorAndStaysUntilStopped)
{
    MockBrowserProtocol &browser = startedBrowser();

    browser.simulateStateUpdate(BrowserState::ready());
    browser.simulateStateUpdate(BrowserState::setup());
    browser.simulateStateUpdateWithError(QStringLiteral("avahi-daemon stopped"));
    flush();

    ASSERT_EQ(m_errors.count(), 1);
    EXPECT_EQ(m_errors.at(0), TransportError::browsingFailed(QStringLiteral("avahi-daemon stopped")));
    EXPECT_THROW(runTask(m_transport->startBrowsing()), TransportError);
    EXPECT_EQ(browser.cancelCalls(), 0);

    runTask(m_transport->stopBrowsing());
    EXPECT_EQ(browser.cancelCalls(), 1);
    EXPECT_NO_THROW(runTask(m_transport->startBrowsing()));
}

TEST_F(BonjourDiscoveryTransportTest, ReleasedTransportCancelsItsBrowserAndIgnoresLateCallbacks)
{
    const std::shared_ptr<MockBrowserProtocol> browser = (startedBrowser(), m_factory->lastCreatedBrowser());
    deliver({BrowserResultChange::added(withTxt())});

    m_transport.reset();
    EXPECT_EQ(browser->cancelCalls(), 1);

    // Handlers the browser still holds find the transport gone.
    browser->simulateBrowseResultsChanged({}, {BrowserResultChange::added(withTxt())});
    browser->simulateStateUpdateWithError();
    flush();
    EXPECT_EQ(m_macs.count(), 0);
}

TEST_F(BonjourDiscoveryTransportTest, SubscriberMayStopBrowsingWhileHandlingAPublication)
{
    MockBrowserProtocol &browser = startedBrowser();
    QObject::connect(m_transport.get(), &DiscoveryProtocol::discoveredMacs, m_transport.get(),
                     [this] { runTask(m_transport->stopBrowsing()); });

    browser.simulateBrowseResultsChanged({}, {BrowserResultChange::added(withTxt())});
    flush();

    EXPECT_EQ(m_macs.count(), 1);
    EXPECT_FALSE(m_transport->isBrowsing());
}
