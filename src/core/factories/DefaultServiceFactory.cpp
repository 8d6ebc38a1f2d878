#include "factories/DefaultServiceFactory.h"

#include "avahi/AvahiBrowserFactory.h"
#include "avahi/AvahiServiceAdvertiser.h"
#include "avahi/AvahiServiceResolver.h"
#include "bluetooth/BluetoothDeviceManager.h"
#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"
#include "bluetooth/ReactiveBluetoothDeviceManager.h"
#include "desktop/LaunchAtLoginService.h"
#include "factories/OnDemandBluetoothDeviceManager.h"
#include "factories/OnDemandBrowserFactory.h"
#include "factories/OnDemandNetworkPathSource.h"
#include "factories/OnDemandServiceAdvertiser.h"
#include "factories/OnDemandServiceResolver.h"
#include "foundation/PosixFileManager.h"
#include "foundation/SystemClock.h"
#include "linking/ConnectionMonitorService.h"
#include "linking/MacDiscoveryService.h"
#include "linking/NetworkPathSource.h"
#include "linking/PeerDirectoryService.h"
#include "mock/AuthorizedBluetoothProbe.h"
#include "mock/MockBluetoothDeviceManager.h"
#include "peer/dnssd/BonjourDiscoveryTransport.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "records/ConnectedMacStorageService.h"
#include "records/DeviceStorageService.h"
#include "records/MacIdentifierService.h"
#include "telemetry/DefaultMetricsConsentProvider.h"
#include "telemetry/DefaultMetricsRuntimeMetadataProvider.h"
#include "telemetry/MetricsDispatchScheduler.h"
#include "telemetry/MetricsPublisher.h"
#include "telemetry/MetricsQueueStore.h"
#include "telemetry/NetworkAccessMetricsHTTPClient.h"
#include "update/UserLocalInstallation.h"

#include <QCoreApplication>
#include <QDir>

