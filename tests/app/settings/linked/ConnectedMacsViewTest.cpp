#include "settings/linked/ConnectedMacsView.h"

#include "common/BusyAnimation.h"
#include "kit/Banner.h"
#include "kit/BusyBar.h"
#include "kit/CapsuleBadge.h"
#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/KeyWindow.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/ToggleSwitch.h"
#include "kit/UntrustedText.h"
#include "settings/linked/ConnectedMacRow.h"
#include "settings/linked/ConnectedMacsScreenSummary.h"
#include "settings/linked/DiscoveryModeView.h"

#include "app/models/ConnectedMacsViewModelFixture.h"
#include "support/HostileNames.h"
#include "support/ManualClock.h"
#include "support/PreviewFixtures.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"

#include <QHideEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTest>
#include <QVBoxLayout>
#include <QtTest/qtestspontaneevent.h>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

constexpr int settingsWidth = 680;
constexpr int settingsHeight = 500;

QString idText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// The tab in a window of the Settings window's size, over the real view model and fake services.
class ConnectedMacsViewTest : public ViewModelFixture
{
protected:
    IconProviderPtr icons = std::make_shared<const IconProvider>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<QWidget> window;
    ConnectedMacsView *view = nullptr;

    ConnectedMacsView &open(const QList<ConnectedMac> &stored = {}, bool show = true)
    {
        storage->addTestData(stored);
        make();
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins({});
        view = new ConnectedMacsView(model.get(), icons, clock, true, window.get());
        layout->addWidget(view);
        window->resize(settingsWidth, settingsHeight);
        if (show) {
            window->show();
            settle();
        }
        return *view;
    }

    QStringList badgeTexts() const
    {
        QStringList texts;
        for (ConnectedMacRow *row : view->rows()) {
            texts.append(row->statusBadge()->text());
        }
        return texts;
    }

    // A picture of the whole column at `width`, as tall as it is there (no scrolling).
    void shoot(const QString &name, int width = settingsWidth)
    {
        KeyWindow::setOverride(window.get(), true);
        window->resize(width, window->height());
        settle();
        QWidget *column = view->column();
        const int columnWidth = ConnectedMacsView::columnWidth(width);
        const int height
            = column->hasHeightForWidth() ? column->heightForWidth(columnWidth) : column->sizeHint().height();
        window->resize(width, height + 2 * Metrics::contentPadding);
        settle();
        // Whatever the estimate missed, the picture shows: no scrolling.
        QScrollBar *scrollBar = view->findChild<QScrollArea *>()->verticalScrollBar();
        for (int i = 0; i < 3 && scrollBar->maximum() > 0; ++i) {
            window->resize(width, window->height() + scrollBar->maximum());
            settle();
        }
        EXPECT_EQ(scrollBar->maximum(), 0) << name.toStdString();
        if (QWidget *focused = window->focusWidget()) {
            focused->clearFocus();
        }
        settle();
        saveShot(*window, name);
        // Nothing overlaps or spills out of its row.
        for (ConnectedMacRow *row : view->rows()) {
            for (QWidget *child : row->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (child->isVisible()) {
                    EXPECT_TRUE(row->rect().contains(child->geometry()))
                        << name.toStdString() << ": " << child->metaObject()->className();
                }
            }
        }
    }

    void setStatuses(const QList<ConnectedMac> &macs, const QList<ConnectionState> &states)
    {
        for (qsizetype i = 0; i < macs.size() && i < states.size(); ++i) {
            auto status = std::make_shared<MacConnectionStatus>(macs.at(i).id());
            status->updateConnectionState(states.at(i));
            monitor->statuses.insert(macs.at(i).id(), status);
        }
    }

    // Opens the tab, not shown yet, in `palette` at `width`.
    ConnectedMacsView &openHidden(const QList<ConnectedMac> &stored, const QPalette &palette, int width)
    {
        storage->reset();
        ConnectedMacsView &tab = open(stored, false);
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        window->resize(width, settingsHeight);
        return tab;
    }
};

} // namespace

