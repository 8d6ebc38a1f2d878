#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/RuntimeEnvironment.h"
#include "shell/AppAssembler.h"
#include "shell/GracefulShutdown.h"
#include "shell/LaunchOptions.h"

#include <QObject>
#include <QSettings>

#include <functional>
#include <memory>
#include <optional>

namespace verandel {

// The program's life: the launch sequence over the chosen service factory, the routing of launch
// options and reopen requests, and the bounded stop at quit. Main thread only.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // Mock mode's factory in debug mode, the production one otherwise.
    using ServiceFactoryMaker = std::function<ServiceFactoryPtr(const RuntimeEnvironment &, const LoggerFactoryPtr &)>;
    // Opens a screen named by a launch option or a reopen; true when one will open.
    using ScreenOpener = std::function<bool(const QString &value)>;
    // Shows what a reopen asks for: the named screen, else the window the reopen rule picks.
    using ReopenHandler = std::function<void(const QString &screen, const QString &activationToken)>;

    AppDelegate(RuntimeEnvironment runtimeEnvironment, LoggerFactoryPtr loggerFactory, LaunchOptions launchOptions,
                ClockPtr clock, ServiceFactoryMaker makeServiceFactory = {}, QObject *parent = nullptr);
    ~AppDelegate() override;

    static ServiceFactoryPtr makeDefaultServiceFactory(const RuntimeEnvironment &runtime,
                                                       const LoggerFactoryPtr &loggerFactory);

    // "[profile] " before a window title when a debug profile is named.
    static QString windowTitle(const QString &title, const std::optional<QString> &debugProfileName);

    // Where window frames and other interface settings live: in debug mode a file in the profile's own
    // storage folder, so two profiles never share them; otherwise the user's Verandel settings.
    static std::unique_ptr<QSettings> makeWindowSettings(const RuntimeEnvironment &runtime);

    // Whether a text is one of the open-screen words (any letter case).
    static bool isOpenScreenWord(const QString &value);

    // The tray, the menu and the windows' owner: built right after the core services start, and told
    // when the launch is over.
    void setInterfaceBuilder(std::function<void()> build) { m_buildInterface = std::move(build); }
    void setLaunchCompletion(std::function<void()> completed) { m_launchCompleted = std::move(completed); }
    void setScreenOpener(ScreenOpener opener) { m_openScreen = std::move(opener); }
    void setReopenHandler(ReopenHandler handler) { m_reopen = std::move(handler); }

    // Builds and starts the services and handles the open-screen option; ends with "Application
    // initialized successfully".
    void applicationDidFinishLaunching();
    // Stops the core services within five seconds; returns when they have stopped or the time is up.
    GracefulShutdown::Outcome applicationWillTerminate();
    // A second quit request while stopping.
    void abortTermination();

    AppAssembler *appAssembler() const { return m_appAssembler.get(); }
    const RuntimeEnvironment &runtimeEnvironment() const { return m_runtimeEnvironment; }
    const LoggerPtr &logger() const { return m_logger; }
    bool hasHandledInitialUserActivation() const { return m_hasHandledInitialUserActivation; }
    void markInitialUserActivationHandled() { m_hasHandledInitialUserActivation = true; }

    // VERANDEL_AUTO_OPEN, else --open-screen; true when a screen will open.
    bool handleAutoOpenScreen();

    // Shared devices connected here that nobody owns become this computer's, so its pings carry them.
    void bootstrapLocalDeviceOwnershipIfNeeded();

public Q_SLOTS:
    // A second launch: counts as the user's activation.
    void handleReopen(const QString &screen, const QString &activationToken);

private:
    QCoro::Task<> runStartupTasks();

    RuntimeEnvironment m_runtimeEnvironment;
    LoggerFactoryPtr m_loggerFactory;
    LaunchOptions m_launchOptions;
    ClockPtr m_clock;
    ServiceFactoryMaker m_makeServiceFactory;
    LoggerPtr m_logger;
    std::function<void()> m_buildInterface;
    std::function<void()> m_launchCompleted;
    ScreenOpener m_openScreen;
    ReopenHandler m_reopen;
    std::unique_ptr<AppAssembler> m_appAssembler;
    std::unique_ptr<GracefulShutdown> m_shutdown;
    std::optional<QCoro::Task<>> m_startupTasks;
    bool m_hasHandledInitialUserActivation = false;
};

} // namespace verandel
