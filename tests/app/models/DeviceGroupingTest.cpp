#include "models/ConnectionIndicatorPolicy.h"
#include "models/ControlCenterContent.h"
#include "models/ToolbarOwnershipBootstrap.h"

#include "support/PreviewFixtures.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QUuid thisMac = QUuid::fromString(u"{00000000-0000-4000-8000-000000000001}");
const QUuid otherMac = QUuid::fromString(u"{00000000-0000-4000-8000-000000000002}");

QStringList addresses(const QList<DeviceState> &devices)
{
    QStringList list;
    for (const DeviceState &device : devices) {
        list.append(device.macAddress());
    }
    return list;
}

} // namespace

// Where one device shows, by its sharing, its connection here, its owner and the owner's state.
TEST(DeviceGroupingTest, WhereEachDeviceShows)
{
    using CS = ConnectionStatus;
    enum Owner { Nobody, ThisComputer, Other };
    struct Case
    {
        const char *what;
        bool shared;
        CS connection;
        Owner owner;
        std::optional<ConnectionState> otherState; // none: no entry
        bool underThis, underOther, inTransition, assigned;
    };
    const Case cases[] = {
        {"unowned shared connected", true, CS::Connected, Nobody, {}, true, false, false, true},
        {"unowned shared away", true, CS::PairedNotConnected, Nobody, {}, false, false, true, false},
        {"owned here connected", true, CS::Connected, ThisComputer, {}, true, false, false, false},
        {"owned here away", true, CS::PairedNotConnected, ThisComputer, {}, false, false, true, false},
        {"owned here, local, connected", false, CS::Connected, ThisComputer, {}, true, false, false, false},
        {"local connected unowned", false, CS::Connected, Nobody, {}, false, false, false, false},
        {"other connected", true, CS::PairedNotConnected, Other, ConnectionState::Connected, false, true, false, false},
        {"other connected, device also here", true, CS::Connected, Other, ConnectionState::Connected, false, true,
         false, false},
        {"other unstable", true, CS::PairedNotConnected, Other, ConnectionState::Unstable, false, true, true, false},
        {"other connecting", true, CS::PairedNotConnected, Other, ConnectionState::Connecting, false, true, true,
         false},
        {"other error", true, CS::PairedNotConnected, Other, ConnectionState::Error, false, true, true, false},
        {"other without state", true, CS::PairedNotConnected, Other, {}, false, true, true, false},
        {"local owned by other", false, CS::PairedNotConnected, Other, ConnectionState::Error, false, true, false,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const DeviceState device = c.shared ? PreviewFixtures::sharedDevice(1, QStringLiteral("Keyboard"), c.connection)
                                            : PreviewFixtures::localDevice(1, QStringLiteral("Keyboard"), c.connection);
        OwnershipMap ownership;
        if (c.owner != Nobody) {
            ownership.insert(device.macAddress(), c.owner == ThisComputer ? thisMac : otherMac);
        }
        ConnectionStateMap states;
        if (c.otherState) {
            states.insert(otherMac, *c.otherState);
        }
        const QList<DeviceState> devices{device};
        EXPECT_EQ(ToolbarDeviceGrouping::devicesConnectedToThisMac(thisMac, devices, ownership).size(), c.underThis);
        EXPECT_EQ(ToolbarDeviceGrouping::devicesOwnedBy(otherMac, devices, ownership).size(), c.underOther);
        EXPECT_EQ(ToolbarDeviceGrouping::devicesInTransition(devices, ownership, thisMac, states).size(),
                  c.inTransition);
        EXPECT_EQ(ToolbarOwnershipBootstrap::macAddressesToAssign(devices, ownership).size(), c.assigned);
    }
}

TEST(DeviceGroupingTest, FiltersKeepOrderAndDuplicates)
{
    const DeviceState a = PreviewFixtures::sharedDevice(1, QStringLiteral("A"));
    const DeviceState b = PreviewFixtures::sharedDevice(2, QStringLiteral("B"));
    const QList<DeviceState> devices{b, a, b};
    EXPECT_EQ(addresses(ToolbarDeviceGrouping::devicesConnectedToThisMac(thisMac, devices, {})), addresses(devices));
    // Addresses match exactly: a lower-case owner entry is not this device's.
    OwnershipMap lowerCase{{a.macAddress().toLower(), thisMac}};
    EXPECT_TRUE(ToolbarDeviceGrouping::devicesOwnedBy(thisMac, {a}, lowerCase).isEmpty());
}

TEST(DeviceGroupingTest, TheBootstrapClaimsAllInOneCallOrNone)
{
    const DeviceState first = PreviewFixtures::sharedDevice(1, QStringLiteral("A"));
    const DeviceState owned = PreviewFixtures::sharedDevice(2, QStringLiteral("B"));
    const DeviceState last = PreviewFixtures::sharedDevice(3, QStringLiteral("C"));
    const OwnershipMap ownership{{owned.macAddress(), otherMac}};
    QList<std::pair<QUuid, QStringList>> calls;
    const auto record = [&calls](const QUuid &id, const QStringList &list) { calls.append({id, list}); };

    ToolbarOwnershipBootstrap::apply(thisMac, {first, owned, last}, ownership, record);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].first, thisMac);
    EXPECT_EQ(calls[0].second, (QStringList{first.macAddress(), last.macAddress()}));

    ToolbarOwnershipBootstrap::apply(thisMac, {owned}, ownership, record);
    ToolbarOwnershipBootstrap::apply(thisMac, {}, ownership, record);
    EXPECT_EQ(calls.size(), 1);
}

