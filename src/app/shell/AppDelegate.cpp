#include "shell/AppDelegate.h"

#include "factories/MockServiceFactory.h"
#include "foundation/LogText.h"
#include "models/ConnectedMacsViewModel.h"
#include "models/DebugOpenScreenParser.h"
#include "models/DevicesViewModel.h"
#include "models/ToolbarOwnershipBootstrap.h"

namespace verandel {

AppDelegate::AppDelegate(RuntimeEnvironment runtimeEnvironment, LoggerFactoryPtr loggerFactory,
                         LaunchOptions launchOptions, ClockPtr clock, ServiceFactoryMaker makeServiceFactory,
                         QObject *parent)
    : QObject(parent)
    , m_runtimeEnvironment(std::move(runtimeEnvironment))
    , m_loggerFactory(std::move(loggerFactory))
    , m_launchOptions(std::move(launchOptions))
    , m_clock(std::move(clock))
    , m_makeServiceFactory(makeServiceFactory ? std::move(makeServiceFactory) : &makeDefaultServiceFactory)
    , m_logger(m_loggerFactory->createLogger(QStringLiteral("AppDelegate")))
{ }

AppDelegate::~AppDelegate() = default;

ServiceFactoryPtr AppDelegate::makeDefaultServiceFactory(const RuntimeEnvironment &runtime,
                                                         const LoggerFactoryPtr &loggerFactory)
{
    if (runtime.debugModeEnabled()) {
        return std::make_shared<MockServiceFactory>(
            runtime.debugContextFilePath(), runtime.debugFrameSenderDataFilePath(),
            runtime.debugFrameSenderConfigFilePath(), loggerFactory, nullptr, runtime);
    }
    return std::make_shared<DefaultServiceFactory>(loggerFactory, runtime);
}

QString AppDelegate::windowTitle(const QString &title, const std::optional<QString> &debugProfileName)
{
    if (!debugProfileName || debugProfileName->isEmpty()) {
        return title;
    }
    return QLatin1Char('[') + *debugProfileName + QStringLiteral("] ") + title;
}

std::unique_ptr<QSettings> AppDelegate::makeWindowSettings(const RuntimeEnvironment &runtime)
{
    if (runtime.debugModeEnabled() && runtime.storageBaseUrl()) {
        return std::make_unique<QSettings>(*runtime.storageBaseUrl() + QStringLiteral("window-settings.ini"),
                                           QSettings::IniFormat);
    }
    return std::make_unique<QSettings>();
}

bool AppDelegate::isOpenScreenWord(const QString &value)
{
    return DebugOpenScreenParser::parse(value).has_value();
}

void AppDelegate::handleReopen(const QString &screen, const QString &activationToken)
{
    m_hasHandledInitialUserActivation = true;
    if (m_reopen) {
        m_reopen(screen, activationToken);
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    ServiceFactoryPtr factory = m_makeServiceFactory(m_runtimeEnvironment, m_loggerFactory);
    if (m_runtimeEnvironment.debugModeEnabled()) {
        m_logger->info(QStringLiteral("Mock mode enabled with context path: ")
                       + m_runtimeEnvironment.debugContextFilePath());
    } else {
        m_logger->info(QStringLiteral("Initializing the application"));
    }
    m_appAssembler = std::make_unique<AppAssembler>(std::move(factory), m_loggerFactory, m_clock);
    m_appAssembler->startCoreServices();
    if (m_buildInterface) {
        m_buildInterface();
    }
    if (const std::optional<QString> &profile = m_runtimeEnvironment.debugProfileName();
        profile && !profile->isEmpty()) {
        m_logger->info(QStringLiteral("Menu bar showing debug profile indicator: ") + *profile);
    }
    // Started now, run once the launch has returned: the window and the tray come first, the
    // refreshes and what they write after them.
    QMetaObject::invokeMethod(
        this, [this] { m_startupTasks.emplace(runStartupTasks()); }, Qt::QueuedConnection);
    if (handleAutoOpenScreen()) {
        m_hasHandledInitialUserActivation = true;
    }
    m_logger->info(QStringLiteral("Application initialized successfully"));
    if (m_launchCompleted) {
        m_launchCompleted();
    }
}

QCoro::Task<> AppDelegate::runStartupTasks()
{
    co_await m_appAssembler->getConnectedMacsViewModel().refreshConnectedMacs();
    co_await m_appAssembler->getDevicesViewModel().refreshDevices(BluetoothRefreshSource::AppLaunchPassive);
    bootstrapLocalDeviceOwnershipIfNeeded();
}

void AppDelegate::bootstrapLocalDeviceOwnershipIfNeeded()
{
    const DeviceOwnershipServicePtr ownership = m_appAssembler->getDeviceOwnershipService();
    ToolbarOwnershipBootstrap::apply(
        m_appAssembler->getControlCoordinator()->currentMacId(),
        m_appAssembler->getDevicesViewModel().verandelDevices(), ownership->currentOwnershipState(),
        [&ownership](const QUuid &macId, const QStringList &addresses) { ownership->setOwner(macId, addresses); });
}

bool AppDelegate::handleAutoOpenScreen()
{
    if (!m_launchOptions.openScreen) {
        return false;
    }
    const QString &value = *m_launchOptions.openScreen;
    m_logger->info(QStringLiteral("Opening screen from command line: ") + escapeControlCharacters(value));
    return m_openScreen && m_openScreen(value);
}

GracefulShutdown::Outcome AppDelegate::applicationWillTerminate()
{
    m_shutdown = std::make_unique<GracefulShutdown>(m_clock, m_logger);
    if (!m_appAssembler) {
        return m_shutdown->run([]() -> QCoro::Task<> { co_return; });
    }
    AppAssembler *assembler = m_appAssembler.get();
    return m_shutdown->run([assembler] { return assembler->stopCoreServices(); });
}

void AppDelegate::abortTermination()
{
    if (m_shutdown && m_shutdown->isRunning()) {
        m_shutdown->abort();
    }
}

} // namespace verandel
