#include "mock/DebugContextDiscoveryTransport.h"

#include "foundation/JsonFields.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/TestData.h"
#include "support/fakes/FakeDebugContextProvider.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString firstId = QStringLiteral("C7E4F44C-5B6C-4589-B85D-19EFE5A4A9DA");
const QString secondId = QStringLiteral("8D0B5E1A-2C3F-4E5D-9A8B-7C6D5E4F3A2B");
const QString thirdId = QStringLiteral("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");

DebugContext withMacs(QList<DebugDiscoverableMac> macs)
{
    DebugContext context = DebugContext::createDefault();
    context.discoverableMacs = std::move(macs);
    return context;
}

DebugDiscoverableMac mac(const QString &id, quint16 port, std::optional<QString> code = QStringLiteral("482917"))
{
    return DebugDiscoverableMac{id, port, QStringLiteral("Mac ") + QString::number(port), QStringLiteral("1.0.0"),
                                std::move(code)};
}

class DebugContextDiscoveryTransportTest : public ::testing::Test
{
protected:
    const QList<DiscoverableMac> &found() const { return m_found; }
    QList<TransportError> errors;

    std::shared_ptr<FakeDebugContextProvider> provider = std::make_shared<FakeDebugContextProvider>(
        withMacs({mac(firstId, 50001), mac(QStringLiteral("not-a-uuid"), 50002), mac(secondId, 50003, std::nullopt)}));
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
    DebugContextDiscoveryTransport transport{provider, logs, clock};
    QSignalSpy discovered{&transport, &DiscoveryProtocol::discoveredMacs};
    QSignalSpy deleted{&transport, &DiscoveryProtocol::endpointDeleted};

    void SetUp() override
    {
        QObject::connect(&transport, &DiscoveryProtocol::discoveredMacs, &transport,
                         [this](const DiscoverableMac &mac) { m_found.append(mac); });
        QObject::connect(&transport, &DiscoveryProtocol::errors, &transport,
                         [this](const TransportError &error) { errors.append(error); });
    }

private:
    QList<DiscoverableMac> m_found;
};

TEST_F(DebugContextDiscoveryTransportTest, StartFindsEveryValidPeerOnTheLocalHost)
{
    runTask(transport.startBrowsing());
    const QList<DiscoverableMac> macs = found();
    ASSERT_EQ(macs.size(), 2);
    EXPECT_EQ(json::uuidToString(macs.at(0).id()), firstId);
    EXPECT_EQ(macs.at(0).endpoint(), PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 50001));
    EXPECT_EQ(macs.at(0).securityCode(), QStringLiteral("482917"));
    EXPECT_EQ(macs.at(0).name(), QStringLiteral("Mac 50001"));
    EXPECT_EQ(macs.at(0).discoveredAt(), clock->now());
    EXPECT_EQ(macs.at(1).endpoint(), PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 50003));
    EXPECT_EQ(macs.at(1).securityCode(), std::nullopt);
    EXPECT_TRUE(json::uuidFromString(macs.at(0).installationId()).has_value());
    EXPECT_EQ(logs.messages(LogLevel::Warning),
              QStringList{QStringLiteral("Skipping Mac with invalid UUID: not-a-uuid")});
}

TEST_F(DebugContextDiscoveryTransportTest, OnlyPeersAddedToTheFileAreSentWhileBrowsing)
{
    provider->simulateReload(provider->context);
    EXPECT_EQ(discovered.count(), 0);

    runTask(transport.startBrowsing());
    discovered.clear();
    const qsizetype before = found().size();
    DebugContext renamed = withMacs(
        {mac(firstId, 50001), mac(QStringLiteral("not-a-uuid"), 50002), mac(secondId, 50003), mac(thirdId, 50005)});
    renamed.discoverableMacs[0].name = QStringLiteral("Renamed");
    provider->simulateReload(renamed);
    ASSERT_EQ(found().size(), before + 1);
    EXPECT_EQ(json::uuidToString(found().last().id()), thirdId);
    EXPECT_EQ(found().last().endpoint()->port(), 50005);
    EXPECT_EQ(logs.messages(LogLevel::Warning).size(), 2);

    provider->simulateReload(withMacs({}));
    EXPECT_EQ(discovered.count(), 1);
    EXPECT_EQ(deleted.count(), 0);
}

TEST_F(DebugContextDiscoveryTransportTest, ARestartSendsEveryPeerAgainWithNewInstallationIds)
{
    runTask(transport.startBrowsing());
    const QString before = found().at(0).installationId();
    runTask(transport.stopBrowsing());
    provider->simulateReload(withMacs({mac(thirdId, 50004)}));
    runTask(transport.startBrowsing());
    ASSERT_EQ(found().size(), 3);
    EXPECT_EQ(json::uuidToString(found().at(2).id()), thirdId);

    runTask(transport.stopBrowsing());
    provider->simulateReload(withMacs({mac(firstId, 50001)}));
    runTask(transport.startBrowsing());
    EXPECT_NE(found().last().installationId(), before);
}

TEST_F(DebugContextDiscoveryTransportTest, ASecondStartFailsWithoutDisturbingTheFirst)
{
    runTask(transport.startBrowsing());
    EXPECT_THROW(runTask(transport.startBrowsing()), TransportError);
    EXPECT_EQ(errors, QList<TransportError>{TransportError::browsingFailed(QStringLiteral("Already browsing"))});
    EXPECT_EQ(discovered.count(), 2);
    EXPECT_TRUE(transport.isBrowsing());

    runTask(transport.startAdvertising(TestData::DiscoverableMacBuilder().build()));
    EXPECT_THROW(runTask(transport.startAdvertising(TestData::DiscoverableMacBuilder().build())), TransportError);
    EXPECT_EQ(errors.last(), TransportError::serviceRegistrationFailed(QStringLiteral("Already advertising")));
    runTask(transport.stopAdvertising());
    EXPECT_FALSE(transport.isAdvertising());
}

} // namespace
