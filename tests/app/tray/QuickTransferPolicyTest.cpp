#include "tray/ControlCenterQuickTransferPolicy.h"

#include "kit/UntrustedText.h"

#include "support/PreviewFixtures.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using Policy = ControlCenterQuickTransferPolicy;
using Status = QuickTransferMenuCommandStatus;

QString isolated(const char *name)
{
    return UntrustedText::isolated(QString::fromUtf8(name));
}

} // namespace

TEST(QuickTransferPolicyTest, CommandsAreSortedCaseInsensitivelyAndStably)
{
    const ConnectedMac beta = PreviewFixtures::linkedMac(1, QStringLiteral("beta"));
    const ConnectedMac upper = PreviewFixtures::linkedMac(2, QStringLiteral("Alpha"));
    const ConnectedMac lower = PreviewFixtures::linkedMac(3, QStringLiteral("alpha"));
    const ConnectedMac unnamed = PreviewFixtures::linkedMac(4, QString());
    const ConnectedMac absent = PreviewFixtures::linkedMac(5, QStringLiteral("Absent"));
    const Status refused = Status::unavailable(QStringLiteral("No."), true);
    Policy::StatusMap send{{beta.id(), Status::available()},
                           {upper.id(), Status::available()},
                           {lower.id(), refused},
                           {unnamed.id(), Status::available()}};
    Policy::StatusMap take{{beta.id(), refused}, {lower.id(), Status::available()}};

    const QList<QuickTransferMenuCommand> commands
        = Policy::buildCommands({beta, upper, lower, unnamed, absent}, send, take);
    QStringList titles;
    for (const QuickTransferMenuCommand &command : commands) {
        titles.append(command.title);
    }
    EXPECT_EQ(titles,
              (QStringList{
                  QStringLiteral("Move Devices to ") + isolated("Alpha"),
                  QStringLiteral("Move Devices to ") + isolated("alpha"),
                  QStringLiteral("Pull Devices from ") + isolated("alpha"),
                  QStringLiteral("Move Devices to ") + isolated("beta"),
                  QStringLiteral("Pull Devices from ") + isolated("beta"),
                  QStringLiteral("Move Devices to ") + UntrustedText::isolated(unnamed.displayName()),
              }));
    EXPECT_EQ(commands[2].action,
              (QuickTransferAction{QuickTransferAction::Kind::TakeControl, lower.id(), QStringLiteral("alpha")}));
    EXPECT_EQ(commands[1].status, refused);
    EXPECT_FALSE(commands[1].status.isEnabled());
    EXPECT_EQ(commands[1].status.toolTip(), QStringLiteral("No."));
    EXPECT_TRUE(commands[0].status.isEnabled());
    EXPECT_EQ(commands[0].status.toolTip(), std::nullopt);
    EXPECT_FALSE(commands[0].status.showsUnavailableAffordance());
}

TEST(QuickTransferPolicyTest, DecisionsNameTheComputer)
{
    const QString longName(60, QLatin1Char('W'));
    EXPECT_EQ(Policy::sendControlDecision(longName, false).unavailableMessage,
              QStringLiteral("Transfer unavailable for ") + UntrustedText::isolated(UntrustedText::elided(longName))
                  + QStringLiteral("."));
    EXPECT_TRUE(Policy::sendControlDecision(QStringLiteral("Anything"), true).startsTransfer());
    EXPECT_TRUE(Policy::takeControlDecision(QString(), true).startsTransfer());
}

// The statuses of a computer's two items and their four reasons.
TEST(QuickTransferPolicyTest, StatusTable)
{
    const QString name = QStringLiteral("Studio");
    const Status available = Status::available();
    const Status notConnected
        = Status::unavailable(isolated("Studio") + QStringLiteral(" is not currently connected."), true);
    const Status nothingHere
        = Status::unavailable(QStringLiteral("No shared devices are currently available on this computer."), false);
    const Status nothingAnywhere
        = Status::unavailable(QStringLiteral("No shared devices are currently available on this computer or ")
                                  + isolated("Studio") + QStringLiteral("."),
                              true);
    const Status peerOwnsNothing = Status::unavailable(
        isolated("Studio") + QStringLiteral(" does not currently own any shared devices."), false);
    struct Case
    {
        bool reachable, canSend, peerOwns, canTake;
        int local;
        Status send, take;
    };
    const Case cases[] = {
        {true, true, true, true, 1, available, available},
        {true, false, true, true, 0, nothingHere, available},
        {true, true, false, true, 1, available, peerOwnsNothing},
        {true, true, true, false, 1, available, peerOwnsNothing},
        {false, true, true, true, 1, notConnected, notConnected},
        {false, true, true, true, 0, notConnected, nothingAnywhere},
    };
    for (const Case &c : cases) {
        const Policy::PeerFacts facts{name, c.reachable, c.canSend, c.peerOwns, c.canTake, c.local};
        EXPECT_EQ(Policy::sendStatus(facts), c.send) << c.reachable << c.canSend << c.local;
        EXPECT_EQ(Policy::takeStatus(facts), c.take) << c.reachable << c.peerOwns << c.canTake << c.local;
    }
}
