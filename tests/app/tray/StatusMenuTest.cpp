#include "tray/ControlCenterStatusMenu.h"
#include "tray/QuickTransferController.h"

#include "kit/Theme.h"
#include "kit/UntrustedText.h"

#include "support/HostileNames.h"
#include "support/ManualClock.h"
#include "support/PreviewFixtures.h"
#include "support/Shots.h"
#include "support/fakes/FakeControlCoordinator.h"
#include "support/fakes/FakeDeviceOwnership.h"
#include "support/fakes/RecordingStatusIconSink.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using Menu = ControlCenterStatusMenu;

QuickTransferMenuCommand command(const QString &name,
                                 QuickTransferAction::Kind kind = QuickTransferAction::Kind::SendControl,
                                 QuickTransferMenuCommandStatus status = QuickTransferMenuCommandStatus::available())
{
    const QString prefix = kind == QuickTransferAction::Kind::SendControl ? QStringLiteral("Move Devices to ")
                                                                          : QStringLiteral("Pull Devices from ");
    return {prefix + UntrustedText::isolated(name), {kind, QUuid::createUuid(), name}, status};
}

// "text/tag" per item, "-" for a separator; hidden items in brackets.
QStringList layout(const QMenu &menu)
{
    QStringList items;
    for (const QAction *action : menu.actions()) {
        const QString item = action->isSeparator() ? QStringLiteral("-")
                                                   : QStringLiteral("%1/%2").arg(action->text()).arg(Menu::tag(action));
        items.append(action->isVisible() ? item : QStringLiteral("[%1]").arg(item));
    }
    return items;
}

QString isolatedTitle(const char *prefix, const char *name)
{
    return QString::fromUtf8(prefix) + UntrustedText::isolated(QString::fromUtf8(name));
}

class StatusMenuTest : public ::testing::Test
{
protected:
    Menu menu{std::make_shared<IconProvider>()};
};

} // namespace

