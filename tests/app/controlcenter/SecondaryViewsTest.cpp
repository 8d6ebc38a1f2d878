#include "controlcenter/AppSettingsSection.h"
#include "controlcenter/ConnectedMacMenuItem.h"
#include "controlcenter/ConnectionStatusIndicator.h"
#include "controlcenter/ControlCenterPanels.h"
#include "controlcenter/CustomToolbarBuilder.h"
#include "controlcenter/OnboardingChecklistCard.h"

#include "kit/CapsuleButton.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"

#include "../models/ConnectedMacsViewModelFixture.h"
#include "support/PreviewFixtures.h"
#include "support/Shots.h"
#include "support/fakes/FakeControlCoordinator.h"
#include "support/fakes/FakeDeviceOwnership.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeSharedDevices.h"

#include <QSignalSpy>
#include <QTest>

using namespace verandel;
using namespace verandel::test;

namespace {

IconProviderPtr icons()
{
    static const IconProviderPtr shared = std::make_shared<IconProvider>();
    return shared;
}

} // namespace

TEST(CheckForUpdatesTest, RowsByPrecedenceAndTheirActions)
{
    const std::pair<UpdateCheckSnapshot, CheckForUpdatesRow> cases[] = {
        {{}, CheckForUpdatesRow::CheckForUpdates},
        {{true, QStringLiteral("1.1"), QStringLiteral("Offline")}, CheckForUpdatesRow::Checking},
        {{false, QStringLiteral("1.1"), QStringLiteral("Offline")}, CheckForUpdatesRow::UpdateAvailable},
        {{false, std::nullopt, QStringLiteral("Offline")}, CheckForUpdatesRow::Error},
    };
    for (const auto &[snapshot, row] : cases) {
        EXPECT_EQ(checkForUpdatesRow(snapshot), row);
    }

    QList<ToolbarAction> actions;
    AppSettingsSection section(icons(), [&actions](const ToolbarAction &action) { actions.append(action); });
    CheckForUpdatesButtonCompact *compact = section.checkForUpdates();
    section.resize(360, 40);
    section.show();
    QTest::mouseClick(compact->checkRow(), Qt::LeftButton);
    EXPECT_EQ(actions, QList<ToolbarAction>{ToolbarAction::of(ToolbarAction::Kind::CheckForUpdates)});
    EXPECT_EQ(compact->checkRow()->titleLabel()->fullText(), QStringLiteral("Check for Updates…"));
    EXPECT_FALSE(compact->checkRow()->shortcutLabel()->isVisible());

    compact->setSnapshot({true, std::nullopt, std::nullopt});
    EXPECT_EQ(compact->statusLabel()->fullText(), QStringLiteral("Checking for updates…"));
    compact->setSnapshot({false, QStringLiteral("1.0.7"), std::nullopt});
    EXPECT_EQ(compact->statusLabel()->fullText(), QStringLiteral("Update 1.0.7"));
    QSignalSpy install(compact, &CheckForUpdatesButtonCompact::installChosen);
    QSignalSpy later(compact, &CheckForUpdatesButtonCompact::laterChosen);
    QTest::mouseClick(compact->installButton(), Qt::LeftButton);
    QTest::mouseClick(compact->laterButton(), Qt::LeftButton);
    EXPECT_EQ(install.count(), 1);
    EXPECT_EQ(later.count(), 1);
    saveShot(section, QStringLiteral("controlcenter-update-available"));

    compact->setSnapshot({false, std::nullopt, QStringLiteral("Could not check for updates. Please try again.")});
    QSignalSpy retry(compact, &CheckForUpdatesButtonCompact::tryAgainRequested);
    QTest::mouseClick(compact->tryAgainButton(), Qt::LeftButton);
    EXPECT_EQ(retry.count(), 1);
    EXPECT_FALSE(compact->installButton()->isVisible());
    // The sentence wraps at the Control Center's narrowest width instead of losing its end.
    section.resize(360, section.heightForWidth(360));
    QCoreApplication::processEvents();
    TextLabel *status = compact->statusLabel();
    EXPECT_GE(status->height(), status->heightForWidth(status->width()));
    EXPECT_GT(status->heightForWidth(status->width()), QFontMetrics(status->font()).height());
    // ...without leaving its last word alone on a line.
    const QStringList lines = status->wrappedLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.last().contains(u' ')) << lines.join(u'|').toStdString();
    saveShot(section, QStringLiteral("controlcenter-update-error"));

    // The links are at the body size, their text at 4.5:1 on the row.
    const QPalette palette = compact->palette();
    for (CapsuleButton *link : {compact->installButton(), compact->laterButton(), compact->tryAgainButton()}) {
        EXPECT_EQ(link->font().pointSizeF(), Theme::font(TextStyle::Body).pointSizeF());
        const CapsuleButton::Look look = CapsuleButton::look(link->kind(), palette);
        for (const QColor row : {palette.color(QPalette::Window), palette.color(QPalette::Base)}) {
            EXPECT_GE(Theme::contrastRatio(look.text, row), Theme::textContrast);
        }
    }

    MenuItemRow quit(icons(), QStringLiteral("xmark.circle"), QStringLiteral("Quit Verandel"), QStringLiteral("Ctrl+Q"),
                     true);
    EXPECT_EQ(quit.titleLabel()->color(), ThemeColor::Red);
    EXPECT_EQ(quit.shortcutLabel()->fullText(), QStringLiteral("Ctrl+Q"));
}