TEST(ConnectedMacsScreenTest, SummaryAndCountFollowTheNumberOfLinkedComputers)
{
    struct Row
    {
        qsizetype count;
        QString title;
        QString icon;
        ThemeColor tint;
        std::optional<QString> countText;
    };
    const Row rows[] = {
        {0, QStringLiteral("No computers linked yet"), QStringLiteral("plus.circle.fill"), ThemeColor::Accent,
         std::nullopt},
        {1, QStringLiteral("1 computer linked"), QStringLiteral("checkmark.circle.fill"), ThemeColor::Green,
         QStringLiteral("1 linked computer")},
        {3, QStringLiteral("3 computers linked"), QStringLiteral("checkmark.circle.fill"), ThemeColor::Green,
         QStringLiteral("3 linked computers")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.count);
        EXPECT_EQ(ConnectedMacsScreenSummary::make(row.count),
                  (ConnectedMacsScreenSummary{row.title, row.icon, row.tint}));
        EXPECT_EQ(ConnectedMacsScreenSummary::linkedCountText(row.count), row.countText);
    }
}

TEST(ConnectedMacsScreenTest, LoadingOnlyWhileAnEmptyListIsBeingRefreshed)
{
    using State = ConnectedMacsView::ListState;
    EXPECT_EQ(ConnectedMacsView::listStateFor(true, 0), State::Loading);
    EXPECT_EQ(ConnectedMacsView::listStateFor(false, 0), State::Empty);
    EXPECT_EQ(ConnectedMacsView::listStateFor(true, 2), State::List) << "a refresh keeps a list that is there";
    EXPECT_EQ(ConnectedMacsView::listStateFor(false, 2), State::List);
}

TEST(ConnectedMacsScreenTest, TheColumnIsPaddedKeepsRoomForTheScrollBarAndIsCapped)
{
    const std::pair<int, int> widths[] = {{0, 0}, {40, 0}, {56, 0}, {57, 1}, {680, 624}, {776, 720}, {1400, 720}};
    for (const auto &[tab, column] : widths) {
        EXPECT_EQ(ConnectedMacsView::columnWidth(tab), column) << tab;
    }
}

TEST_F(ConnectedMacsViewTest, ShowsWhatItComputedForNoneOneAndThreeComputers)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    for (const qsizetype count : {0, 1, 3}) {
        SCOPED_TRACE(count);
        storage->reset();
        ConnectedMacsView &tab = open(macs.mid(0, count));
        const ConnectedMacsScreenSummary summary = ConnectedMacsScreenSummary::make(count);
        EXPECT_EQ(tab.summaryBadge()->text(), summary.title);
        EXPECT_EQ(tab.summaryBadge()->iconName(), summary.iconName);
        EXPECT_EQ(tab.countLabel()->fullText(), ConnectedMacsScreenSummary::linkedCountText(count).value_or(QString()));
        EXPECT_EQ(tab.listState(), ConnectedMacsView::listStateFor(false, count));
        EXPECT_EQ(tab.emptyCard()->isVisible(), count == 0);
        EXPECT_EQ(tab.rows().size(), count);
        EXPECT_FALSE(tab.refreshingLine()->isVisible());
        EXPECT_EQ(tab.column()->width(), ConnectedMacsView::columnWidth(tab.width()));
    }
    window->resize(1400, settingsHeight);
    settle();
    EXPECT_EQ(view->column()->width(), Metrics::contentMaxWidth);
}

