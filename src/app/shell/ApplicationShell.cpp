#include "shell/ApplicationShell.h"

#include "shell/AboutDialog.h"
#include "shell/DevicesSharedSource.h"
#include "shell/TransferActivityAdapter.h"
#include "shell/TransferProgressHandler.h"

#include "common/UrlOpener.h"
#include "controlcenter/ControlCenterView.h"
#include "models/ConnectedMacsViewModel.h"
#include "models/ControlCenterEntryPointPolicy.h"
#include "models/ControlCoordinatorAdapter.h"
#include "models/DebugOpenScreenParser.h"
#include "models/DeviceOwnershipAdapter.h"
#include "models/DevicesViewModel.h"
#include "models/VerandelAppIdentity.h"
#include "settings/SettingsView.h"
#include "tray/ControlCenterStatusMenu.h"
#include "tray/MenuBarTransferFeedbackIconRenderer.h"
#include "tray/QuickTransferController.h"
#include "tray/StatusItemTransferFeedbackController.h"
#include "updater/CheckForUpdatesMenuView.h"

#include "foundation/LogText.h"
#include "foundation/ResourceBundle.h"
#include "update/DetachedRelauncher.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>

namespace verandel {

namespace {

ConnectionStateMap connectionStatesOf(const ConnectionMonitorServiceProtocol::StatusTable &statuses)
{
    ConnectionStateMap states;
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it) {
        states.insert(it.key(), it.value()->connectionState());
    }
    return states;
}

// The launch's activation token, handed to the window system for the next activation only.
class ActivationToken
{
public:
    explicit ActivationToken(const QString &token)
        : m_set(!token.isEmpty())
    {
        if (m_set) {
            qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
        }
    }
    ~ActivationToken()
    {
        if (m_set) {
            qunsetenv("XDG_ACTIVATION_TOKEN");
        }
    }
    ActivationToken(const ActivationToken &) = delete;
    ActivationToken &operator=(const ActivationToken &) = delete;

private:
    bool m_set;
};

} // namespace

ApplicationShell::ApplicationShell(AppDelegate &delegate, LaunchOptions launchOptions, ClockPtr clock,
                                   ProgramBuild build, TrayHostWait::IsAvailable isTrayAvailable, QObject *parent)
    : QObject(parent)
    , m_delegate(delegate)
    , m_launchOptions(std::move(launchOptions))
    , m_clock(clock)
    , m_build(std::move(build))
    , m_logger(delegate.logger())
    , m_icons(std::make_shared<IconProvider>())
    , m_windowSettings(AppDelegate::makeWindowSettings(delegate.runtimeEnvironment()))
    , m_updateCheckStatus(std::make_shared<UpdateCheckStatusObservable>())
    , m_presentation(std::make_shared<QtPresentationApplication>())
    , m_openScreen(clock)
    , m_trayHostWait(clock, std::move(isTrayAvailable))
{
    m_delegate.setInterfaceBuilder([this] { buildInterface(); });
    m_delegate.setLaunchCompletion([this] { launchCompleted(); });
    m_delegate.setScreenOpener([this](const QString &value) { return openScreen(value); });
    m_delegate.setReopenHandler([this](const QString &screen, const QString &token) { handleReopen(screen, token); });

    connect(&m_applicationMenu, &ApplicationMenu::aboutRequested, this, &ApplicationShell::showAboutDialog);
    connect(&m_applicationMenu, &ApplicationMenu::settingsRequested, this, [this] {
        showSettingsWindow(SettingsTab::General);
        m_delegate.markInitialUserActivationHandled();
    });
    connect(&m_applicationMenu, &ApplicationMenu::controlCenterRequested, this, [this] {
        if (m_feedback) {
            m_feedback->clearOutcomeAfterManualInspection();
        }
        presentControlCenter(ControlCenterPresentationReason::UserCommand);
        m_delegate.markInitialUserActivationHandled();
    });
    connect(&m_applicationMenu, &ApplicationMenu::quitRequested, this, [] { QCoreApplication::quit(); });
}