TEST(ConnectedMacMenuItemTest, LastSeenDotAndAccessibleName)
{
    const QDateTime now = PreviewFixtures::now();
    const ConnectedMac seen
        = PreviewFixtures::linkedMac(1, QStringLiteral("Studio")).withUpdatedLastSeen(now.addSecs(-60));
    ConnectedMacMenuItem connected(seen, ConnectionState::Connected, now);
    ASSERT_NE(connected.lastSeenDot(), nullptr);
    EXPECT_EQ(connected.lastSeenDot()->property("indicatorColor").toInt(), int(IndicatorColor::Yellow));
    EXPECT_EQ(connected.accessibleName(), QStringLiteral("Studio, Connected"));
    QSignalSpy selected(&connected, &ConnectedMacMenuItem::selected);
    connected.resize(200, 24);
    QTest::mouseClick(&connected, Qt::LeftButton);
    EXPECT_EQ(selected.count(), 1);

    for (const ConnectionState state : {ConnectionState::Disconnected, ConnectionState::Connecting}) {
        ConnectedMacMenuItem away(seen, state, now);
        EXPECT_EQ(away.lastSeenDot(), nullptr);
    }
    const ConnectedMac unnamed = PreviewFixtures::linkedMac(2, QString());
    ConnectedMacMenuItem fallback(unnamed, ConnectionState::Error, now);
    EXPECT_EQ(fallback.nameLabel()->fullText(), unnamed.displayName());
    EXPECT_EQ(fallback.accessibleName(), unnamed.displayName() + QStringLiteral(", Error"));
}

TEST(ControlCenterCardsTest, TitlesAndNotes)
{
    EXPECT_EQ(ThisMacPanel::title(std::nullopt), QStringLiteral("This Computer"));
    EXPECT_EQ(ThisMacPanel::title(QStringLiteral("Studio")), QStringLiteral("\u2068Studio\u2069 (this computer)"));
    // A name stored before control characters were dropped reaches the title without its override.
    EXPECT_EQ(ThisMacPanel::title(QStringLiteral("\u202EStudio")),
              QStringLiteral("\u2068Studio\u2069 (this computer)"));

    const auto noRows = [](const DeviceState &, bool) { return new QWidget; };
    ThisMacPanel panel(icons(), noRows, [](const ToolbarAction &) {});
    ControlCenterContent content;
    content.showsSharedDevicesOnboarding = false;
    panel.setContent(content, QString(200, QLatin1Char('W')));
    panel.resize(520, 200);
    panel.show();
    EXPECT_TRUE(panel.titleLabel()->isElided());
    EXPECT_TRUE(panel.emptyLabel()->isVisible());
    EXPECT_EQ(panel.emptyLabel()->fullText(), QStringLiteral("No devices connected"));
    EXPECT_FALSE(panel.takeButton()->isEnabled());

    ConnectedMacPanel linked(icons(), noRows, [](const ToolbarAction &) {});
    linked.setContent({PreviewFixtures::linkedMac(1, QStringLiteral("Studio")),
                       ConnectionState::Connecting,
                       {},
                       false,
                       false,
                       false,
                       {}});
    linked.show();
    EXPECT_EQ(linked.stateLabel()->fullText(), QStringLiteral("Connecting…"));
    EXPECT_TRUE(linked.notConnectedNote()->isVisible());
    EXPECT_FALSE(linked.sendButton()->isVisible());
    const QList<TextLabel *> notes = linked.notConnectedNote()->findChildren<TextLabel *>();
    ASSERT_EQ(notes.size(), 2);
    EXPECT_EQ(notes[0]->fullText(), QStringLiteral("Not connected"));
    EXPECT_EQ(notes[1]->fullText(),
              QStringLiteral("Please make sure the computer is connected to the network and the "
                             "Verandel app is running."));
}

TEST(ConnectionStatusIndicatorTest, PulsesWhileConnecting)
{
    ConnectionStatusIndicator connecting(ConnectionState::Connecting);
    EXPECT_FALSE(connecting.isAnimating());
    connecting.show();
    EXPECT_TRUE(connecting.isAnimating());
    connecting.setState(ConnectionState::Connected);
    EXPECT_FALSE(connecting.isAnimating());
    connecting.setState(ConnectionState::Connecting);
    EXPECT_TRUE(connecting.isAnimating());
}

namespace {

class PopoverTest : public ViewModelFixture
{
protected:
    void SetUp() override
    {
        make();
        anchor.resize(40, 20);
        anchor.show();
    }
    void show()
    {
        builder.showToolbar(&anchor, {model.get(), &devices, coordinator, ownership, identity, nullptr, nullptr},
                            icons(), {}, [this](SettingsAction action) {
                                visibleWhenActionRan = builder.isToolbarVisible();
                                actions.append(action);
                            });
    }

    QWidget anchor;
    FakeSharedDevices devices;
    std::shared_ptr<FakeControlCoordinator> coordinator = std::make_shared<FakeControlCoordinator>();
    std::shared_ptr<FakeDeviceOwnership> ownership = std::make_shared<FakeDeviceOwnership>();
    std::shared_ptr<FakeMacIdentifier> identity = std::make_shared<FakeMacIdentifier>(coordinator->macId);
    CustomToolbarBuilder builder;
    QList<SettingsAction> actions;
    std::optional<bool> visibleWhenActionRan;
};

} // namespace

TEST_F(PopoverTest, OnePopupAtATimeClosedBeforeASettingsAction)
{
    EXPECT_FALSE(builder.isToolbarVisible());
    show();
    QPointer<QWidget> first = builder.popup();
    show();
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(builder.isToolbarVisible());
    auto *view = builder.popup()->findChild<ControlCenterView *>();
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->emptyPanel()->onboarding()->button(), Qt::LeftButton);
    EXPECT_EQ(actions, QList<SettingsAction>{SettingsAction::ShowConnectedMacs});
    EXPECT_EQ(visibleWhenActionRan, false);
    builder.closeToolbar();
    EXPECT_FALSE(builder.isToolbarVisible());
}