TEST_F(ConnectedMacsViewTest, ARefreshShowsLoadingForAnEmptyListAndDimsTheRestButOnlyItsOwnShowsItsLine)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    ConnectedMacsView &tab = open({}, false);
    struct Seen
    {
        ConnectedMacsView::ListState list;
        bool discoveryEnabled;
        bool line;
        bool rowsEnabled;
    };
    QList<Seen> seen;
    QObject::connect(model.get(), &ConnectedMacsViewModel::isRefreshingChanged, &tab, [&] {
        if (model->isRefreshing()) {
            bool rowsEnabled = true;
            for (ConnectedMacRow *row : tab.rows()) {
                rowsEnabled = rowsEnabled && row->isEnabled();
            }
            seen.append({tab.listState(), tab.discoveryModeView()->isEnabled(), tab.refreshingLine()->isVisibleTo(&tab),
                         rowsEnabled});
        }
    });
    // Showing the tab refreshes it, and says so.
    window->show();
    settle();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.at(0).list, ConnectedMacsView::ListState::Loading);
    // The loading card's busy line moves on the clock while it shows.
    for (BusyBar *bar : tab.findChildren<BusyBar *>()) {
        EXPECT_NE(bar->findChild<BusyAnimation *>(), nullptr);
    }
    EXPECT_FALSE(seen.at(0).discoveryEnabled);
    EXPECT_TRUE(seen.at(0).line);
    EXPECT_EQ(tab.listState(), ConnectedMacsView::ListState::Empty);
    EXPECT_TRUE(tab.discoveryModeView()->isEnabled());

    // A refresh from elsewhere (the launch) keeps the list, disables it and Discovery Mode, and shows no line.
    storage->addTestData(macs);
    test::runTask(model->refreshConnectedMacs());
    test::runTask(model->refreshConnectedMacs());
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen.at(2).list, ConnectedMacsView::ListState::List);
    EXPECT_FALSE(seen.at(2).discoveryEnabled);
    EXPECT_FALSE(seen.at(2).line);
    EXPECT_FALSE(seen.at(2).rowsEnabled);
    EXPECT_TRUE(tab.rows().first()->isEnabled());
    EXPECT_FALSE(tab.refreshingLine()->isVisible());
}

TEST_F(ConnectedMacsViewTest, CtrlRRefreshesWhileTheTabIsShown)
{
    open(PreviewFixtures::linkedMacs());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const int before = storage->listConnectedMacsCalls;
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    settle();
    EXPECT_EQ(storage->listConnectedMacsCalls, before + 1);
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Refreshing connected Macs")));
}

TEST_F(ConnectedMacsViewTest, RowsShowTheirComputersStateAndOfflineWithoutARecord)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    setStatuses(macs, {ConnectionState::Connected, ConnectionState::Error});
    ConnectedMacsView &tab = open(macs);
    EXPECT_EQ(badgeTexts(),
              (QStringList{QStringLiteral("Connected"), QStringLiteral("Error"), QStringLiteral("Offline")}));
    EXPECT_EQ(tab.rows().at(1)->connectionState(), ConnectionState::Error);

    // A ping later: the monitor's record changes and the row follows, in place.
    ConnectedMacRow *third = tab.rows().at(2);
    monitor->updateConnectionState(macs.at(2).id(), ConnectionState::Unstable);
    settle();
    EXPECT_EQ(tab.rows().at(2), third);
    EXPECT_EQ(third->statusBadge()->text(), QStringLiteral("Unstable"));
    for (const ConnectionState state : allConnectionStates) {
        SCOPED_TRACE(toString(state).toStdString());
        third->setMac(macs.at(2), state);
        EXPECT_EQ(third->statusBadge()->text(), ConnectedMacRow::badgeText(state));
        EXPECT_EQ(third->statusBadge()->look(), BadgeLook::tinted(ConnectedMacRow::stateColor(state)));
    }
}

