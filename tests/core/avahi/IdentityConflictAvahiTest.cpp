// Two DNS-SD service instances claiming one linked computer's id, published through a real avahi-daemon
// and seen through the program's own browse path (browser, aggregator, transport, directory).
#include "avahi/AvahiBrowserFactory.h"
#include "avahi/AvahiServiceAdvertiser.h"
#include "foundation/SystemClock.h"
#include "linking/PeerDirectoryService.h"
#include "peer/dnssd/BonjourDiscoveryTransport.h"
#include "peer/dnssd/DiscoverableMacTxt.h"
#include "support/AvahiTestHost.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/TestableMacStorageService.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

// Publishing takes about 1 s, a withdrawal about 1 s.
constexpr int kConflictWaitMs = 10000;
constexpr quint16 kRealPort = 47021;
constexpr quint16 kCopyPort = 47022;
const QUuid kLinkedDesk = QUuid::fromString(QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a60"));

// The desk's record as it advertises it; a copy carries the very same TXT record.
ServiceAdvertisement deskAdvertisedAs(const QString &serviceName, quint16 port)
{
    const DiscoverableMac desk(kLinkedDesk, QStringLiteral("Desk"), QStringLiteral("2.4.1"), std::nullopt,
                               QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt,
                               QDateTime::currentDateTimeUtc());
    return ServiceAdvertisement{serviceName, DiscoverableMacTxt::serviceType(), port,
                                DiscoverableMacTxt::txtRecordData(desk)};
}

// Which of the two instances goes away.
struct Withdrawal
{
    const char *name;
    bool realGoes;
};

class IdentityConflictAvahiTest : public AvahiHostTest, public ::testing::WithParamInterface<Withdrawal>
{ };

} // namespace

TEST_P(IdentityConflictAvahiTest, TwoInstancesPauseTheComputerAndTheOneLeftIsUsed)
{
    const auto storage = std::make_shared<TestableMacStorageService>();
    storage->addTestData({ConnectedMac(kLinkedDesk, QStringLiteral("Desk"), QString(), QDateTime::currentDateTimeUtc(),
                                       QDateTime::currentDateTimeUtc(), {})});
    BonjourDiscoveryTransport transport(std::make_shared<AvahiBrowserFactory>(m_host.connection(), m_logs), m_logs,
                                        std::make_shared<SystemClock>());
    PeerDirectoryService directory(transport, storage, m_logs);
    QList<bool> announced;
    QObject::connect(&directory, &LinkedPeerDirectoryProtocol::eligibilityUpdates,
                     [&](const QUuid &, bool eligible) { announced.append(eligible); });
    runTask(transport.startBrowsing());

    AvahiServiceAdvertiser real(m_host.connection(), m_logs);
    real.advertise(deskAdvertisedAs(QStringLiteral("Desk"), kRealPort));
    ASSERT_TRUE(waitUntil([&] { return directory.isEligible(kLinkedDesk); }, kConflictWaitMs));
    EXPECT_EQ(directory.endpoint(kLinkedDesk)->port(), kRealPort);

    AvahiServiceAdvertiser copy(m_host.connection(), m_logs);
    copy.advertise(deskAdvertisedAs(QStringLiteral("Desk (copy)"), kCopyPort));
    ASSERT_TRUE(waitUntil([&] { return directory.identityConflicts().contains(kLinkedDesk); }, kConflictWaitMs));
    EXPECT_FALSE(directory.isEligible(kLinkedDesk));
    EXPECT_EQ(directory.discoverableMac(kLinkedDesk), std::nullopt);
    EXPECT_EQ(announced, (QList<bool>{true, false}));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Warning,
                                         QStringLiteral("at Desk._verandel._tcp.local (127.0.0.1 port 47021) and at "
                                                        "Desk (copy)._verandel._tcp.local (127.0.0.1 port 47022)")));

    const bool realGoes = GetParam().realGoes;
    (realGoes ? real : copy).withdraw();
    ASSERT_TRUE(waitUntil([&] { return directory.isEligible(kLinkedDesk); }, kConflictWaitMs));
    EXPECT_TRUE(directory.identityConflicts().isEmpty());
    const std::optional<PeerEndpoint> endpoint = directory.endpoint(kLinkedDesk);
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->serviceName(), realGoes ? QStringLiteral("Desk (copy)") : QStringLiteral("Desk"));
    EXPECT_EQ(endpoint->port(), realGoes ? kCopyPort : kRealPort);
    EXPECT_EQ(endpoint->resolvedAddresses(), QList<QHostAddress>{QHostAddress(QStringLiteral("127.0.0.1"))});
    EXPECT_TRUE(waitUntil([&] { return announced.size() == 3; }));
    EXPECT_EQ(announced, (QList<bool>{true, false, true}));
    runTask(transport.stopBrowsing());
}

INSTANTIATE_TEST_SUITE_P(EitherWithdraws, IdentityConflictAvahiTest,
                         ::testing::Values(Withdrawal{"TheRealOne", true}, Withdrawal{"TheCopy", false}),
                         [](const ::testing::TestParamInfo<Withdrawal> &info) { return info.param.name; });