TEST(DeviceGroupingTest, MergedStatesLayTheLatestChangeOver)
{
    const ConnectionStateMap current{{otherMac, ConnectionState::Connected}};
    EXPECT_EQ(ToolbarConnectionStateTracking::mergedStates(current, std::nullopt), current);
    EXPECT_EQ(ToolbarConnectionStateTracking::mergedStates(current,
                                                           ConnectionStateChange{otherMac, ConnectionState::Unstable}),
              (ConnectionStateMap{{otherMac, ConnectionState::Unstable}}));
    EXPECT_EQ(
        ToolbarConnectionStateTracking::mergedStates(current, ConnectionStateChange{thisMac, ConnectionState::Error}),
        (ConnectionStateMap{{otherMac, ConnectionState::Connected}, {thisMac, ConnectionState::Error}}));
}

TEST(DeviceGroupingTest, IndicatorColoursTextsAndLastSeenThresholds)
{
    using C = IndicatorColor;
    const std::tuple<ConnectionState, C, bool, const char *> states[] = {
        {ConnectionState::Connecting, C::Blue, true, "Connecting…"},
        {ConnectionState::Connected, C::Green, false, "Connected"},
        {ConnectionState::Unstable, C::Orange, false, "Unstable connection"},
        {ConnectionState::Disconnected, C::Red, false, "Disconnected"},
        {ConnectionState::Error, C::Red, false, "Connection error"},
    };
    for (const auto &[state, color, pulses, text] : states) {
        EXPECT_EQ(ConnectionIndicatorPolicy::color(state), color);
        EXPECT_EQ(ConnectionIndicatorPolicy::pulses(state), pulses);
        EXPECT_EQ(ConnectionIndicatorPolicy::panelStateText(state), QString::fromUtf8(text));
    }
    const std::pair<double, C> ages[] = {{0, C::Green},    {59.9, C::Green},  {60, C::Yellow}, {299, C::Yellow},
                                         {300, C::Orange}, {1799, C::Orange}, {1800, C::Red},  {86400, C::Red}};
    for (const auto &[seconds, color] : ages) {
        EXPECT_EQ(ConnectionIndicatorPolicy::lastSeenColor(seconds), color) << seconds;
    }
    EXPECT_EQ(ConnectionIndicatorPolicy::accessibleName(QStringLiteral("Studio"), ConnectionState::Unstable),
              QStringLiteral("Studio, Unstable"));
}
