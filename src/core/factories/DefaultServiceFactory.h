#pragma once

#include "bluetooth/SystemPermissionChecker.h"
#include "factories/ServiceFactoryProtocol.h"
#include "factories/SystemBus.h"
#include "foundation/ClockProtocol.h"
#include "foundation/RuntimeEnvironment.h"
#include "foundation/StorageManager.h"
#include "linking/ConnectionMonitorConfiguration.h"
#include "peer/dnssd/DiscoveryProtocol.h"
#include "peer/dnssd/ServiceAdvertiserProtocol.h"
#include "peer/dnssd/ServiceResolverProtocol.h"
#include "peer/tcp/FrameListenerProtocol.h"
#include "peer/tcp/FrameSenderProtocol.h"
#include "telemetry/MetricsConsentProvider.h"
#include "telemetry/MetricsHTTPClient.h"
#include "telemetry/MetricsQueueStoreProtocol.h"
#include "telemetry/MetricsRuntimeMetadataProviding.h"

namespace verandel {

class ConnectedMacStorageService;
class DeviceStorageService;
class MetricsDispatchScheduler;
class OnDemandNetworkPathSource;
class PeerDirectoryService;

// What a service factory runs on besides its configuration.
struct ServiceFactoryPlatform
{
    // The clock every service reads and sleeps on; the system clock when none is given.
    ClockPtr clock;
    // Connects the system bus when a service first needs it; the real system bus when none is given.
    SystemBus::Connector systemBus;
};

// The program's service graph over BlueZ, Avahi, TCP, the storage directory and the metrics endpoint.
// Each service is built on first use and kept, and each service is given the kept instances of the
// services it depends on. Building reaches no daemon: the system bus is connected when a service first
// talks to bluetoothd or avahi-daemon, so a machine without a system bus builds the graph like any other.
//
// The runtime environment decides the storage directory, the Bluetooth layer (BLUETOOTH_MODE=mock
// puts the canned manager under the permission guard and the cache, and its permission reads as
// granted) and the metrics endpoint. Mock mode's factory derives from this one and replaces the edges
// that the protected make...() functions build.
class DefaultServiceFactory : public ServiceFactoryProtocol
{
public:
    static constexpr double frameSenderConnectionTimeout = 5.0;
    static constexpr double networkBridgeRequestTimeout = 10.0;
    static constexpr double permissionProbeTimeout = 3.0;
    static constexpr double metricsDispatchRetryInterval = 15.0;
    static constexpr double simulatedBluetoothOperationDelay = 0.5;
    static constexpr ConnectionMonitorConfiguration connectionMonitorConfiguration{30.0, 10, 0.5, 1.0};

    // Builds nothing.
    DefaultServiceFactory(LoggerFactoryPtr loggerFactory, RuntimeEnvironment runtimeEnvironment,
                          ServiceFactoryPlatform platform = {});
    ~DefaultServiceFactory() override;

    ConnectedMacStorageServicePtr createConnectedMacStorageService() override;
    MacDiscoveryServicePtr createMacDiscoveryService() override;
    ConnectionMonitorServicePtr createConnectionMonitorService() override;
    DeviceStorageServicePtr createDeviceStorageService() override;
    BluetoothDeviceManagerPtr createBluetoothDeviceManager() override;
    std::shared_ptr<MacIdentifierServiceProtocol> createMacIdentifierService() override;
    std::shared_ptr<PeerCommunicationHub> createEventHub() override;
    std::shared_ptr<NetworkBridge> createNetworkBridge() override;
    LinkedPeerDirectoryPtr createPeerDirectory() override;
    DeviceOwnershipServicePtr createDeviceOwnershipService() override;
    std::shared_ptr<ControlCoordinator> createControlCoordinator() override;
    LaunchAtLoginServicePtr createLaunchAtLoginService() override;
    SystemPermissionCheckerPtr createSystemPermissionChecker() override;
    MetricsPublisherPtr createMetricsPublisher() override;
    std::shared_ptr<MetricsDispatcher> createMetricsDispatcher() override;
    MetricsDispatchSchedulerPtr createMetricsDispatchScheduler() override;
    TelemetryPreferencesStorePtr createTelemetryPreferencesStore() override;
    AppUpdatePreferencesStorePtr createAppUpdatePreferencesStore() override;

