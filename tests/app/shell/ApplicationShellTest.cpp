#include "shell/ApplicationShell.h"

#include "ShellTestSupport.h"
#include "controlcenter/ControlCenterPanels.h"
#include "controlcenter/ControlCenterView.h"
#include "kit/ToggleSwitch.h"
#include "models/ConnectedMacsViewModel.h"
#include "models/DevicesViewModel.h"
#include "records/ConnectedMacInput.h"
#include "records/DeviceInput.h"
#include "settings/SettingsView.h"
#include "settings/general/GeneralSettingsView.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/Shots.h"
#include "support/UpdateReleaseKit.h"
#include "tray/ControlCenterStatusMenu.h"
#include "tray/StatusItemTransferFeedbackController.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString keyboard = QStringLiteral("AA:BB:CC:DD:EE:FF");
const QUuid studioId = QUuid(QStringLiteral("{5D1E0B8A-0C47-4B1B-9E0A-3A1C7B6F2E11}"));

// The whole shell over mock mode's graph, on the virtual clock, offscreen.
class ApplicationShellTest : public ::testing::Test
{
protected:
    void launch(QHash<QString, QString> variables = {}, LaunchOptions options = {})
    {
        start(std::move(variables), std::move(options));
        passTime(1.0);
    }

    // The launch alone, before any time passes.
    void start(QHash<QString, QString> variables, LaunchOptions options)
    {
        variables.insert(QStringLiteral("DEBUG_MODE"), QStringLiteral("true"));
        m_delegate = std::make_unique<AppDelegate>(
            m_graph.runtime(std::move(variables)), m_graph.logs, options, m_graph.clock,
            [this](const RuntimeEnvironment &runtime, const LoggerFactoryPtr &) {
                m_factory = m_graph.makeFactory(runtime);
                if (m_sharesKeyboard) {
                    m_factory->createDeviceStorageService()->addDevice(
                        DeviceInput{keyboard, QStringLiteral("Keyboard"), QStringLiteral("telemetry-1"), std::nullopt});
                }
                if (m_linksStudio) {
                    m_factory->createConnectedMacStorageService()->addConnectedMac(
                        ConnectedMacInput{studioId, QStringLiteral("Studio"), QStringLiteral("install-1"), {}});
                }
                return m_factory;
            });
        m_shell = std::make_unique<ApplicationShell>(*m_delegate, options, m_graph.clock, m_build,
                                                     [this] { return m_trayAvailable; });
        m_shell->setWindowCascade(m_otherInstances);
        m_delegate->applicationDidFinishLaunching();
    }

    // Virtual time in small steps, with the events each step lets through.
    void passTime(double seconds)
    {
        for (double passed = 0; passed < seconds - 1e-9; passed += 0.05) {
            settle();
            m_graph.clock->advance(0.05);
        }
        settle();
    }

    void TearDown() override
    {
        if (m_delegate) {
            m_delegate->applicationWillTerminate();
        }
        m_shell.reset();
        m_delegate.reset();
        // What the test left queued runs within it.
        settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        settle();
    }

    // The Verandel menu's "Check for Updates…" item of the Settings window, and its General tab.
    QAction *checkForUpdatesItem() const
    {
        const QMenu *menu = m_shell->settingsWindow()->menuBar()->actions().first()->menu();
        return menu->actions().at(1);
    }
    GeneralSettingsView *generalTab() const
    {
        const auto *settings = qobject_cast<SettingsView *>(m_shell->settingsWindow()->centralWidget());
        return settings ? qobject_cast<GeneralSettingsView *>(settings->currentTabView()) : nullptr;
    }

    QAction *tagged(int tag) const
    {
        for (QAction *action : m_shell->statusMenu()->menu()->actions()) {
            if (ControlCenterStatusMenu::tag(action) == tag) {
                return action;
            }
        }
        return nullptr;
    }

    ShellGraph m_graph;
    std::shared_ptr<RecordingServiceFactory> m_factory;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<ApplicationShell> m_shell;
    // As a default build: no feed, no key.
    ProgramBuild m_build{UpdaterConfiguration{}, *UpdateVersion::parse(QStringLiteral("1.0.0"))};
    bool m_trayAvailable = true;
    bool m_sharesKeyboard = false;
    bool m_linksStudio = false;
    int m_otherInstances = 0;
};