namespace verandel {

namespace {

// Returns the kept object, making it first when there is none.
template <typename T, typename Make>
std::shared_ptr<T> lazily(std::shared_ptr<T> &slot, Make make)
{
    if (!slot) {
        slot = make();
    }
    return slot;
}

} // namespace

DefaultServiceFactory::DefaultServiceFactory(LoggerFactoryPtr loggerFactory, RuntimeEnvironment runtimeEnvironment,
                                             ServiceFactoryPlatform platform)
    : m_loggerFactory(std::move(loggerFactory))
    , m_runtimeEnvironment(std::move(runtimeEnvironment))
    , m_clock(platform.clock ? std::move(platform.clock) : std::make_shared<SystemClock>())
    , m_systemBus(std::make_shared<SystemBus>(std::move(platform.systemBus)))
{ }

DefaultServiceFactory::~DefaultServiceFactory() = default;

// The edges -------------------------------------------------------------------------------------------

std::shared_ptr<DiscoveryProtocol> DefaultServiceFactory::makeDiscoveryTransport()
{
    // The maker keeps the logger factory alive: Avahi's browser factory holds on to it by reference.
    auto browserFactory
        = std::make_shared<OnDemandBrowserFactory>([bus = m_systemBus, loggerFactory = m_loggerFactory] {
              return std::make_shared<AvahiBrowserFactory>(bus->connection(), *loggerFactory);
          });
    return std::make_shared<BonjourDiscoveryTransport>(std::move(browserFactory), *m_loggerFactory, m_clock);
}

std::shared_ptr<MacIdentifierServiceProtocol> DefaultServiceFactory::makeMacIdentifierService()
{
    return std::make_shared<MacIdentifierService>(*m_loggerFactory, storageManager(), m_clock,
                                                  MachineId::systemReader());
}

BluetoothDeviceManagerPtr DefaultServiceFactory::makeRawBluetoothDeviceManager()
{
    if (m_runtimeEnvironment.bluetoothMode() == BluetoothMode::Mock) {
        return std::make_shared<MockBluetoothDeviceManager>(*m_loggerFactory, m_clock, simulatedBluetoothOperationDelay,
                                                            ConnectionStatus::PairedNotConnected);
    }
    return std::make_shared<OnDemandBluetoothDeviceManager>(
        [bus = m_systemBus, clock = m_clock, loggerFactory = m_loggerFactory] {
            return BluetoothDeviceManager::create(bus->bluezClient(), clock, loggerFactory,
                                                  BluetoothSystemAccessMode::Live, true);
        });
}

SystemPermissionChecker::Probes DefaultServiceFactory::makePermissionProbes()
{
    // Each probe reaches the bus only when it is made, that is when a permission is first checked.
    const auto systemProbes = [bus = m_systemBus, clock = m_clock] {
        return SystemPermissionChecker::systemProbes(bus->connection(), clock, bus->bluezClient());
    };
    SystemPermissionChecker::Probes probes;
    probes.localNetwork = [systemProbes] { return systemProbes().localNetwork(); };
    probes.bluetooth = [systemProbes] { return systemProbes().bluetooth(); };
    probes.launcher = &SystemPermissionChecker::launchDetached;
    if (m_runtimeEnvironment.bluetoothMode() == BluetoothMode::Mock) {
        // On Linux the Bluetooth "permission" is a working bluetoothd, which a simulated Bluetooth
        // layer neither has nor needs.
        probes.bluetooth = AuthorizedBluetoothProbe::factory();
    }
    return probes;
}

FrameSenderPtr DefaultServiceFactory::makeFrameSender()
{
    return makeNetworkFrameSender();
}

std::shared_ptr<FrameListenerProtocol> DefaultServiceFactory::makeFrameListener()
{
    return std::make_shared<EphemeralFrameListener>(m_loggerFactory, m_clock, makeAvahiAdvertiser());
}

MetricsPublisherPtr DefaultServiceFactory::makeMetricsPublisher()
{
    return std::make_shared<MetricsPublisher>(metricsQueueStore(), metricsConsentProvider(),
                                              metricsRuntimeMetadataProvider(), metricsDispatchScheduler(),
                                              *m_loggerFactory);
}

FrameSenderPtr DefaultServiceFactory::makeNetworkFrameSender()
{
    auto resolver = std::make_shared<OnDemandServiceResolver>([bus = m_systemBus, loggerFactory = m_loggerFactory] {
        return std::make_shared<AvahiServiceResolver>(bus->connection(), *loggerFactory);
    });
    return std::make_shared<EphemeralFrameSender>(m_loggerFactory, m_clock, frameSenderConnectionTimeout,
                                                  std::move(resolver));
}

std::shared_ptr<ServiceAdvertiserProtocol> DefaultServiceFactory::makeAvahiAdvertiser()
{
    return std::make_shared<OnDemandServiceAdvertiser>([bus = m_systemBus, loggerFactory = m_loggerFactory] {
        return std::make_shared<AvahiServiceAdvertiser>(bus->connection(), *loggerFactory);
    });
}

// The kept services -----------------------------------------------------------------------------------

StorageManagerPtr DefaultServiceFactory::storageManager()
{
    return lazily(m_storageManager, [this] {
        return StorageManager::create(std::make_shared<PosixFileManager>(), m_clock,
                                      m_runtimeEnvironment.storageBaseUrl(), *m_loggerFactory);
    });
}

std::shared_ptr<MacIdentifierServiceProtocol> DefaultServiceFactory::createMacIdentifierService()
{
    return lazily(m_macIdentifierService, [this] { return makeMacIdentifierService(); });
}

std::shared_ptr<DiscoveryProtocol> DefaultServiceFactory::discovery()
{
    return lazily(m_discovery, [this] { return makeDiscoveryTransport(); });
}

ConnectedMacStorageServicePtr DefaultServiceFactory::createConnectedMacStorageService()
{
    return lazily(m_connectedMacStorageService, [this] {
        return std::make_shared<ConnectedMacStorageService>(storageManager(), *m_loggerFactory, m_clock);
    });
}

std::shared_ptr<PeerCommunicationHub> DefaultServiceFactory::createEventHub()
{
    return lazily(m_eventHub, [this] { return std::make_shared<PeerCommunicationHub>(m_loggerFactory); });
}

std::shared_ptr<FrameListenerProtocol> DefaultServiceFactory::frameListener()
{
    return lazily(m_frameListener, [this] { return makeFrameListener(); });
}

BluetoothDeviceManagerPtr DefaultServiceFactory::rawBluetoothDeviceManager()
{
    return lazily(m_rawBluetoothDeviceManager, [this] { return makeRawBluetoothDeviceManager(); });
}

BluetoothDeviceManagerPtr DefaultServiceFactory::permissionGuardedBluetoothDeviceManager()
{
    return lazily(m_permissionGuardedBluetoothDeviceManager, [this] {
        return std::make_shared<PermissionGuardedBluetoothDeviceManager>(
            rawBluetoothDeviceManager(), createSystemPermissionChecker(), *m_loggerFactory);
    });
}

BluetoothDeviceManagerPtr DefaultServiceFactory::createBluetoothDeviceManager()
{
    return lazily(m_bluetoothDeviceManager, [this] {
        return std::make_shared<ReactiveBluetoothDeviceManager>(permissionGuardedBluetoothDeviceManager(),
                                                                *m_loggerFactory);
    });
}

DeviceOwnershipServicePtr DefaultServiceFactory::createDeviceOwnershipService()
{
    return lazily(m_deviceOwnershipService, [this] {
        return std::make_shared<DeviceOwnershipService>(createEventHub(), createDeviceStorageService(),
                                                        createBluetoothDeviceManager(), *m_loggerFactory);
    });
}

ConnectionMonitorServicePtr DefaultServiceFactory::createConnectionMonitorService()
{
    return lazily(m_connectionMonitorService, [this] {
        m_networkPath
            = std::make_shared<OnDemandNetworkPathSource>([] { return std::make_shared<NetworkPathSource>(); });
        auto monitor = std::make_shared<ConnectionMonitorService>(
            createConnectedMacStorageService(), createEventHub(), peerDirectory(), createDeviceOwnershipService(),
            createMacIdentifierService(), *m_loggerFactory, connectionMonitorConfiguration, m_clock, m_networkPath);
        OnDemandNetworkPathSource *path = m_networkPath.get();
        QObject::connect(monitor.get(), &ConnectionMonitorServiceProtocol::monitoringStateChanged, path,
                         [path](MonitoringState state) {
                             if (state == MonitoringState::Starting) {
                                 path->begin();
                             }
                         });
        return monitor;
    });
}

SystemPermissionCheckerPtr DefaultServiceFactory::createSystemPermissionChecker()
{
    return lazily(m_systemPermissionChecker, [this] {
        return std::make_shared<SystemPermissionChecker>(storageManager(), *m_loggerFactory, m_clock,
                                                         makePermissionProbes(), permissionProbeTimeout);
    });
}

MetricsQueueStorePtr DefaultServiceFactory::metricsQueueStore()
{
    return lazily(m_metricsQueueStore,
                  [this] { return std::make_shared<MetricsQueueStore>(storageManager(), *m_loggerFactory, m_clock); });
}

MetricsHTTPClientPtr DefaultServiceFactory::metricsHTTPClient()
{
    return lazily(m_metricsHTTPClient, [] { return std::make_shared<NetworkAccessMetricsHTTPClient>(); });
}

TelemetryPreferencesStorePtr DefaultServiceFactory::createTelemetryPreferencesStore()
{
    return lazily(m_telemetryPreferencesStore, [this] {
        return std::make_shared<TelemetryPreferencesStore>(storageManager(), metricsQueueStore(), *m_loggerFactory);
    });
}

AppUpdatePreferencesStorePtr DefaultServiceFactory::createAppUpdatePreferencesStore()
{
    return lazily(m_appUpdatePreferencesStore,
                  [this] { return std::make_shared<AppUpdatePreferencesStore>(storageManager(), *m_loggerFactory); });
}

MetricsConsentProviderPtr DefaultServiceFactory::metricsConsentProvider()
{
    return lazily(m_metricsConsentProvider, [this] {
        return std::make_shared<DefaultMetricsConsentProvider>(createTelemetryPreferencesStore());
    });
}

MetricsRuntimeMetadataProviderPtr DefaultServiceFactory::metricsRuntimeMetadataProvider()
{
    return lazily(m_metricsRuntimeMetadataProvider,
                  [] { return std::make_shared<DefaultMetricsRuntimeMetadataProvider>(); });
}

MetricsPublisherPtr DefaultServiceFactory::createMetricsPublisher()
{
    return lazily(m_metricsPublisher, [this] { return makeMetricsPublisher(); });
}

std::shared_ptr<MetricsDispatcher> DefaultServiceFactory::createMetricsDispatcher()
{
    return lazily(m_metricsDispatcher, [this] {
        return std::make_shared<MetricsDispatcher>(metricsQueueStore(),
                                                   MetricsTransportEncoder(m_runtimeEnvironment.metricsBeaconBaseURL()),
                                                   metricsHTTPClient(), metricsConsentProvider(), *m_loggerFactory);
    });
}

std::shared_ptr<MetricsDispatchScheduler> DefaultServiceFactory::metricsDispatchScheduler()
{
    return lazily(m_metricsDispatchScheduler, [this] {
        return MetricsDispatchScheduler::create(createMetricsDispatcher(), *m_loggerFactory,
                                                metricsDispatchRetryInterval, m_clock);
    });
}

MetricsDispatchSchedulerPtr DefaultServiceFactory::createMetricsDispatchScheduler()
{
    return metricsDispatchScheduler();
}

std::shared_ptr<PeerDirectoryService> DefaultServiceFactory::peerDirectory()
{
    return lazily(m_peerDirectory, [this] {
        return std::make_shared<PeerDirectoryService>(*discovery(), createConnectedMacStorageService(),
                                                      *m_loggerFactory);
    });
}

LinkedPeerDirectoryPtr DefaultServiceFactory::createPeerDirectory()
{
    return peerDirectory();
}

DeviceStorageServicePtr DefaultServiceFactory::createDeviceStorageService()
{
    return lazily(m_deviceStorageService, [this] {
        return std::make_shared<DeviceStorageService>(storageManager(), *m_loggerFactory, m_clock);
    });
}

std::shared_ptr<NetworkBridge> DefaultServiceFactory::createNetworkBridge()
{
    return lazily(m_networkBridge, [this] {
        return std::make_shared<NetworkBridge>(
            createEventHub(), makeFrameSender(), frameListener(), peerDirectory(), createMacIdentifierService(),
            NetworkBridge::Configuration{networkBridgeRequestTimeout}, m_loggerFactory, m_clock);
    });
}

std::shared_ptr<ControlCoordinator> DefaultServiceFactory::createControlCoordinator()
{
    return lazily(m_controlCoordinator, [this] {
        return std::make_shared<ControlCoordinator>(
            createEventHub(), createDeviceOwnershipService(), createBluetoothDeviceManager(),
            createSystemPermissionChecker(), createConnectedMacStorageService(), createDeviceStorageService(),
            createMacIdentifierService(), createConnectionMonitorService(), peerDirectory(), createMetricsPublisher(),
            *m_loggerFactory, m_clock);
    });
}

// Built anew on every call ---------------------------------------------------------------------------

MacDiscoveryServicePtr DefaultServiceFactory::createMacDiscoveryService()
{
    return std::make_shared<MacDiscoveryService>(
        discovery(), frameListener(), createMacIdentifierService(), createEventHub(),
        createConnectedMacStorageService(), createConnectionMonitorService(), peerDirectory(),
        createSystemPermissionChecker(), createMetricsPublisher(), *m_loggerFactory, m_clock);
}

LaunchAtLoginServicePtr DefaultServiceFactory::createLaunchAtLoginService()
{
    auto settings
        = std::make_shared<QSettings>(QCoreApplication::organizationName(), QCoreApplication::applicationName());
    return std::make_shared<LaunchAtLoginService>(
        AutostartLocations::current(),
        UserLocalInstallation::forHome(QDir::homePath()).stableExecutablePath(QCoreApplication::applicationFilePath()),
        std::move(settings), *m_loggerFactory);
}

} // namespace verandel