TEST_F(ConnectedMacsViewTest, ARowWhoseIdentityIsClaimedTwiceSaysTransfersArePaused)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    setStatuses(macs, {ConnectionState::Connected, ConnectionState::Connected, ConnectionState::Connected});
    ConnectedMacsView &tab = open(macs);
    ConnectedMacRow *row = tab.rows().at(1);
    EXPECT_FALSE(row->identityConflictNote()->isVisible());

    directory->announceConflicts({macs.at(1).id()});
    monitor->updateConnectionState(macs.at(1).id(), ConnectionState::Disconnected);
    settle();
    EXPECT_EQ(tab.rows().at(1), row) << "the same row, in place";
    EXPECT_TRUE(row->hasIdentityConflict());
    EXPECT_EQ(badgeTexts(),
              (QStringList{QStringLiteral("Connected"), QStringLiteral("Paused"), QStringLiteral("Connected")}));
    EXPECT_EQ(row->statusBadge()->iconName(), QStringLiteral("exclamationmark.triangle"));
    EXPECT_EQ(row->statusBadge()->look(), BadgeLook::tinted(ThemeColor::Orange));
    EXPECT_TRUE(row->identityConflictNote()->isVisible());
    EXPECT_EQ(row->identityConflictNote()->fullText(),
              QStringLiteral("Another computer on the network is using this computer's identity. Transfers with it "
                             "are paused."));
    EXPECT_EQ(row->statusBadge()->accessibleName(), macs.at(1).name() + QStringLiteral(": Paused"));

    // Confirming a removal hides the note, as it hides the badge; backing out shows both again.
    QTest::mouseClick(row->disconnectButton(), Qt::LeftButton);
    EXPECT_FALSE(row->identityConflictNote()->isVisible());
    QTest::keyClick(row->confirmButton(), Qt::Key_Escape);
    EXPECT_TRUE(row->identityConflictNote()->isVisible());

    directory->announceConflicts({});
    monitor->updateConnectionState(macs.at(1).id(), ConnectionState::Connected);
    settle();
    EXPECT_FALSE(row->identityConflictNote()->isVisible());
    EXPECT_EQ(row->statusBadge()->text(), QStringLiteral("Connected"));
}

TEST_F(ConnectedMacsViewTest, RemovalIsConfirmedInlineWithReturnAndBackedOutWithEscape)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    ConnectedMacsView &tab = open(macs);
    ConnectedMacRow *first = tab.rows().at(0);
    ConnectedMacRow *living = tab.rows().at(1);

    QTest::mouseClick(living->disconnectButton(), Qt::LeftButton);
    ASSERT_TRUE(living->isConfirmingRemoval());
    // The name is isolated: a right-to-left name cannot reorder the question around it.
    EXPECT_EQ(living->nameLabel()->fullText(), QStringLiteral("Disconnect \u2068Living Room\u2069?"));
    EXPECT_TRUE(living->reconnectNote()->isVisible());
    EXPECT_EQ(living->reconnectNote()->fullText(),
              QStringLiteral("You can reconnect this computer any time via Discovery."));
    EXPECT_TRUE(living->confirmButton()->isVisible());
    EXPECT_FALSE(living->disconnectButton()->isVisible());
    EXPECT_FALSE(first->isConfirmingRemoval());

    QTest::keyClick(living->confirmButton(), Qt::Key_Escape);
    EXPECT_FALSE(living->isConfirmingRemoval());
    EXPECT_EQ(living->nameLabel()->fullText(), QStringLiteral("Living Room"));
    EXPECT_FALSE(discovery->calls.contains(QStringLiteral("remove ") + idText(macs.at(1).id())));

    // The store refuses: the row keeps asking, the reason shows above.
    discovery->removeError = StorageError::fileLockTimeout();
    QTest::mouseClick(living->disconnectButton(), Qt::LeftButton);
    QTest::keyClick(living->confirmButton(), Qt::Key_Return);
    settle();
    EXPECT_EQ(discovery->calls.last(), QStringLiteral("remove ") + idText(macs.at(1).id()));
    EXPECT_TRUE(living->isConfirmingRemoval());
    EXPECT_TRUE(tab.errorBanner()->isVisible());
    EXPECT_EQ(tab.errorBanner()->message(),
              QStringLiteral("Failed to disconnect from \u2068Living Room\u2069: ")
                  + StorageError::fileLockTimeout().userDescription());

    // While the list changes around it, the confirming row stays as it is.
    monitor->updateConnectionState(macs.at(0).id(), ConnectionState::Connected);
    Q_EMIT monitor->connectionStatusChanged(macs.at(0).id(), monitor->getConnectionStatus(macs.at(0).id()));
    settle();
    EXPECT_EQ(tab.rows().at(1), living);
    EXPECT_TRUE(living->isConfirmingRemoval());

    discovery->removeError.reset();
    QTest::keyClick(living->confirmButton(), Qt::Key_Enter, Qt::KeypadModifier);
    settle();
    EXPECT_FALSE(tab.errorBanner()->isVisible());
    ASSERT_EQ(tab.rows().size(), 2);
    EXPECT_EQ(tab.rows().at(0), first);
    EXPECT_EQ(tab.summaryBadge()->text(), QStringLiteral("2 computers linked"));
}