TEST_F(ApplicationShellTest, WindowsCarryTheProfileAndSettingsReopenedOnAnotherTabReplacesTheOld)
{
    launch({{QStringLiteral("DEBUG_PROFILE"), QStringLiteral("beta")}}, LaunchOptions{std::nullopt, true, {}});
    EXPECT_TRUE(m_shell->tray()->trayIcon().toolTip().endsWith(QStringLiteral(" (Debug Profile: beta)")));
    EXPECT_EQ(m_shell->activationPolicy(), ActivationPolicy::Accessory);

    m_shell->showSettingsWindow(SettingsTab::Devices);
    QPointer<QMainWindow> first = m_shell->settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("[beta] Settings"));
    EXPECT_GE(first->width(), SettingsView::minimumWidth);
    EXPECT_GE(first->height(), SettingsView::minimumHeight);
    EXPECT_EQ(first->menuBar()->actions().value(0)->text(), QStringLiteral("&Verandel"));
    EXPECT_EQ(m_shell->activationPolicy(), ActivationPolicy::Regular);

    m_shell->showSettingsWindow(SettingsTab::General);
    settle();
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    QMainWindow *second = m_shell->settingsWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_EQ(qobject_cast<SettingsView *>(second->centralWidget())->selectedTab(), SettingsTab::General);
    saveShot(*second, QStringLiteral("shell-settings-general"));

    m_shell->presentControlCenter(ControlCenterPresentationReason::UserCommand);
    QMainWindow *controlCenter = m_shell->controlCenterWindow();
    ASSERT_NE(controlCenter, nullptr);
    EXPECT_EQ(controlCenter->windowTitle(), QStringLiteral("[beta] Control Center"));
    EXPECT_GE(controlCenter->width(), ControlCenterWindowSizing::minContentWidth);
    EXPECT_LE(controlCenter->height(), ControlCenterWindowSizing::availableHeight(*controlCenter));
    // As tall as its cards: once laid out, no scroll bar, and the cards' margins are equal on both sides.
    settle();
    auto *cards = qobject_cast<ControlCenterView *>(controlCenter->centralWidget());
    ASSERT_NE(cards, nullptr);
    EXPECT_FALSE(cards->verticalScrollBar()->isVisible());
    const QRect thisComputer = cards->thisMacPanel()->geometry();
    EXPECT_EQ(thisComputer.left(), cards->widget()->width() - 1 - thisComputer.right());
    EXPECT_EQ(cards->widget()->width(), cards->width());
    saveShot(*controlCenter, QStringLiteral("shell-control-center"));

    second->close();
    settle();
    EXPECT_EQ(m_shell->activationPolicy(), ActivationPolicy::Regular);
    controlCenter->close();
    settle();
    EXPECT_EQ(m_shell->activationPolicy(), ActivationPolicy::Accessory);
    EXPECT_FALSE(m_shell->hasVisibleVerandelWindow());
}

// The mock pair's second instance: its windows open a step away from the first's, its icon carries its letter.
TEST_F(ApplicationShellTest, ASecondInstanceOpensItsWindowsOffsetAndMarksItsIcon)
{
    m_otherInstances = 1;
    launch({{QStringLiteral("DEBUG_PROFILE"), QStringLiteral("beta")}}, LaunchOptions{std::nullopt, true, {}});
    EXPECT_EQ(m_shell->feedback()->profileBadge(), QStringLiteral("B"));

    const auto expectOffset = [](QWidget *window) {
        ASSERT_NE(window, nullptr);
        QRect centred(QPoint(), window->size());
        centred.moveCenter(window->screen()->availableGeometry().center());
        const int step = ApplicationShell::windowCascadeStep;
        EXPECT_EQ(window->pos(), centred.topLeft() + QPoint(step, step)) << window->windowTitle().toStdString();
    };
    m_shell->showSettingsWindow(SettingsTab::General);
    expectOffset(m_shell->settingsWindow());
    m_shell->presentControlCenter(ControlCenterPresentationReason::UserCommand);
    expectOffset(m_shell->controlCenterWindow());

    // A window the user placed opens where it was left.
    QMainWindow *settings = m_shell->settingsWindow();
    settings->move(settings->pos() + QPoint(-30, 20));
    const QPoint placed = settings->pos();
    settings->close();
    settle();
    m_shell->showSettingsWindow(SettingsTab::Devices);
    EXPECT_EQ(m_shell->settingsWindow()->pos(), placed);
}