    const LoggerFactoryPtr &loggerFactory() const { return m_loggerFactory; }
    const RuntimeEnvironment &runtimeEnvironment() const { return m_runtimeEnvironment; }

protected:
    // The edges of the graph that mock mode replaces. Each is called once, when its service is first
    // needed.
    virtual std::shared_ptr<DiscoveryProtocol> makeDiscoveryTransport();
    virtual std::shared_ptr<MacIdentifierServiceProtocol> makeMacIdentifierService();
    virtual BluetoothDeviceManagerPtr makeRawBluetoothDeviceManager();
    virtual SystemPermissionChecker::Probes makePermissionProbes();
    virtual FrameSenderPtr makeFrameSender();
    virtual std::shared_ptr<FrameListenerProtocol> makeFrameListener();
    virtual MetricsPublisherPtr makeMetricsPublisher();

    // The network frame sender, resolving DNS-SD service instances through Avahi.
    FrameSenderPtr makeNetworkFrameSender();
    // Avahi's advertiser, made when the listener first advertises.
    std::shared_ptr<ServiceAdvertiserProtocol> makeAvahiAdvertiser();

    const ClockPtr &clock() const { return m_clock; }
    const SystemBusPtr &systemBus() const { return m_systemBus; }

private:
    StorageManagerPtr storageManager();
    std::shared_ptr<DiscoveryProtocol> discovery();
    std::shared_ptr<FrameListenerProtocol> frameListener();
    std::shared_ptr<PeerDirectoryService> peerDirectory();
    BluetoothDeviceManagerPtr rawBluetoothDeviceManager();
    BluetoothDeviceManagerPtr permissionGuardedBluetoothDeviceManager();
    MetricsQueueStorePtr metricsQueueStore();
    MetricsHTTPClientPtr metricsHTTPClient();
    MetricsConsentProviderPtr metricsConsentProvider();
    MetricsRuntimeMetadataProviderPtr metricsRuntimeMetadataProvider();
    std::shared_ptr<MetricsDispatchScheduler> metricsDispatchScheduler();

    LoggerFactoryPtr m_loggerFactory;
    RuntimeEnvironment m_runtimeEnvironment;
    ClockPtr m_clock;
    SystemBusPtr m_systemBus;

    StorageManagerPtr m_storageManager;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifierService;
    std::shared_ptr<DiscoveryProtocol> m_discovery;
    std::shared_ptr<ConnectedMacStorageService> m_connectedMacStorageService;
    std::shared_ptr<PeerCommunicationHub> m_eventHub;
    std::shared_ptr<FrameListenerProtocol> m_frameListener;
    BluetoothDeviceManagerPtr m_rawBluetoothDeviceManager;
    BluetoothDeviceManagerPtr m_permissionGuardedBluetoothDeviceManager;
    BluetoothDeviceManagerPtr m_bluetoothDeviceManager;
    DeviceOwnershipServicePtr m_deviceOwnershipService;
    std::shared_ptr<OnDemandNetworkPathSource> m_networkPath;
    ConnectionMonitorServicePtr m_connectionMonitorService;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
    MetricsQueueStorePtr m_metricsQueueStore;
    MetricsHTTPClientPtr m_metricsHTTPClient;
    TelemetryPreferencesStorePtr m_telemetryPreferencesStore;
    AppUpdatePreferencesStorePtr m_appUpdatePreferencesStore;
    MetricsConsentProviderPtr m_metricsConsentProvider;
    MetricsRuntimeMetadataProviderPtr m_metricsRuntimeMetadataProvider;
    MetricsPublisherPtr m_metricsPublisher;
    std::shared_ptr<MetricsDispatcher> m_metricsDispatcher;
    std::shared_ptr<MetricsDispatchScheduler> m_metricsDispatchScheduler;
    std::shared_ptr<PeerDirectoryService> m_peerDirectory;
    std::shared_ptr<DeviceStorageService> m_deviceStorageService;
    std::shared_ptr<NetworkBridge> m_networkBridge;
    std::shared_ptr<ControlCoordinator> m_controlCoordinator;
};

} // namespace verandel