TEST_F(ConnectedMacsViewTest, OneRowConfirmsARemovalAtATime)
{
    ConnectedMacsView &tab = open(PreviewFixtures::linkedMacs());
    const QList<ConnectedMacRow *> rows = tab.rows();
    QTest::mouseClick(rows.at(0)->disconnectButton(), Qt::LeftButton);
    QTest::mouseClick(rows.at(2)->disconnectButton(), Qt::LeftButton);
    EXPECT_FALSE(rows.at(0)->isConfirmingRemoval());
    EXPECT_TRUE(rows.at(0)->disconnectButton()->isVisible());
    EXPECT_TRUE(rows.at(2)->isConfirmingRemoval());
    QTest::keyClick(rows.at(2)->confirmButton(), Qt::Key_Return);
    settle();
    EXPECT_EQ(tab.rows(), (QList<ConnectedMacRow *>{rows.at(0), rows.at(1)}));
    EXPECT_FALSE(rows.at(0)->isConfirmingRemoval());
}

TEST_F(ConnectedMacsViewTest, TheErrorBannerDismissesTheError)
{
    ConnectedMacsView &tab = open(PreviewFixtures::linkedMacs());
    storage->stubbedListConnectedMacsResponse = StorageError::diskFull();
    test::runTask(model->refreshConnectedMacs());
    ASSERT_TRUE(tab.errorBanner()->isVisible());
    EXPECT_TRUE(tab.errorBanner()->message().startsWith(QStringLiteral("Failed to refresh connected computers: ")));
    Q_EMIT tab.errorBanner()->dismissed();
    EXPECT_EQ(model->errorMessage(), std::nullopt);
    EXPECT_FALSE(tab.errorBanner()->isVisible());
}

TEST_F(ConnectedMacsViewTest, LeavingTheTabEndsDiscoveryModeButMinimisingDoesNot)
{
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
    ConnectedMacsView &tab = open(PreviewFixtures::linkedMacs());
    discovery->setState(DiscoveryServiceState::Active);
    settle();
    const int listings = storage->listConnectedMacsCalls;

    // The window goes to the task bar and comes back: the window system hides and shows it.
    QHideEvent minimised;
    QSpontaneKeyEvent::setSpontaneous(&minimised);
    QCoreApplication::instance()->notify(&tab, &minimised); // as the window system sends it
    QShowEvent restored;
    QSpontaneKeyEvent::setSpontaneous(&restored);
    QCoreApplication::instance()->notify(&tab, &restored);
    settle();
    EXPECT_FALSE(discovery->calls.contains(QStringLiteral("stopDiscovery")));
    EXPECT_TRUE(model->isDiscoveryActive());
    EXPECT_EQ(storage->listConnectedMacsCalls, listings) << "coming back from the task bar is no new visit";

    window->hide();
    settle();
    EXPECT_EQ(discovery->calls.count(QStringLiteral("stopDiscovery")), 1);
    EXPECT_FALSE(model->isDiscoveryActive());

    // Another visit refreshes again and finds Discovery Mode off.
    window->show();
    settle();
    EXPECT_EQ(storage->listConnectedMacsCalls, listings + 1);
    EXPECT_FALSE(tab.discoveryModeView()->discoverySwitch()->isChecked());
    EXPECT_TRUE(tab.discoveryModeView()->discoverySwitch()->isVisible());
}

