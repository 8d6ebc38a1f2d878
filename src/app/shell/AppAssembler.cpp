#include "shell/AppAssembler.h"

#include "foundation/StorageError.h"
#include "models/ConnectedMacsViewModel.h"
#include "models/DevicesViewModel.h"

#include <stdexcept>

namespace verandel {

namespace {

QCoro::Task<> bootstrapBluetooth(BluetoothDeviceManagerPtr bluetooth)
{
    co_await bluetooth->bootstrapBluetooth();
}

QCoro::Task<> startAdvertising(MacDiscoveryServicePtr discovery, LoggerPtr logger, TestCoordinatorPtr testCoordinator)
{
    try {
        co_await discovery->startAdvertising();
    } catch (const std::exception &error) {
        logger->error(QStringLiteral("Failed to start advertising: ") + describeError(error));
    }
    if (testCoordinator) {
        testCoordinator->signal(QStringLiteral("startAdvertisingCompleted"));
    }
}

} // namespace

AppAssembler::AppAssembler(ServiceFactoryPtr serviceFactory, LoggerFactoryPtr loggerFactory, ClockPtr clock,
                           TestCoordinatorPtr testCoordinator)
    : m_serviceFactory(std::move(serviceFactory))
    , m_loggerFactory(std::move(loggerFactory))
    , m_clock(std::move(clock))
    , m_testCoordinator(std::move(testCoordinator))
    , m_logger(m_loggerFactory->createLogger(QStringLiteral("AppAssembler")))
{ }

AppAssembler::~AppAssembler() = default;

void AppAssembler::startCoreServices()
{
    m_logger->info(QStringLiteral("Starting core services"));
    getLaunchAtLoginService()->applyDefaultIfNeeded();
    m_controlCoordinator = m_serviceFactory->createControlCoordinator();
    // Started here, run once the launch has returned: the permission probes they begin with write the
    // permission state, which need not hold up the tray.
    QMetaObject::invokeMethod(
        &m_startUpContext,
        [this, bluetooth = getBluetoothDeviceManager()] {
            m_bluetoothBootstrap.emplace(bootstrapBluetooth(bluetooth));
        },
        Qt::QueuedConnection);
    getMetricsDispatchScheduler()->start();
    getNetworkBridge()->start();
    getConnectionMonitorService()->startMonitoring();
    QMetaObject::invokeMethod(
        &m_startUpContext,
        [this, discovery = getMacDiscoveryService()] {
            m_advertisingStart.emplace(startAdvertising(discovery, m_logger, m_testCoordinator));
        },
        Qt::QueuedConnection);
}

QCoro::Task<> AppAssembler::stopCoreServices()
{
    m_logger->info(QStringLiteral("Stopping core services"));
    getMetricsDispatchScheduler()->stop();
    m_logger->info(QStringLiteral("Stopping MacDiscoveryService"));
    const MacDiscoveryServicePtr discovery = getMacDiscoveryService();
    co_await discovery->stopAdvertising();
    m_logger->info(QStringLiteral("Stopping ConnectionMonitorService"));
    getConnectionMonitorService()->stopMonitoring();
    m_logger->info(QStringLiteral("Stopping NetworkBridge"));
    getNetworkBridge()->stop();
    m_logger->info(QStringLiteral("Core services stopped"));
}

std::shared_ptr<PeerCommunicationHub> AppAssembler::getEventHub()
{
    return m_serviceFactory->createEventHub();
}

std::shared_ptr<NetworkBridge> AppAssembler::getNetworkBridge()
{
    return m_serviceFactory->createNetworkBridge();
}

DeviceOwnershipServicePtr AppAssembler::getDeviceOwnershipService()
{
    return m_serviceFactory->createDeviceOwnershipService();
}

std::shared_ptr<ControlCoordinator> AppAssembler::getControlCoordinator() const
{
    if (!m_controlCoordinator) {
        throw std::logic_error("The control coordinator exists only once the core services have started");
    }
    return m_controlCoordinator;
}

ConnectedMacsViewModel &AppAssembler::getConnectedMacsViewModel()
{
    if (!m_connectedMacsViewModel) {
        // In this order, so the view model shares the one discovery service with start and stop.
        MacDiscoveryServicePtr discovery = getMacDiscoveryService();
        ConnectionMonitorServicePtr monitor = getConnectionMonitorService();
        LinkedPeerDirectoryPtr directory = getPeerDirectory();
        ConnectedMacStorageServicePtr storage = getConnectedMacStorageService();
        SystemPermissionCheckerPtr permissions = getSystemPermissionChecker();
        m_connectedMacsViewModel
            = std::make_unique<ConnectedMacsViewModel>(std::move(discovery), std::move(monitor), std::move(directory),
                                                       std::move(storage), std::move(permissions), *m_loggerFactory);
    }
    return *m_connectedMacsViewModel;
}

DevicesViewModel &AppAssembler::getDevicesViewModel()
{
    if (!m_devicesViewModel) {
        DeviceStorageServicePtr storage = getDeviceStorageService();
        BluetoothDeviceManagerPtr bluetooth = getBluetoothDeviceManager();
        SystemPermissionCheckerPtr permissions = getSystemPermissionChecker();
        MetricsPublisherPtr metrics = getMetricsPublisher();
        const QString installationId = getMacIdentifierService()->installationId();
        m_devicesViewModel = std::make_unique<DevicesViewModel>(
            std::move(storage), std::move(bluetooth), std::move(permissions), std::move(metrics), installationId,
            std::make_shared<const DeviceClassifier>(), m_clock, *m_loggerFactory);
    }
    return *m_devicesViewModel;
}

LaunchAtLoginServicePtr AppAssembler::getLaunchAtLoginService()
{
    return lazy(m_launchAtLoginService, [this] { return m_serviceFactory->createLaunchAtLoginService(); });
}

std::shared_ptr<MacIdentifierServiceProtocol> AppAssembler::getMacIdentifierService()
{
    return m_serviceFactory->createMacIdentifierService();
}

TelemetryPreferencesStorePtr AppAssembler::getTelemetryPreferencesStore()
{
    return m_serviceFactory->createTelemetryPreferencesStore();
}

AppUpdatePreferencesStorePtr AppAssembler::getAppUpdatePreferencesStore()
{
    return m_serviceFactory->createAppUpdatePreferencesStore();
}

MacDiscoveryServicePtr AppAssembler::getMacDiscoveryService()
{
    return lazy(m_macDiscoveryService, [this] { return m_serviceFactory->createMacDiscoveryService(); });
}

ConnectionMonitorServicePtr AppAssembler::getConnectionMonitorService()
{
    return m_serviceFactory->createConnectionMonitorService();
}

LinkedPeerDirectoryPtr AppAssembler::getPeerDirectory()
{
    return m_serviceFactory->createPeerDirectory();
}

ConnectedMacStorageServicePtr AppAssembler::getConnectedMacStorageService()
{
    return m_serviceFactory->createConnectedMacStorageService();
}

DeviceStorageServicePtr AppAssembler::getDeviceStorageService()
{
    return m_serviceFactory->createDeviceStorageService();
}

BluetoothDeviceManagerPtr AppAssembler::getBluetoothDeviceManager()
{
    return m_serviceFactory->createBluetoothDeviceManager();
}

SystemPermissionCheckerPtr AppAssembler::getSystemPermissionChecker()
{
    return m_serviceFactory->createSystemPermissionChecker();
}

MetricsPublisherPtr AppAssembler::getMetricsPublisher()
{
    return m_serviceFactory->createMetricsPublisher();
}

MetricsDispatchSchedulerPtr AppAssembler::getMetricsDispatchScheduler()
{
    return m_serviceFactory->createMetricsDispatchScheduler();
}

} // namespace verandel