// The shell goes before the services (at quit): what is still queued for its windows never reaches them.
TEST_F(ApplicationShellTest, APublicationQueuedWhenTheShellGoesNeverReachesItsWindows)
{
    launch();
    m_shell->presentControlCenter(ControlCenterPresentationReason::UserCommand);
    m_shell->showSettingsWindow(SettingsTab::Devices);
    settle();
    Q_EMIT m_delegate->appAssembler()->getDevicesViewModel().verandelDevicesChanged();
    m_shell.reset();
    settle();
}

TEST_F(ApplicationShellTest, TheOpenScreenTabOpensHalfASecondAfterTheLaunchAndAnUnknownWordOpensNothing)
{
    launch({}, LaunchOptions{QStringLiteral("DEVICES"), true, {}});
    ASSERT_NE(m_shell->settingsWindow(), nullptr);
    EXPECT_EQ(qobject_cast<SettingsView *>(m_shell->settingsWindow()->centralWidget())->selectedTab(),
              SettingsTab::Devices);
    const QStringList lines = m_graph.logs->messages(LogLevel::Info, QStringLiteral("AppDelegate"));
    EXPECT_GT(lines.indexOf(QStringLiteral("Settings window shown on the tab Devices")),
              lines.indexOf(QStringLiteral("Application initialized successfully")));
}

TEST_F(ApplicationShellTest, TheDelayHasALowerBoundButNoUpperOne)
{
    start({}, LaunchOptions{QStringLiteral("control-center"), true, {}});
    EXPECT_TRUE(m_delegate->hasHandledInitialUserActivation());
    passTime(0.45);
    EXPECT_EQ(m_shell->controlCenterWindow(), nullptr);
    // However busy the loop was meanwhile, the window comes once the half second has passed.
    m_graph.clock->advance(10.0);
    passTime(0.1);
    EXPECT_NE(m_shell->controlCenterWindow(), nullptr);
    EXPECT_EQ(m_shell->windowCoordinator()->lastPresentationContext()->reason,
              ControlCenterPresentationReason::DebugOpenScreen);
}

TEST_F(ApplicationShellTest, AnUnknownScreenWordIsLoggedWithTheValidOnesAndOpensNothing)
{
    launch({}, LaunchOptions{QStringLiteral("connected_macs"), true, {}});
    passTime(1.0);
    EXPECT_EQ(m_shell->settingsWindow(), nullptr);
    EXPECT_EQ(m_shell->controlCenterWindow(), nullptr);
    EXPECT_TRUE(m_graph.logs->contains(LogLevel::Warning,
                                       QStringLiteral("Unknown screen value: connected_macs. Valid options: general, "
                                                      "connected-macs, devices, toolbar, control-center")));
    EXPECT_FALSE(m_delegate->hasHandledInitialUserActivation());
}

TEST_F(ApplicationShellTest, WithoutATrayHostTheControlCenterKeepsTheProgramUsable)
{
    m_trayAvailable = false;
    launch();
    EXPECT_NE(m_shell->controlCenterWindow(), nullptr);
    EXPECT_TRUE(m_graph.logs->containsSubstring(LogLevel::Warning, QStringLiteral("No system tray is available")));
}

TEST_F(ApplicationShellTest, AtLoginThePanelMayComeLaterAndAUserLaunchIsTheFirstActivation)
{
    m_trayAvailable = false;
    launch({}, LaunchOptions{std::nullopt, true, {}});
    passTime(10.0);
    m_trayAvailable = true;
    passTime(1.0);
    EXPECT_EQ(m_shell->controlCenterWindow(), nullptr);
    EXPECT_FALSE(m_delegate->hasHandledInitialUserActivation());
}

