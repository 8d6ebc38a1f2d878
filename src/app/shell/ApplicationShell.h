#pragma once

#include "shell/AppDelegate.h"
#include "shell/ApplicationMenu.h"
#include "shell/ProgramBuild.h"
#include "shell/StatusTray.h"
#include "shell/TrayHostWait.h"

#include "controlcenter/ControlCenterWindowCoordinator.h"
#include "foundation/DelayedCall.h"
#include "kit/IconProvider.h"
#include "kit/QtWindowController.h"
#include "models/ControlCenterTransferState.h"
#include "models/ControlCoordinatorProtocol.h"
#include "models/DeviceOwnershipProtocol.h"
#include "models/SettingsTab.h"
#include "models/ToolbarAction.h"
#include "update/UpdateCheckCoordinator.h"
#include "update/UpdateCheckStatusObservable.h"
#include "update/UpdaterControllerHolder.h"

#include <QObject>
#include <QPointer>
#include <QSettings>

#include <memory>

class QMainWindow;

namespace verandel {

class CheckForUpdatesMenuView;
class CheckForUpdatesViewModel;
class ControlCenterStatusMenu;
class DevicesSharedSource;
class QuickTransferController;
class StatusItemTransferFeedbackController;
class TransferProgressHandler;
struct QuickTransferAction;

// What the user sees of the running program: the tray icon with the status menu, the Settings and
// Control Center windows with their menu bars, and the routing of launch options, the first activation
// and reopen requests to them. Built by the delegate right after the core services start.
class ApplicationShell final : public QObject
{
    Q_OBJECT

public:
    static constexpr double openScreenDelay = 0.5;
    // How far down and right a window opens for each other instance running (another debug profile).
    static constexpr int windowCascadeStep = 48;

    ApplicationShell(AppDelegate &delegate, LaunchOptions launchOptions, ClockPtr clock, ProgramBuild build,
                     TrayHostWait::IsAvailable isTrayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                     QObject *parent = nullptr);
    ~ApplicationShell() override;

    void showSettingsWindow(SettingsTab tab);
    // The Control Center through its one coordinator.
    void presentControlCenter(ControlCenterPresentationReason reason);
    void handleSettingsAction(SettingsAction action);
    bool hasVisibleVerandelWindow() const;
    void bringVisibleVerandelWindowForward();
    // Opens a screen named by a launch option or a reopen, half a second later; false for no screen.
    bool openScreen(const QString &value);
    // Other instances were running at launch: a window with no saved frame opens that many steps down and
    // right of the screen's centre, where the desktop puts the first instance's, so it does not cover it.
    void setWindowCascade(int otherInstances) { m_windowCascade = otherInstances; }

    StatusTray *tray() const { return m_tray.get(); }
    ControlCenterStatusMenu *statusMenu() const { return m_statusMenu.get(); }
    ControlCenterWindowCoordinator *windowCoordinator() const { return m_windowCoordinator.get(); }
    StatusItemTransferFeedbackController *feedback() const { return m_feedback.get(); }
    ControlCenterTransferState &transferState() { return m_transferState; }
    UpdateCheckStatusObservable &updateCheckStatus() const { return *m_updateCheckStatus; }
    ApplicationMenu &applicationMenu() { return m_applicationMenu; }
    QMainWindow *settingsWindow() const;
    QMainWindow *controlCenterWindow() const;
    bool isStatusMenuOpen() const { return m_isStatusMenuOpen; }
    ActivationPolicy activationPolicy() const { return m_presentation->activationPolicy(); }

    // The menu is about to open: the quick transfers and the install item are worked out again.
    void statusMenuWillOpen();
    void statusMenuDidClose();
    void refreshInstallUpdateMenuItem();

Q_SIGNALS:
    // No tray host: the Control Center is shown so that the program stays usable.
    void trayUnavailable();

private:
    void buildInterface();
    void launchCompleted();
    void onTrayHostAnswer(bool available);
    void handleReopen(const QString &screen, const QString &activationToken);
    void runQuickTransfer(const QuickTransferAction &action);
    std::shared_ptr<WindowPresentationControlling> makeControlCenterWindowController();
    std::unique_ptr<QMainWindow> makeWindow(const QString &title, QWidget *content);
    void placeNewWindow(QtWindowController &controller) const;
    void windowClosed();
    void showAboutDialog();
    void startUpdater();
    void checkForUpdates(const QString &from);
    bool installPendingUpdate();
    static QCoro::Task<> refreshThenPresentControlCenter(QPointer<ApplicationShell> shell);

    AppDelegate &m_delegate;
    LaunchOptions m_launchOptions;
    ClockPtr m_clock;
    ProgramBuild m_build;
    LoggerPtr m_logger;
    IconProviderPtr m_icons;
    std::unique_ptr<QSettings> m_windowSettings;
    ApplicationMenu m_applicationMenu;
    ControlCenterTransferState m_transferState;
    UpdateCheckStatusPtr m_updateCheckStatus;
    std::shared_ptr<QtPresentationApplication> m_presentation;
    ControlCoordinatorProtocolPtr m_coordinator;
    DeviceOwnershipProtocolPtr m_ownership;
    std::unique_ptr<DevicesSharedSource> m_sharedDevices;
    std::shared_ptr<StatusTray> m_tray;
    std::unique_ptr<StatusItemTransferFeedbackController> m_feedback;
    std::unique_ptr<ControlCenterWindowCoordinator> m_windowCoordinator;
    std::unique_ptr<ControlCenterStatusMenu> m_statusMenu;
    std::unique_ptr<QuickTransferController> m_quickTransfers;
    std::unique_ptr<TransferProgressHandler> m_progressHandler;
    UpdaterControllerHolderPtr m_updaterHolder;
    std::unique_ptr<UpdateCheckCoordinator> m_updateCheckCoordinator;
    std::unique_ptr<CheckForUpdatesViewModel> m_checkForUpdatesViewModel;
    std::unique_ptr<CheckForUpdatesMenuView> m_checkForUpdatesMenuView;
    std::unique_ptr<QtWindowController> m_settingsWindow;
    QPointer<QtWindowController> m_controlCenterWindow;
    DelayedCall m_openScreen;
    std::optional<QCoro::Task<>> m_pendingPresentation;
    TrayHostWait m_trayHostWait;
    bool m_isStatusMenuOpen = false;
    int m_windowCascade = 0;
};

} // namespace verandel
