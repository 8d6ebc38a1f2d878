#include "records/DeviceState.h"
#include "records/DeviceDisplayNamePolicy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace verandel;

namespace {

const QDateTime stamp(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

DeviceState state(const QString &name, SharingStatus sharing, bool supported, ConnectionStatus connection,
                  const QString &mac = QStringLiteral("aa:bb:cc:dd:ee:ff"))
{
    return DeviceState(Device(mac, name, QStringLiteral("T"), std::nullopt, stamp), connection, sharing, supported,
                       supported ? DeviceType::MagicMouse : DeviceType::Other);
}

struct DisplayNameCase
{
    const char16_t *rawName;
    const char16_t *macAddress;
    DeviceType type;
    const char16_t *expected;
};

class DisplayNamePolicyTest : public ::testing::TestWithParam<DisplayNameCase>
{ };

TEST_P(DisplayNamePolicyTest, ChoosesTheShownName)
{
    const DisplayNameCase &c = GetParam();
    EXPECT_EQ(
        DeviceDisplayNamePolicy::displayName(QString::fromUtf16(c.rawName), QString::fromUtf16(c.macAddress), c.type),
        QString::fromUtf16(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayNamePolicyTest,
    ::testing::Values(
        DisplayNameCase{u"  Desk Mouse\n", u"AA:BB:CC:DD:EE:FF", DeviceType::Other, u"Desk Mouse"},
        DisplayNameCase{u"Desk Mouse", u"AA:BB:CC:DD:EE:FF", DeviceType::MagicMouse, u"Desk Mouse"},
        DisplayNameCase{u"Mouse\u202Eexe.nimda", u"AA:BB:CC:DD:EE:FF", DeviceType::Other, u"Mouseexe.nimda"},
        DisplayNameCase{u"\u2066\u200F\u0007", u"AA:BB:CC:DD:EE:FF", DeviceType::MagicMouse, u"Magic Mouse"},
        DisplayNameCase{u"unknown device", u"AA:BB:CC:DD:EE:FF", DeviceType::MagicMouse, u"Magic Mouse"},
        DisplayNameCase{u"unknown device", u"AA:BB:CC:DD:EE:FF", DeviceType::Other, u"unknown device"},
        DisplayNameCase{u"aa:bb:cc:dd:ee:ff", u"AA-BB-CC-DD-EE-FF", DeviceType::MagicKeyboard, u"Magic Keyboard"},
        DisplayNameCase{u"aa:bb:cc:dd:ee:ff", u"AA-BB-CC-DD-EE-FF", DeviceType::Other, u"aa:bb:cc:dd:ee:ff"},
        DisplayNameCase{u"AABBCCDDEEFF", u"aa:bb:cc:dd:ee:ff", DeviceType::MagicTrackpad, u"Magic Trackpad"},
        // A different address as a name is a name.
        DisplayNameCase{u"aa:bb:cc:dd:ee:00", u"aa:bb:cc:dd:ee:ff", DeviceType::MagicTrackpad, u"aa:bb:cc:dd:ee:00"},
        DisplayNameCase{u"   ", u" AA:BB ", DeviceType::Other, u"Device  AA:BB "},
        DisplayNameCase{u"", u"AA:BB:CC:DD:EE:FF", DeviceType::MagicMouse, u"Magic Mouse"},
        DisplayNameCase{u"", u"AA:BB:CC:DD:EE:FF", DeviceType::Other, u"Device AA:BB:CC:DD:EE:FF"}));

TEST(DeviceStateTest, StatusSummaryAndIconTable)
{
    struct Case
    {
        ConnectionStatus connection;
        SharingStatus sharing;
        bool supported;
        const char16_t *summary;
        const char *icon;
    };
    const Case cases[] = {
        {ConnectionStatus::Connected, SharingStatus::Shared, true, u"Connected \u2022 Allowed", "square.and.arrow.up"},
        {ConnectionStatus::PairedNotConnected, SharingStatus::Local, false,
         u"Paired, not connected \u2022 Local \u2022 Unsupported", "exclamationmark.triangle"},
        {ConnectionStatus::NotPaired, SharingStatus::Local, true, u"Not paired \u2022 Local", "circle"},
        {ConnectionStatus::NotPaired, SharingStatus::Shared, false, u"Not paired \u2022 Allowed \u2022 Unsupported",
         "exclamationmark.triangle"},
    };
    for (const Case &c : cases) {
        const DeviceState s = state(QStringLiteral("Mouse"), c.sharing, c.supported, c.connection);
        EXPECT_EQ(s.statusSummary(), QString::fromUtf16(c.summary));
        EXPECT_EQ(s.primaryIconName(), QString::fromLatin1(c.icon));
    }
}

TEST(DeviceStateTest, SharingTextsSpeakOfThisComputer)
{
    EXPECT_EQ(accessibilityDescription(SharingStatus::Local),
              QStringLiteral("Device is available on this computer only"));
    for (const SharingStatus status : allSharingStatuses) {
        EXPECT_FALSE(accessibilityDescription(status).contains(QStringLiteral("Mac")));
        EXPECT_FALSE(displayName(status).contains(QStringLiteral("Mac")));
    }
}

TEST(DeviceStateTest, OnlyASupportedConnectedDeviceIsUsable)
{
    const DeviceState s = state(QStringLiteral("Mouse"), SharingStatus::Local, true, ConnectionStatus::Connected);
    EXPECT_TRUE(s.isUsable());
    EXPECT_FALSE(s.withSupportStatus(false).isUsable());
    EXPECT_FALSE(s.withConnectionStatus(ConnectionStatus::PairedNotConnected).isUsable());
}

// Shared before local, supported before not, connected before the two not-connected statuses (one rank,
// where names decide), then names.
TEST(DeviceStateOrderingTest, ShuffledListsSortToTheSameOrder)
{
    const QList<DeviceState> expected{
        state(QStringLiteral("A"), SharingStatus::Shared, true, ConnectionStatus::Connected, QStringLiteral("1")),
        state(QStringLiteral("Z"), SharingStatus::Shared, true, ConnectionStatus::Connected, QStringLiteral("2")),
        state(QStringLiteral("B"), SharingStatus::Shared, true, ConnectionStatus::PairedNotConnected,
              QStringLiteral("3")),
        state(QStringLiteral("C"), SharingStatus::Shared, true, ConnectionStatus::NotPaired, QStringLiteral("4")),
        state(QStringLiteral("D"), SharingStatus::Shared, true, ConnectionStatus::PairedNotConnected,
              QStringLiteral("5")),
        state(QStringLiteral("A"), SharingStatus::Shared, false, ConnectionStatus::Connected, QStringLiteral("6")),
        state(QStringLiteral("Y"), SharingStatus::Shared, false, ConnectionStatus::NotPaired, QStringLiteral("7")),
        state(QStringLiteral("M"), SharingStatus::Local, true, ConnectionStatus::Connected, QStringLiteral("8")),
        state(QStringLiteral("b"), SharingStatus::Local, true, ConnectionStatus::Connected, QStringLiteral("9")),
        state(QStringLiteral("A"), SharingStatus::Local, true, ConnectionStatus::NotPaired, QStringLiteral("10")),
        state(QStringLiteral("B"), SharingStatus::Local, true, ConnectionStatus::PairedNotConnected,
              QStringLiteral("11")),
        state(QStringLiteral("C"), SharingStatus::Local, false, ConnectionStatus::NotPaired, QStringLiteral("12")),
    };
    std::mt19937 random(42);
    for (int round = 0; round < 50; ++round) {
        QList<DeviceState> shuffled = expected;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        std::sort(shuffled.begin(), shuffled.end());
        ASSERT_EQ(shuffled, expected) << "round " << round;
    }
}

} // namespace