TEST_F(ApplicationShellTest, AUserLaunchPresentsTheControlCenterOnce)
{
    launch();
    ASSERT_NE(m_shell->controlCenterWindow(), nullptr);
    EXPECT_EQ(m_shell->windowCoordinator()->lastPresentationContext()->reason,
              ControlCenterPresentationReason::AppActivation);
    EXPECT_TRUE(m_delegate->hasHandledInitialUserActivation());
    EXPECT_FALSE(m_shell->tray()->trayIcon().toolTip().contains(QStringLiteral("Debug Profile")));
}

TEST_F(ApplicationShellTest, TheStatusMenuOffersLinkedComputersAndARefusedTransferSaysWhy)
{
    m_linksStudio = true;
    launch({}, LaunchOptions{std::nullopt, true, {}});
    m_shell->statusMenuWillOpen();
    EXPECT_TRUE(m_shell->isStatusMenuOpen());
    QAction *move = tagged(ControlCenterStatusMenu::transferCommandTag);
    ASSERT_NE(move, nullptr);
    // Names keep their own direction inside the sentence.
    const QString studio = QStringLiteral("\u2068Studio\u2069");
    EXPECT_EQ(move->text(), QStringLiteral("Move Devices to ") + studio);
    EXPECT_FALSE(move->isEnabled());
    EXPECT_TRUE(move->toolTip().contains(studio + QStringLiteral(" is not currently connected.")));

    // A choice is checked again when made: the computer is still not there.
    Q_EMIT m_shell->statusMenu()->transferRequested(
        QuickTransferAction{QuickTransferAction::Kind::SendControl, studioId, QStringLiteral("Studio")});
    EXPECT_EQ(m_shell->transferState().message(), QStringLiteral("Transfer unavailable for ") + studio + u'.');
    EXPECT_EQ(m_shell->feedback()->visualState(), MenuBarTransferFeedbackVisualState::Warning);
    EXPECT_EQ(m_shell->controlCenterWindow(), nullptr);
    m_shell->statusMenuDidClose();
    EXPECT_FALSE(m_shell->isStatusMenuOpen());
}

TEST_F(ApplicationShellTest, InstallUpdateShowsOnlyForAHeldUpdateTheUserInstalls)
{
    launch({}, LaunchOptions{std::nullopt, true, {}});
    UpdateCheckStatusObservable &status = m_shell->updateCheckStatus();
    const auto visible = [&] {
        m_shell->statusMenuWillOpen();
        m_shell->statusMenuDidClose();
        return tagged(ControlCenterStatusMenu::installUpdateCommandTag) != nullptr;
    };
    EXPECT_FALSE(visible());
    status.setPendingUpdate(UpdateAvailableInfo{QStringLiteral("1.1.0"), std::nullopt});
    EXPECT_FALSE(visible());
    status.setExplicitInstallActionAvailable(true);
    AppUpdatePreferencesStorePtr preferences = m_delegate->appAssembler()->getAppUpdatePreferencesStore();
    preferences->setAutomaticInstallationEnabled(false);
    EXPECT_TRUE(visible());
    EXPECT_EQ(m_shell->feedback()->visualState(), MenuBarTransferFeedbackVisualState::PendingUpdate);
    preferences->setAutomaticInstallationEnabled(true);
    EXPECT_FALSE(visible());
}

// A default build has no update command that does nothing: the menu's is disabled, and the General tab
// shows no check block but keeps its two switches.
TEST_F(ApplicationShellTest, ABuildWithoutFeedOrKeyOffersNoUpdateCheck)
{
    launch({}, LaunchOptions{std::nullopt, true, {}});
    m_shell->showSettingsWindow(SettingsTab::General);
    settle();
    QAction *check = checkForUpdatesItem();
    EXPECT_EQ(check->text(), QStringLiteral("Check for Updates…"));
    EXPECT_FALSE(check->isEnabled());
    GeneralSettingsView *general = generalTab();
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(general->checkForUpdatesBlock(), nullptr);
    EXPECT_TRUE(general->automaticChecksSwitch()->isVisibleTo(m_shell->settingsWindow()));
    EXPECT_TRUE(general->automaticInstallationSwitch()->isVisibleTo(m_shell->settingsWindow()));
    // A build made without a feed is meant to have no updater: it says so, without a warning.
    EXPECT_TRUE(m_graph.logs->containsSubstring(LogLevel::Info, QStringLiteral("Sparkle failed to start")));
    EXPECT_FALSE(m_graph.logs->containsSubstring(LogLevel::Warning, QStringLiteral("Sparkle failed to start")));
    saveShot(*general->column(), QStringLiteral("shell-settings-general-without-updater"));
}