ApplicationShell::~ApplicationShell()
{
    // The windows go before the services their views read. Their controllers leave them to deleteLater,
    // so they go now: a publication still queued for a view must not reach it after this shell's parts.
    m_settingsWindow.reset();
    m_windowCoordinator.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ApplicationShell::buildInterface()
{
    AppAssembler &assembler = *m_delegate.appAssembler();
    const std::optional<QString> &profile = m_delegate.runtimeEnvironment().debugProfileName();
    m_coordinator = std::make_shared<ControlCoordinatorAdapter>(assembler.getControlCoordinator());
    m_ownership = std::make_shared<DeviceOwnershipAdapter>(assembler.getDeviceOwnershipService());
    m_sharedDevices = std::make_unique<DevicesSharedSource>(assembler.getDevicesViewModel());

    startUpdater();
    m_windowCoordinator = std::make_unique<ControlCenterWindowCoordinator>(
        [this] { return makeControlCenterWindowController(); }, m_clock, m_presentation);

    const QIcon logo(StatusTray::applicationIconPath);
    StatusTray::rendersVisibly(logo, StatusTray::applicationIconPath, *m_logger);
    m_statusMenu = std::make_unique<ControlCenterStatusMenu>(m_icons);
    m_tray = std::make_shared<StatusTray>(logo, profile, m_statusMenu->menu(), m_logger);
    m_feedback = std::make_unique<StatusItemTransferFeedbackController>(m_tray, m_icons, m_clock);
    if (m_delegate.runtimeEnvironment().debugModeEnabled() && profile) {
        m_feedback->setProfileBadge(MenuBarTransferFeedbackIconRenderer::badgeLetter(*profile));
    }
    m_quickTransfers
        = std::make_unique<QuickTransferController>(m_coordinator, m_ownership, &m_transferState, m_feedback.get());

    ControlCenterStatusMenu *menu = m_statusMenu.get();
    connect(menu, &ControlCenterStatusMenu::controlCenterRequested, this, [this] {
        m_feedback->clearOutcomeAfterManualInspection();
        presentControlCenter(ControlCenterPresentationReason::UserCommand);
        m_delegate.markInitialUserActivationHandled();
    });
    connect(menu, &ControlCenterStatusMenu::transferRequested, this, &ApplicationShell::runQuickTransfer);
    connect(menu, &ControlCenterStatusMenu::installUpdateRequested, this, [this] {
        installPendingUpdate();
        m_delegate.markInitialUserActivationHandled();
    });
    connect(menu, &ControlCenterStatusMenu::settingsRequested, this, [this] {
        showSettingsWindow(SettingsTab::General);
        m_delegate.markInitialUserActivationHandled();
    });
    connect(menu, &ControlCenterStatusMenu::quitRequested, this, [] { QCoreApplication::quit(); });
    connect(menu->menu(), &QMenu::aboutToShow, this, &ApplicationShell::statusMenuWillOpen);
    connect(menu->menu(), &QMenu::aboutToHide, this, &ApplicationShell::statusMenuDidClose);
    connect(m_tray.get(), &StatusTray::activated, this, [this] { handleReopen({}, {}); });
    refreshInstallUpdateMenuItem();

    m_presentation->setActivationPolicy(ActivationPolicy::Accessory);
    m_progressHandler = std::make_unique<TransferProgressHandler>(m_coordinator, &m_transferState, m_feedback.get(),
                                                                  m_windowCoordinator.get());
    connect(m_updateCheckStatus.get(), &UpdateCheckStatusObservable::pendingUpdateChanged, this, [this] {
        m_feedback->setPendingUpdateBadgeVisible(m_updateCheckStatus->pendingUpdate().has_value());
        if (m_isStatusMenuOpen) {
            refreshInstallUpdateMenuItem();
        }
    });

    // Shown before a host exists: Qt embeds the icon once one appears.
    m_tray->show();
}

void ApplicationShell::launchCompleted()
{
    m_trayHostWait.start(m_launchOptions.autostart, [this](bool available) { onTrayHostAnswer(available); });
}

void ApplicationShell::onTrayHostAnswer(bool available)
{
    if (available) {
        m_logger->info(QStringLiteral("Tray icon shown"));
    } else {
        m_logger->warning(QStringLiteral("No system tray is available; showing the Control Center instead"));
        Q_EMIT trayUnavailable();
    }
    // A launch by the user is its first activation; a login start is not.
    const bool presentForActivation = !m_launchOptions.autostart
        && ControlCenterEntryPointPolicy::initialActivationDecision(m_delegate.hasHandledInitialUserActivation(),
                                                                    hasVisibleVerandelWindow(), m_isStatusMenuOpen)
            == InitialActivationRoutingDecision::PresentControlCenter;
    if (!available || presentForActivation) {
        m_delegate.markInitialUserActivationHandled();
        presentControlCenter(ControlCenterPresentationReason::AppActivation);
    } else if (!m_launchOptions.autostart && hasVisibleVerandelWindow()) {
        m_delegate.markInitialUserActivationHandled();
    }
}

void ApplicationShell::handleReopen(const QString &screen, const QString &activationToken)
{
    const ActivationToken token(activationToken);
    if (!screen.isEmpty() && openScreen(screen)) {
        return;
    }
    if (ControlCenterEntryPointPolicy::reopenDecision(hasVisibleVerandelWindow())
        == ControlCenterReopenRoutingDecision::PresentControlCenter) {
        presentControlCenter(ControlCenterPresentationReason::AppReopen);
    } else {
        bringVisibleVerandelWindowForward();
    }
}

bool ApplicationShell::openScreen(const QString &value)
{
    const std::optional<DebugOpenScreenTarget> target = DebugOpenScreenParser::parse(value);
    if (!target) {
        m_logger->warning(
            QStringLiteral("Unknown screen value: ") + escapeControlCharacters(value)
            + QStringLiteral(". Valid options: general, connected-macs, devices, toolbar, control-center"));
        return false;
    }
    if (const auto *tab = std::get_if<SettingsTab>(&*target)) {
        const SettingsTab selected = *tab;
        m_openScreen.start(openScreenDelay, [this, selected] { showSettingsWindow(selected); });
    } else {
        m_openScreen.start(openScreenDelay,
                           [this] { m_pendingPresentation.emplace(refreshThenPresentControlCenter(this)); });
    }
    return true;
}

QCoro::Task<> ApplicationShell::refreshThenPresentControlCenter(QPointer<ApplicationShell> shell)
{
    // The linked computers are read afresh before the window shows them.
    co_await shell->m_delegate.appAssembler()->getConnectedMacsViewModel().refreshConnectedMacs();
    if (shell) {
        shell->presentControlCenter(ControlCenterPresentationReason::DebugOpenScreen);
    }
}

void ApplicationShell::presentControlCenter(ControlCenterPresentationReason reason)
{
    if (m_windowCoordinator) {
        m_windowCoordinator->present({reason, ControlCenterWindowOwnership::UserOwned});
        m_logger->info(QStringLiteral("Control Center shown"));
    }
}

void ApplicationShell::statusMenuWillOpen()
{
    m_isStatusMenuOpen = true;
    m_delegate.bootstrapLocalDeviceOwnershipIfNeeded();
    const ConnectedMacsViewModel &linked = m_delegate.appAssembler()->getConnectedMacsViewModel();
    m_statusMenu->setTransferCommands(
        m_quickTransfers->commands(linked.connectedMacs(), connectionStatesOf(linked.connectionStatuses())));
    refreshInstallUpdateMenuItem();
}

void ApplicationShell::statusMenuDidClose()
{
    m_isStatusMenuOpen = false;
}

void ApplicationShell::refreshInstallUpdateMenuItem()
{
    if (!m_statusMenu) {
        return;
    }
    const bool visible = m_updateCheckStatus->pendingUpdate().has_value()
        && m_updateCheckStatus->isExplicitInstallActionAvailable()
        && !m_delegate.appAssembler()->getAppUpdatePreferencesStore()->isAutomaticInstallationEnabled();
    m_statusMenu->setInstallUpdateCommand(visible);
}

void ApplicationShell::runQuickTransfer(const QuickTransferAction &action)
{
    m_quickTransfers->run(action);
    m_delegate.markInitialUserActivationHandled();
}

std::unique_ptr<QMainWindow> ApplicationShell::makeWindow(const QString &title, QWidget *content)
{
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(AppDelegate::windowTitle(title, m_delegate.runtimeEnvironment().debugProfileName()));
    window->setMenuBar(m_applicationMenu.makeMenuBar());
    window->setCentralWidget(content);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
}

void ApplicationShell::showSettingsWindow(SettingsTab tab)
{
    // A new window every time, on the tab asked for.
    if (m_settingsWindow) {
        std::unique_ptr<QtWindowController> old = std::move(m_settingsWindow);
        old->presentedWindow()->close();
    }
    AppAssembler &assembler = *m_delegate.appAssembler();
    GeneralSettingsDependencies general;
    general.macIdentifierService = assembler.getMacIdentifierService();
    general.telemetryPreferencesStore = assembler.getTelemetryPreferencesStore();
    general.appUpdatePreferencesStore = assembler.getAppUpdatePreferencesStore();
    general.updateCheckStatus = m_updateCheckStatus;
    general.urlOpener = std::make_shared<UrlOpener>(*assembler.loggerFactory());
    const QPointer<ApplicationShell> guard(this);
    // Without an updater (no feed or key in this build) the tab offers no check that could only fail.
    if (m_updaterHolder && m_updaterHolder->updatesAvailable()) {
        general.onCheckForUpdates = [guard] {
            if (guard) {
                guard->checkForUpdates(QStringLiteral("settings"));
            }
        };
    }
    general.onInstallPendingUpdate = [guard] { return guard && guard->installPendingUpdate(); };
    general.onUpdatePreferencesChanged = [guard] {
        if (guard) {
            if (guard->m_updaterHolder) {
                guard->m_updaterHolder->applyUpdatePreferences();
            }
            guard->refreshInstallUpdateMenuItem();
        }
    };
    general.privacyPolicyPath
        = ResourceBundle(QCoreApplication::applicationDirPath()).url(QStringLiteral("privacy.html"));
    general.hostName = QSysInfo::machineHostName();
    general.appVersion = VerandelAppIdentity::currentAboutPanelOptions().applicationVersion;
    auto *view = new SettingsView(tab, &assembler.getConnectedMacsViewModel(), &assembler.getDevicesViewModel(),
                                  std::move(general), assembler.getLaunchAtLoginService(), m_icons, m_clock,
                                  *assembler.loggerFactory());
    std::unique_ptr<QMainWindow> window = makeWindow(QStringLiteral("Settings"), view);
    window->setMinimumSize(
        window->minimumSizeHint().expandedTo(QSize(SettingsView::minimumWidth, SettingsView::minimumHeight)));
    window->resize(window->minimumSize());
    m_settingsWindow = std::make_unique<QtWindowController>(std::move(window), QStringLiteral("SettingsWindow"),
                                                            m_windowSettings.get());
    QtWindowController *controller = m_settingsWindow.get();
    placeNewWindow(*controller);
    connect(controller, &QtWindowController::windowClosing, this, [this, controller] {
        if (m_settingsWindow.get() == controller) {
            m_settingsWindow.reset();
        }
        windowClosed();
    });
    WindowPresentationCoordinator::present(*controller, *m_presentation);
    m_logger->info(QStringLiteral("Settings window shown on the tab ") + toString(tab));
}

std::shared_ptr<WindowPresentationControlling> ApplicationShell::makeControlCenterWindowController()
{
    AppAssembler &assembler = *m_delegate.appAssembler();
    auto *view = new ControlCenterView(
        ControlCenterView::Services{&assembler.getConnectedMacsViewModel(), m_sharedDevices.get(), m_coordinator,
                                    m_ownership, assembler.getMacIdentifierService(), &m_transferState, m_clock},
        m_icons, {}, [guard = QPointer<ApplicationShell>(this)](SettingsAction action) {
            if (guard) {
                guard->handleSettingsAction(action);
            }
        });
    std::unique_ptr<QMainWindow> window = makeWindow(QStringLiteral("Control Center"), view);
    // The window is as tall as its cards want at its width (wrapped texts included), up to the screen.
    ControlCenterWindowSizing::apply(*window,
                                     view->fittingHeight(ControlCenterWindowSizing::idealContentWidth)
                                         + window->menuBar()->sizeHint().height());
    auto controller = std::make_shared<QtWindowController>(std::move(window), QStringLiteral("ToolbarWindow"),
                                                           m_windowSettings.get());
    m_controlCenterWindow = controller.get();
    placeNewWindow(*controller);
    connect(controller.get(), &QtWindowController::windowClosing, this, [this] {
        m_controlCenterWindow = nullptr;
        if (m_windowCoordinator) {
            m_windowCoordinator->clearPresentedWindow();
        }
        windowClosed();
    });
    return controller;
}

void ApplicationShell::placeNewWindow(QtWindowController &controller) const
{
    QWidget *window = controller.window();
    if (m_windowCascade <= 0 || controller.hasRestoredFrame() || !window) {
        return;
    }
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame(QPoint(), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    const int offset = windowCascadeStep * m_windowCascade;
    window->move(frame.topLeft() + QPoint(offset, offset));
}

void ApplicationShell::windowClosed()
{
    if (!m_settingsWindow && !m_controlCenterWindow) {
        m_presentation->setActivationPolicy(ActivationPolicy::Accessory);
    }
}

QMainWindow *ApplicationShell::settingsWindow() const
{
    return m_settingsWindow ? qobject_cast<QMainWindow *>(m_settingsWindow->window()) : nullptr;
}

QMainWindow *ApplicationShell::controlCenterWindow() const
{
    return m_controlCenterWindow ? qobject_cast<QMainWindow *>(m_controlCenterWindow->window()) : nullptr;
}

bool ApplicationShell::hasVisibleVerandelWindow() const
{
    const QMainWindow *controlCenter = controlCenterWindow();
    const QMainWindow *settings = settingsWindow();
    return (controlCenter && controlCenter->isVisible()) || (settings && settings->isVisible());
}

void ApplicationShell::bringVisibleVerandelWindowForward()
{
    m_logger->info(QStringLiteral("Bringing the open window forward"));
    if (QMainWindow *controlCenter = controlCenterWindow(); controlCenter && controlCenter->isVisible()) {
        WindowPresentationCoordinator::present(*m_controlCenterWindow, *m_presentation);
    } else if (QMainWindow *settings = settingsWindow(); settings && settings->isVisible()) {
        WindowPresentationCoordinator::present(*m_settingsWindow, *m_presentation);
    }
}

void ApplicationShell::handleSettingsAction(SettingsAction action)
{
    switch (action) {
    case SettingsAction::ShowGeneral: showSettingsWindow(SettingsTab::General); break;
    case SettingsAction::ShowConnectedMacs: showSettingsWindow(SettingsTab::ConnectedMacs); break;
    case SettingsAction::ShowDevices: showSettingsWindow(SettingsTab::Devices); break;
    case SettingsAction::CheckForUpdates: checkForUpdates(QStringLiteral("toolbar")); break;
    case SettingsAction::Quit: QCoreApplication::quit(); break;
    }
}

void ApplicationShell::startUpdater()
{
    AppAssembler &assembler = *m_delegate.appAssembler();
    const RuntimeEnvironment &runtime = m_delegate.runtimeEnvironment();
    const QString storage
        = runtime.storageBaseUrl().value_or(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                            + QStringLiteral("/com.verandel.Verandel"));
    auto urlOpener = std::make_shared<UrlOpener>(*assembler.loggerFactory());
    m_updaterHolder = UpdaterControllerHolder::make(
        m_updateCheckStatus, *assembler.loggerFactory(), runtime.sparkleFeedURL(),
        assembler.getAppUpdatePreferencesStore(),
        UpdateEngineEnvironment::forThisProcess(
            m_build.updater, m_build.version, m_clock, storage,
            std::make_shared<TransferActivityAdapter>(assembler.getControlCoordinator()),
            std::make_shared<DetachedRelauncher>()),
        [urlOpener](const QUrl &url) { urlOpener->openExternal(url); });
    m_updateCheckCoordinator = std::make_unique<UpdateCheckCoordinator>(m_updateCheckStatus, m_logger, m_clock);
    // The menu command follows the updater: disabled until its first value, and for good when it
    // cannot start.
    m_checkForUpdatesViewModel
        = std::make_unique<CheckForUpdatesViewModel>(m_updaterHolder->canCheckForUpdatesPublisher());
    const UpdaterControllerHolderPtr holder = m_updaterHolder;
    m_checkForUpdatesMenuView = std::make_unique<CheckForUpdatesMenuView>(
        m_checkForUpdatesViewModel.get(), [holder] { holder->checkForUpdates(); },
        assembler.loggerFactory()->createLogger(QStringLiteral("CheckForUpdatesMenuView")));
    m_applicationMenu.setCheckForUpdatesAction(m_checkForUpdatesMenuView->action());
    if (m_updaterHolder->start()) {
        m_updateCheckCoordinator->bind(m_updaterHolder->canCheckForUpdatesPublisher());
    }
}

void ApplicationShell::checkForUpdates(const QString &from)
{
    m_logger->info(QStringLiteral("User initiated check for updates (") + from + QLatin1Char(')'));
    if (m_updaterHolder) {
        m_updaterHolder->checkForUpdates();
    }
}

bool ApplicationShell::installPendingUpdate()
{
    return m_updaterHolder && m_updaterHolder->installPendingUpdateIfAvailable();
}

void ApplicationShell::showAboutDialog()
{
    auto *dialog = new AboutDialog(m_icons, VerandelAppIdentity::currentAboutPanelOptions());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace verandel
