#include "models/ControlCenterContent.h"

#include "support/PreviewFixtures.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

class ControlCenterContentTest : public ::testing::Test
{
protected:
    const QUuid thisMac = QUuid::fromString(u"{00000000-0000-4000-8000-0000000000aa}");
    const ConnectedMac studio = PreviewFixtures::linkedMac(1, QStringLiteral("Studio"));
    const ConnectedMac kitchen = PreviewFixtures::linkedMac(2, QStringLiteral("Kitchen"));
    const DeviceState keyboard = PreviewFixtures::sharedDevice(1, QStringLiteral("Keyboard"));
    const DeviceState mouse
        = PreviewFixtures::sharedDevice(2, QStringLiteral("Mouse"), ConnectionStatus::PairedNotConnected);

    ControlCenterInputs inputs() const
    {
        ControlCenterInputs in;
        in.thisMacId = thisMac;
        in.connectedMacs = {studio, kitchen};
        in.sharedDevices = {keyboard, mouse};
        return in;
    }
};

} // namespace

TEST_F(ControlCenterContentTest, NothingLinkedNothingShared)
{
    ControlCenterInputs in;
    in.thisMacId = thisMac;
    const ControlCenterContent content = ControlCenterContent::compute(in);
    EXPECT_TRUE(content.showsSharedDevicesOnboarding);
    EXPECT_FALSE(content.hasActiveMacsWithDevices);
    EXPECT_EQ(content.takeUnavailableReason, QStringLiteral("Link another computer to pull devices from it."));
    EXPECT_TRUE(content.linkedMacs.isEmpty());
    EXPECT_TRUE(content.devicesInTransition.isEmpty());
}

TEST_F(ControlCenterContentTest, PanelsFollowEachComputersState)
{
    ControlCenterInputs in = inputs();
    in.ownership = {{mouse.macAddress(), studio.id()}};
    struct Case
    {
        std::optional<ConnectionState> studioState;
        bool identityConflict;
        bool offersSend, listsMouse, takeEnabled, mouseInTransition;
        const char *takeReason;
    };
    const char *const nobodyAnswers = "No linked computer is connected right now.";
    const Case cases[] = {
        {ConnectionState::Connected, false, true, true, true, false, ""},
        {ConnectionState::Unstable, false, true, false, true, true, ""},
        {ConnectionState::Connecting, false, false, false, false, true, nobodyAnswers},
        {ConnectionState::Error, false, false, false, false, true, nobodyAnswers},
        {std::nullopt, false, false, false, false, true, nobodyAnswers},
        // Paused, whatever the last ping said: it does not answer for a transfer.
        {ConnectionState::Connected, true, false, false, false, false, nobodyAnswers},
        {ConnectionState::Disconnected, true, false, false, false, true, nobodyAnswers},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.studioState ? toString(*c.studioState).toStdString() : "no entry");
        SCOPED_TRACE(c.identityConflict ? "identity conflict" : "");
        in.connectionStates.clear();
        if (c.studioState) {
            in.connectionStates.insert(studio.id(), *c.studioState);
        }
        in.identityConflicts = c.identityConflict ? QSet<QUuid>{studio.id()} : QSet<QUuid>{};
        const ControlCenterContent content = ControlCenterContent::compute(in);
        ASSERT_EQ(content.linkedMacs.size(), 2);
        const LinkedMacPanelContent &panel = content.linkedMacs[0];
        EXPECT_EQ(panel.mac, studio);
        EXPECT_EQ(panel.identityConflict, c.identityConflict);
        EXPECT_FALSE(content.linkedMacs[1].identityConflict);
        EXPECT_EQ(panel.state, c.studioState.value_or(ConnectionState::Disconnected));
        EXPECT_EQ(panel.offersSend, c.offersSend);
        // The keyboard is connected here and unowned: there is something to send.
        EXPECT_EQ(panel.sendEnabled, c.offersSend);
        EXPECT_EQ(panel.devices.size(), c.listsMouse);
        EXPECT_EQ(content.hasActiveMacsWithDevices, c.takeEnabled);
        EXPECT_EQ(content.takeUnavailableReason, QString::fromUtf8(c.takeReason));
        EXPECT_TRUE(panel.sendUnavailableReason.isEmpty());
        EXPECT_EQ(content.devicesInTransition.contains(mouse), c.mouseInTransition);
        EXPECT_EQ(content.devicesOnThisMac, QList<DeviceState>{keyboard});
        EXPECT_FALSE(content.showsSharedDevicesOnboarding);
    }
}

TEST_F(ControlCenterContentTest, SendNeedsDevicesHereAndTakeIgnoresThisComputersOwnEntry)
{
    ControlCenterInputs in = inputs();
    in.sharedDevices = {mouse};
    in.connectedMacs.append(PreviewFixtures::linkedMac(9, QStringLiteral("Me")));
    in.connectedMacs.last()
        = ConnectedMac(thisMac, QStringLiteral("Me"), QString(), PreviewFixtures::now(), PreviewFixtures::now(), {});
    in.connectionStates = {{studio.id(), ConnectionState::Connected}, {thisMac, ConnectionState::Connected}};
    in.ownership = {{mouse.macAddress(), thisMac}};
    const ControlCenterContent content = ControlCenterContent::compute(in);
    EXPECT_TRUE(content.linkedMacs[0].offersSend);
    EXPECT_FALSE(content.linkedMacs[0].sendEnabled);
    EXPECT_EQ(content.linkedMacs[0].sendUnavailableReason,
              QStringLiteral("This computer has no devices allowed for transfer to move."));
    // Only this computer owns a device: nothing to pull.
    EXPECT_FALSE(content.hasActiveMacsWithDevices);
    EXPECT_EQ(content.takeUnavailableReason, QStringLiteral("No connected computer has devices allowed for transfer."));
    EXPECT_EQ(content.linkedMacs.size(), 3);
}

TEST_F(ControlCenterContentTest, TheLatestChangeMovesDevicesIntoTransitionButNotThePanels)
{
    ControlCenterInputs in = inputs();
    in.ownership = {{mouse.macAddress(), studio.id()}};
    in.connectionStates = {{studio.id(), ConnectionState::Connected}};
    in.latestConnectionStateChange = ConnectionStateChange{studio.id(), ConnectionState::Unstable};
    const ControlCenterContent content = ControlCenterContent::compute(in);
    EXPECT_EQ(content.linkedMacs[0].state, ConnectionState::Connected);
    EXPECT_EQ(content.devicesInTransition, QList<DeviceState>{mouse});
}