// With a feed and a key the launch checks; the menu command is disabled while that check runs, then
// checks again when chosen, and the General tab has its check block.
TEST_F(ApplicationShellTest, ABuildWithFeedAndKeyChecksFromTheMenuAndTheGeneralTab)
{
    HttpTestServer server;
    server.serve("/appcast.xml", makeAppcast({}));
    m_build.updater = UpdaterConfiguration{server.url(QStringLiteral("/appcast.xml")).toString(),
                                           TestSigningKey::generate().publicKeyBase64()};
    launch({}, LaunchOptions{std::nullopt, true, {}});
    m_shell->showSettingsWindow(SettingsTab::General);
    QAction *check = checkForUpdatesItem();
    ASSERT_TRUE(waitUntil([&] { return check->isEnabled(); }, 20000)) << "the launch check ends";
    EXPECT_EQ(server.requestCount("/appcast.xml"), 1);
    check->trigger();
    settle();
    EXPECT_FALSE(check->isEnabled()) << "while the check runs";
    ASSERT_TRUE(waitUntil([&] { return check->isEnabled(); }, 20000));
    EXPECT_EQ(server.requestCount("/appcast.xml"), 2);
    EXPECT_TRUE(
        m_graph.logs->contains(LogLevel::Info, QStringLiteral("Sparkle: User initiated check for updates (menu)")));
    ASSERT_NE(generalTab(), nullptr);
    EXPECT_NE(generalTab()->checkForUpdatesBlock(), nullptr);
}

// The launch claims the shared devices connected here that nobody owns, so the pings this computer
// sends from then on list them (they come from the ownership map).
TEST_F(ApplicationShellTest, TheLaunchClaimsConnectedSharedDevicesForThisComputer)
{
    m_sharesKeyboard = true;
    launch({}, LaunchOptions{std::nullopt, true, {}});
    passTime(2.0);
    AppAssembler &assembler = *m_delegate->appAssembler();
    const QUuid here = assembler.getControlCoordinator()->currentMacId();
    EXPECT_EQ(assembler.getDeviceOwnershipService()->devicesOwnedBy(here), QStringList{keyboard.toLower()});
}

// Each step of a transfer sets the message and the icon; an inbound one that needs the user opens the
// Control Center, which closes by itself 1.5 s after that transfer succeeds.
TEST_F(ApplicationShellTest, TransferStepsDriveTheMessageTheIconAndTheWindow)
{
    launch({}, LaunchOptions{std::nullopt, true, {}});
    ControlCoordinator &coordinator = *m_delegate->appAssembler()->getControlCoordinator();
    const auto step = [&](ControlTransferProgressStatus status) {
        Q_EMIT coordinator.controlTransferProgressChanged(
            ControlTransferProgress{QStringLiteral("6c1f6a3e-0000-4000-8000-000000000001"),
                                    ControlTransferDirection::InboundTransfer, studioId, status, m_graph.clock->now()});
        settle();
    };
    step(ProgressStatus::UserActionRequired{});
    ASSERT_NE(m_shell->controlCenterWindow(), nullptr);
    EXPECT_EQ(m_shell->windowCoordinator()->ownership(), ControlCenterWindowOwnership::OperationOwned);
    EXPECT_TRUE(m_shell->transferState().message().has_value());
    EXPECT_NE(m_shell->feedback()->visualState(), MenuBarTransferFeedbackVisualState::Idle);

    step(ProgressStatus::Success{});
    EXPECT_EQ(m_shell->feedback()->visualState(), MenuBarTransferFeedbackVisualState::Success);
    EXPECT_TRUE(m_shell->windowCoordinator()->isAutoClosePending());
    passTime(1.6);
    EXPECT_FALSE(m_shell->hasVisibleVerandelWindow());
}

} // namespace
