// A headless mock-mode instance of the program for tests that run several instances as processes:
// builds the mock-mode service graph from the environment, starts the core services in the order the
// program starts them, and on SIGTERM or SIGINT stops them and exits.

#include "factories/MockServiceFactory.h"
#include "foundation/RuntimeEnvironmentLoader.h"
#include "foundation/StorageError.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using namespace verandel;

namespace {

// Below the five seconds a stopping program is given, so that the process is gone by then.
constexpr int shutdownBoundMs = 4000;

int signalSockets[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    (void)!::write(signalSockets[0], &byte, 1);
}

QCoro::Task<> bootstrapBluetooth(BluetoothDeviceManagerPtr bluetooth)
{
    co_await bluetooth->bootstrapBluetooth();
}

QCoro::Task<> startAdvertising(MacDiscoveryServicePtr discovery, LoggerPtr logger)
{
    try {
        co_await discovery->startAdvertising();
    } catch (const std::exception &error) {
        logger->error(QStringLiteral("Failed to start advertising: ") + describeError(error));
    }
}

QCoro::Task<> stopCoreServices(ServiceFactoryProtocol &factory, MacDiscoveryServicePtr discovery, LoggerPtr logger)
{
    logger->info(QStringLiteral("Stopping core services"));
    factory.createMetricsDispatchScheduler()->stop();
    logger->info(QStringLiteral("Stopping MacDiscoveryService"));
    co_await discovery->stopAdvertising();
    logger->info(QStringLiteral("Stopping ConnectionMonitorService"));
    factory.createConnectionMonitorService()->stopMonitoring();
    logger->info(QStringLiteral("Stopping NetworkBridge"));
    factory.createNetworkBridge()->stop();
    logger->info(QStringLiteral("Core services stopped"));
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Verandel"));
    QCoreApplication::setApplicationName(QStringLiteral("Verandel"));

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        return 1;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    RuntimeEnvironmentLoader loader(QProcessEnvironment::systemEnvironment(),
                                    std::make_shared<ResourceBundle>(QCoreApplication::applicationDirPath()));
    const RuntimeEnvironment runtime = loader.load();
    const LoggerFactoryPtr loggerFactory = runtime.makeLoggerFactory();
    const LoggerPtr logger = loggerFactory->createLogger(QStringLiteral("MockModeRunner"));
    if (!runtime.debugModeEnabled()) {
        logger->error(QStringLiteral("Mock mode runs only with DEBUG_MODE=true"));
        return 2;
    }
    MockServiceFactory factory(runtime.debugContextFilePath(), runtime.debugFrameSenderDataFilePath(),
                               runtime.debugFrameSenderConfigFilePath(), loggerFactory, nullptr, runtime);
    logger->info(QStringLiteral("Mock mode enabled with context path: ") + runtime.debugContextFilePath());

    logger->info(QStringLiteral("Starting core services"));
    const LaunchAtLoginServicePtr launchAtLogin = factory.createLaunchAtLoginService();
    launchAtLogin->applyDefaultIfNeeded();
    const std::shared_ptr<ControlCoordinator> controlCoordinator = factory.createControlCoordinator();
    const QCoro::Task<> bootstrapping = bootstrapBluetooth(factory.createBluetoothDeviceManager());
    factory.createMetricsDispatchScheduler()->start();
    factory.createNetworkBridge()->start();
    factory.createConnectionMonitorService()->startMonitoring();
    const MacDiscoveryServicePtr discovery = factory.createMacDiscoveryService();
    const QCoro::Task<> advertising = startAdvertising(discovery, logger);

    std::optional<QCoro::Task<>> stopping;
    QSocketNotifier signalNotifier(signalSockets[1], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        (void)!::read(signalSockets[1], &byte, 1);
        if (stopping) {
            return;
        }
        QTimer::singleShot(shutdownBoundMs, Qt::PreciseTimer, &app, [logger] {
            logger->error(QStringLiteral("Stopping the core services timed out"));
            QCoreApplication::exit(1);
        });
        stopping.emplace(stopCoreServices(factory, discovery, logger));
    });
    return QCoreApplication::exec();
}