TEST_F(StatusMenuTest, FixedItemsThenTransferCommandsAndTheInstallItem)
{
    EXPECT_EQ(layout(*menu.menu()),
              (QStringList{QStringLiteral("Control Center…/0"), QStringLiteral("[/24001]"), QStringLiteral("-"),
                           QStringLiteral("Settings…/0"), QStringLiteral("-"), QStringLiteral("Quit Verandel/0")}));
    EXPECT_EQ(menu.menu()->actions()[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(menu.menu()->actions()[5]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(menu.menu()->actions()[1]->isEnabled());

    menu.setTransferCommands({command(QStringLiteral("Alpha")), command(QStringLiteral("Beta"))});
    menu.setInstallUpdateCommand(true);
    menu.setInstallUpdateCommand(true);
    const QStringList expected{QStringLiteral("Control Center…/0"),
                               QStringLiteral("[/24001]"),
                               isolatedTitle("Move Devices to ", "Alpha") + QStringLiteral("/24002"),
                               isolatedTitle("Move Devices to ", "Beta") + QStringLiteral("/24002"),
                               QStringLiteral("Install Update…/24003"),
                               QStringLiteral("-"),
                               QStringLiteral("Settings…/0"),
                               QStringLiteral("-"),
                               QStringLiteral("Quit Verandel/0")};
    EXPECT_EQ(layout(*menu.menu()), expected);

    menu.setTransferCommands({command(QStringLiteral("Gamma"))});
    menu.setInstallUpdateCommand(false);
    EXPECT_EQ(layout(*menu.menu()),
              (QStringList{QStringLiteral("Control Center…/0"), QStringLiteral("[/24001]"),
                           isolatedTitle("Move Devices to ", "Gamma") + QStringLiteral("/24002"), QStringLiteral("-"),
                           QStringLiteral("Settings…/0"), QStringLiteral("-"), QStringLiteral("Quit Verandel/0")}));
}

TEST_F(StatusMenuTest, ItemsCarryTheirActionToolTipAndWarning)
{
    const QuickTransferMenuCommand refused = command(
        QStringLiteral("A&B"), QuickTransferAction::Kind::TakeControl,
        QuickTransferMenuCommandStatus::unavailable(QStringLiteral("A&B <b>is</b> not currently connected."), true));
    const QuickTransferMenuCommand quiet
        = command(QStringLiteral("Quiet"), QuickTransferAction::Kind::SendControl,
                  QuickTransferMenuCommandStatus::unavailable(QStringLiteral("No shared devices."), false));
    menu.setTransferCommands({refused, quiet});
    QAction *first = menu.menu()->actions()[2];
    // "&" is doubled so the menu draws it instead of underlining the next letter.
    EXPECT_EQ(first->text(), isolatedTitle("Pull Devices from ", "A&&B"));
    EXPECT_FALSE(first->isEnabled());
    // The warning of a refused (disabled) item keeps the warning colour instead of Qt's grey.
    const QColor warning = Theme::color(menu.menu()->palette(), ThemeColor::Orange);
    const QImage disabled = first->icon().pixmap(16, QIcon::Disabled).toImage();
    int warningPixels = 0;
    for (int y = 0; y < disabled.height(); ++y) {
        for (int x = 0; x < disabled.width(); ++x) {
            const QColor pixel = disabled.pixelColor(x, y);
            warningPixels += pixel.alpha() >= 128 && pixel.rgb() == warning.rgb() ? 1 : 0;
        }
    }
    EXPECT_GE(warningPixels, 12);
    EXPECT_EQ(first->data().value<QuickTransferAction>(), refused.action);
    EXPECT_TRUE(first->toolTip().contains(QStringLiteral("&lt;b&gt;is&lt;/b&gt;")));
    QAction *second = menu.menu()->actions()[3];
    EXPECT_TRUE(second->icon().isNull());
    EXPECT_FALSE(second->toolTip().isEmpty());

    menu.setTransferCommands({command(QStringLiteral("Open"))});
    QSignalSpy chosen(&menu, &Menu::transferRequested);
    menu.menu()->actions()[2]->trigger();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].value<QuickTransferAction>().targetDisplayName, QStringLiteral("Open"));
}

namespace {

class QuickTransferTest : public ::testing::Test
{
protected:
    std::shared_ptr<FakeControlCoordinator> coordinator = std::make_shared<FakeControlCoordinator>();
    std::shared_ptr<FakeDeviceOwnership> ownership = std::make_shared<FakeDeviceOwnership>();
    ControlCenterTransferState transferState;
    std::shared_ptr<RecordingStatusIconSink> sink = std::make_shared<RecordingStatusIconSink>();
    StatusItemTransferFeedbackController feedback{sink, std::make_shared<IconProvider>(),
                                                  std::make_shared<ManualClock>()};
    QuickTransferController controller{coordinator, ownership, &transferState, &feedback};
    const ConnectedMac studio = PreviewFixtures::linkedMac(1, QStringLiteral("Studio"));
    const ConnectedMac kitchen = PreviewFixtures::linkedMac(2, QStringLiteral("kitchen"));
};

} // namespace

TEST_F(QuickTransferTest, TheMenuOffersEveryOtherComputerWithItsStatuses)
{
    const ConnectedMac self(coordinator->macId, QStringLiteral("Me"), QString(), PreviewFixtures::now(),
                            PreviewFixtures::now(), {});
    ownership->setQuietly({{QStringLiteral("AA:00"), studio.id()}});
    const QList<QuickTransferMenuCommand> commands = controller.commands(
        {studio, self, kitchen}, {{studio.id(), ConnectionState::Unstable}, {self.id(), ConnectionState::Connected}});
    ASSERT_EQ(commands.size(), 4);
    EXPECT_EQ(commands[0].title, isolatedTitle("Move Devices to ", "kitchen"));
    EXPECT_EQ(commands[0].status.toolTip(),
              UntrustedText::isolated(QStringLiteral("kitchen")) + QStringLiteral(" is not currently connected."));
    EXPECT_EQ(commands[1].status.toolTip(),
              QStringLiteral("No shared devices are currently available on this computer or ")
                  + UntrustedText::isolated(QStringLiteral("kitchen")) + QStringLiteral("."));
    EXPECT_TRUE(commands[2].status.isEnabled());
    EXPECT_TRUE(commands[3].status.isEnabled());
}

// Trays that get the menu over DBusMenu show no tool tips: the reason goes into the Control Center.
TEST_F(QuickTransferTest, ARefusedQuickTransferSaysWhyAndWarns)
{
    coordinator->canSend = false;
    controller.run({QuickTransferAction::Kind::SendControl, studio.id(), QStringLiteral("Studio")});
    EXPECT_EQ(transferState.message(),
              QStringLiteral("Transfer unavailable for ") + UntrustedText::isolated(QStringLiteral("Studio"))
                  + QStringLiteral("."));
    EXPECT_EQ(transferState.kind(), ControlCenterTransferMessageKind::Warning);
    EXPECT_EQ(feedback.visualState(), MenuBarTransferFeedbackVisualState::Warning);
    EXPECT_EQ(coordinator->calls,
              QStringList{QStringLiteral("canSendControl ") + studio.id().toString(QUuid::WithoutBraces)});

    // Pulling from a computer that owns nothing does not even ask the coordinator.
    coordinator->calls.clear();
    controller.run({QuickTransferAction::Kind::TakeControl, kitchen.id(), QStringLiteral("kitchen")});
    EXPECT_TRUE(coordinator->calls.isEmpty());
    EXPECT_EQ(transferState.message(),
              QStringLiteral("Transfer unavailable for ") + UntrustedText::isolated(QStringLiteral("kitchen"))
                  + QStringLiteral("."));
}

TEST_F(QuickTransferTest, AnAcceptedQuickTransferClearsTheOutcomeAndStarts)
{
    feedback.showWarningOutcome();
    transferState.setMessage(QStringLiteral("Transfer failed."), ControlCenterTransferMessageKind::Warning);
    ownership->setQuietly({{QStringLiteral("AA:00"), kitchen.id()}});
    controller.run({QuickTransferAction::Kind::TakeControl, kitchen.id(), QStringLiteral("kitchen")});
    EXPECT_EQ(transferState.message(), std::nullopt);
    EXPECT_EQ(feedback.visualState(), MenuBarTransferFeedbackVisualState::Idle);
    EXPECT_EQ(coordinator->calls,
              (QStringList{QStringLiteral("canTakeControl"),
                           QStringLiteral("takeControl ") + kitchen.id().toString(QUuid::WithoutBraces)}));
}

TEST_F(QuickTransferTest, PictureOfTheMenuWithTwoLinkedComputers)
{
    ControlCenterStatusMenu menu(std::make_shared<IconProvider>());
    const ConnectedMac ab = PreviewFixtures::linkedMac(3, QStringLiteral("A&B"));
    ownership->setQuietly({{QStringLiteral("AA:00"), studio.id()}, {QStringLiteral("AA:01"), coordinator->macId}});
    menu.setTransferCommands(controller.commands({studio, ab}, {{studio.id(), ConnectionState::Connected}}));
    menu.setInstallUpdateCommand(true);
    menu.menu()->adjustSize();
    saveShot(*menu.menu(), QStringLiteral("tray-menu-two-computers"));
}

// Every computer reachable, then every other one away (its items cannot be chosen: the warning beside
// each, and the reason, which names the computer too, keeps the name inside its isolate).
TEST_F(QuickTransferTest, PicturesOfTheMenuWithHostileComputerNames)
{
    const struct
    {
        const char *shot;
        ConnectionState odd;
        ConnectionState even;
    } menus[] = {{"tray-menu-hostile-names", ConnectionState::Connected, ConnectionState::Connected},
                 {"tray-menu-hostile-names-unavailable", ConnectionState::Disconnected, ConnectionState::Unstable}};
    for (const auto &shown : menus) {
        SCOPED_TRACE(shown.shot);
        ControlCenterStatusMenu menu(std::make_shared<IconProvider>());
        QList<ConnectedMac> macs;
        ConnectionStateMap states;
        for (const QString &name : hostileNames()) {
            macs.append(PreviewFixtures::linkedMac(10 + int(macs.size()), name));
            states.insert(macs.last().id(), macs.size() % 2 == 1 ? shown.odd : shown.even);
        }
        ownership->setQuietly({{QStringLiteral("AA:00"), macs[0].id()}, {QStringLiteral("AA:01"), coordinator->macId}});
        menu.setTransferCommands(controller.commands(macs, states));
        int unavailable = 0;
        for (const QAction *action : menu.menu()->actions()) {
            if (action->isSeparator() || !action->isVisible() || !action->text().contains(QChar(0x2068))) {
                continue;
            }
            // The name isolated so it cannot reorder the item's own words.
            EXPECT_TRUE(action->text().contains(QChar(0x2069))) << action->text().toStdString();
            if (!action->isEnabled()) {
                ++unavailable;
                EXPECT_TRUE(action->toolTip().contains(QChar(0x2068))) << action->toolTip().toStdString();
            }
        }
        if (shown.odd == ConnectionState::Connected) {
            // "&" doubled: drawn, not an accelerator.
            EXPECT_TRUE(layout(*menu.menu())
                            .join(u'\n')
                            .contains(isolatedTitle("Move Devices to ", "<b>Bold</b> && <i>AT&&T</i>")));
        } else {
            EXPECT_GE(unavailable, 6) << "both items of each of the three computers away";
        }
        menu.menu()->adjustSize();
        saveShot(*menu.menu(), QString::fromLatin1(shown.shot));
    }
}
