// The verandel program: a tray application on one Qt main loop.

#include "foundation/ResourceBundle.h"
#include "foundation/RuntimeEnvironmentLoader.h"
#include "foundation/SystemClock.h"
#include "shell/AppDelegate.h"
#include "shell/ApplicationShell.h"
#include "shell/ProgramBuild.h"
#include "shell/SignalQuitNotifier.h"
#include "shell/SingleInstance.h"
#include "update/RelaunchHandoff.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTimer>

#include <cstdio>

using namespace verandel;

int main(int argc, char **argv)
{
    // Log lines echoed to a file or a pipe arrive whole and at once, as on a terminal.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verandel"));
    QApplication::setOrganizationName(QStringLiteral("Verandel"));
    QApplication::setDesktopFileName(QStringLiteral("com.verandel.Verandel"));
    // A tray program: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    RuntimeEnvironmentLoader loader(environment,
                                    std::make_shared<ResourceBundle>(QCoreApplication::applicationDirPath()));
    const RuntimeEnvironment runtime = loader.load();
    const LoggerFactoryPtr loggerFactory = runtime.makeLoggerFactory();
    const LaunchOptions options = LaunchOptions::parse(QCoreApplication::arguments(), environment);

    // An update's relaunch: the version it replaces holds the single-instance name until it has stopped.
    const std::optional<qint64> replacedPid = RelaunchHandoff::oldPid(QCoreApplication::arguments());
    if (replacedPid
        && !RelaunchHandoff::awaitReplacedProcess(*replacedPid,
                                                  *loggerFactory->createLogger(QStringLiteral("RelaunchHandoff")))) {
        return 1;
    }

    SingleInstance instance(QDBusConnection::sessionBus(),
                            SingleInstance::serviceName(runtime.debugModeEnabled(), runtime.debugProfileName()),
                            AppDelegate::isOpenScreenWord,
                            loggerFactory->createLogger(QStringLiteral("SingleInstance")));
    if (instance.claim(replacedPid) == SingleInstance::Claim::Secondary) {
        // A login start finds the program already running: nothing to show.
        if (options.autostart) {
            return 0;
        }
        const QString screen = options.openScreen && AppDelegate::isOpenScreenWord(*options.openScreen)
            ? *options.openScreen
            : QString();
        const bool answered = SingleInstance::callReopen(
            QDBusConnection::sessionBus(),
            SingleInstance::serviceName(runtime.debugModeEnabled(), runtime.debugProfileName()), screen,
            SingleInstance::isAcceptableToken(options.activationToken) ? options.activationToken : QString());
        const std::optional<QString> profile
            = runtime.debugModeEnabled() ? runtime.debugProfileName() : std::optional<QString>();
        const QByteArray line = SingleInstance::handOverLine(profile, answered).toUtf8();
        std::fprintf(answered ? stdout : stderr, "%s\n", line.constData());
        return answered ? 0 : 1;
    }

    const ClockPtr clock = std::make_shared<SystemClock>();
    QApplication::setWindowIcon(QIcon(StatusTray::applicationIconPath));
    int exitCode = 0;
    {
        AppDelegate delegate(runtime, loggerFactory, options, clock);
        ApplicationShell shell(delegate, options, clock, ProgramBuild::thisProgram());
        shell.setWindowCascade(instance.otherInstanceCount());
        QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate, &AppDelegate::handleReopen);

        SignalQuitNotifier quitSignals;
        QObject::connect(&quitSignals, &SignalQuitNotifier::signalReceived, &delegate, [&delegate](int) {
            // The first signal quits; one that comes while stopping cuts the wait short.
            delegate.abortTermination();
            QCoreApplication::quit();
        });
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                         [&delegate] { delegate.applicationWillTerminate(); });
        // The launch runs once the loop does.
        QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
        exitCode = QApplication::exec();
    }
    // Waits cancelled as the shell and the services went end on the loop; let them.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return exitCode;
}