TEST_F(ConnectedMacsViewTest, NamesFromOtherComputersAreShownAsTheyAre)
{
    const QString name = QStringLiteral("<b>x</b>&y");
    ConnectedMacsView &tab = open({PreviewFixtures::linkedMac(1, name)});
    ConnectedMacRow *row = tab.rows().first();
    EXPECT_EQ(row->nameLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(row->nameLabel()->text(), name);
    EXPECT_EQ(row->statusBadge()->accessibleName(), name + QStringLiteral(": Offline"));
    QTest::mouseClick(row->disconnectButton(), Qt::LeftButton);
    EXPECT_EQ(row->nameLabel()->text(), QStringLiteral("Disconnect \u2068<b>x</b>&y\u2069?"));
}

// Pictures ---------------------------------------------------------------------------------------

TEST_F(ConnectedMacsViewTest, ShotsOfEveryStateInLightAndDarkAtTwoWidths)
{
    const QList<ConnectedMac> macs = PreviewFixtures::linkedMacs();
    setStatuses(macs, {ConnectionState::Connected, ConnectionState::Unstable, ConnectionState::Disconnected});
    const struct
    {
        const char *name;
        QPalette palette;
    } looks[] = {{"light", lightPalette()}, {"dark", darkPalette()}};
    for (const auto &[look, palette] : looks) {
        for (const int width : {480, 680}) {
            const QString suffix = QStringLiteral("-%1-%2").arg(QLatin1String(look)).arg(width);
            SCOPED_TRACE(suffix.toStdString());

            // The first listing is out: the picture is taken while the model refreshes.
            ConnectedMacsView *tab = &openHidden({}, palette, width);
            bool loadingShot = false;
            QObject::connect(model.get(), &ConnectedMacsViewModel::isRefreshingChanged, window.get(), [&] {
                if (model->isRefreshing() && !loadingShot) {
                    loadingShot = true;
                    EXPECT_EQ(tab->listState(), ConnectedMacsView::ListState::Loading);
                    shoot(QStringLiteral("linked-loading") + suffix, width);
                }
            });
            window->show();
            settle();
            EXPECT_TRUE(loadingShot);
            EXPECT_EQ(tab->listState(), ConnectedMacsView::ListState::Empty);
            shoot(QStringLiteral("linked-empty") + suffix, width);

            tab = &openHidden(macs, palette, width);
            window->show();
            settle();
            ASSERT_EQ(
                badgeTexts(),
                (QStringList{QStringLiteral("Connected"), QStringLiteral("Unstable"), QStringLiteral("Offline")}));
            shoot(QStringLiteral("linked-three") + suffix, width);

            directory->announceConflicts({macs.at(2).id()});
            settle();
            shoot(QStringLiteral("linked-identity-conflict") + suffix, width);
            directory->announceConflicts({});
            settle();

            QTest::mouseClick(tab->rows().at(1)->disconnectButton(), Qt::LeftButton);
            shoot(QStringLiteral("linked-confirm-removal") + suffix, width);

            discovery->removeError = StorageError::fileLockTimeout();
            QTest::keyClick(tab->rows().at(1)->confirmButton(), Qt::Key_Return);
            settle();
            EXPECT_TRUE(tab->errorBanner()->isVisible());
            shoot(QStringLiteral("linked-error") + suffix, width);
            discovery->removeError.reset();

            discovery->setState(DiscoveryServiceState::Active);
            discovery->setSecurityCode(SecurityCode(QStringLiteral("K7Q2ZX"), PreviewFixtures::now()));
            discovery->setDiscoveredMacs(PreviewFixtures::nearbyMacs());
            settle();
            shoot(QStringLiteral("linked-discovery") + suffix, width);
            discovery->setDiscoveredMacs({});
            discovery->setState(DiscoveryServiceState::Idle);
        }
    }
}

TEST_F(ConnectedMacsViewTest, ShotOfAListOfHostileNames)
{
    const QList<ConnectedMac> macs{
        PreviewFixtures::linkedMac(1, QStringLiteral("<b>Bold</b> &amp; <a href=\"x\">link</a>")),
        PreviewFixtures::linkedMac(2, QString(63, QLatin1Char('W'))),
        PreviewFixtures::linkedMac(3, QStringLiteral("מחשב המשרד")),
        PreviewFixtures::linkedMac(4, QStringLiteral("حاسوب المكتب")),
        PreviewFixtures::linkedMac(5, QStringLiteral("\u202EStudio PC")),
    };
    setStatuses(macs,
                {ConnectionState::Connected, ConnectionState::Error, ConnectionState::Connecting,
                 ConnectionState::Unstable, ConnectionState::Disconnected});
    for (const int width : {480, 680}) {
        ConnectedMacsView &tab = openHidden(macs, lightPalette(), width);
        window->show();
        settle();
        shoot(QStringLiteral("linked-hostile-names-%1").arg(width), width);
        EXPECT_EQ(hostileNameFaults(*window), QStringList());
        // A right-to-left name asked about inside a sentence.
        ConnectedMacRow *hebrew = nullptr;
        for (ConnectedMacRow *row : tab.rows()) {
            hebrew = row->mac()->name().startsWith(QChar(0x05DE)) ? row : hebrew;
        }
        ASSERT_NE(hebrew, nullptr);
        QTest::mouseClick(hebrew->disconnectButton(), Qt::LeftButton);
        shoot(QStringLiteral("linked-hostile-names-confirm-%1").arg(width), width);
        EXPECT_EQ(hostileNameFaults(*window), QStringList());
    }
}

// The names as other computers announce them, paused by an identity conflict and asked about inside the
// removal's sentence: literal, long ones ending in "…", an override kept inside its name.
TEST_F(ConnectedMacsViewTest, ShotsOfHostileNamesPausedAndConfirmingTheirRemoval)
{
    QList<ConnectedMac> macs;
    QSet<QUuid> conflicts;
    for (const QString &name : hostileNames()) {
        macs.append(PreviewFixtures::linkedMac(20 + int(macs.size()), name));
        conflicts.insert(macs.last().id());
    }
    setStatuses(macs, QList<ConnectionState>(macs.size(), ConnectionState::Disconnected));
    for (const int width : {480, 680}) {
        SCOPED_TRACE(width);
        ConnectedMacsView &tab = openHidden(macs, lightPalette(), width);
        directory->announceConflicts(conflicts);
        window->show();
        settle();
        EXPECT_EQ(badgeTexts(), QStringList(macs.size(), QStringLiteral("Paused")));
        shoot(QStringLiteral("linked-hostile-names-paused-%1").arg(width), width);
        EXPECT_EQ(hostileNameFaults(*window), QStringList());
        ConnectedMacRow *overridden = nullptr;
        for (ConnectedMacRow *row : tab.rows()) {
            QTest::mouseClick(row->disconnectButton(), Qt::LeftButton);
            EXPECT_EQ(row->nameLabel()->fullText(),
                      QStringLiteral("Disconnect ") + UntrustedText::isolated(row->mac()->name()) + QLatin1Char('?'));
            // (The link record keeps the name without its override.)
            overridden = row->mac()->name() == QStringLiteral("Studio PC") ? row : overridden;
        }
        // One row confirms at a time: the one named with an override, asked last.
        ASSERT_NE(overridden, nullptr);
        if (!overridden->isConfirmingRemoval()) {
            QTest::mouseClick(overridden->disconnectButton(), Qt::LeftButton);
        }
        shoot(QStringLiteral("linked-hostile-names-confirm-override-%1").arg(width), width);
        EXPECT_EQ(hostileNameFaults(*window), QStringList());
        directory->announceConflicts({});
    }
}
