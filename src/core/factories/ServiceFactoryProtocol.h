#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "desktop/LaunchAtLoginServiceProtocol.h"
#include "linking/ConnectionMonitorServiceProtocol.h"
#include "linking/LinkedPeerDirectoryProtocol.h"
#include "linking/MacDiscoveryServiceProtocol.h"
#include "peer/NetworkBridge.h"
#include "peer/PeerCommunicationHub.h"
#include "records/ConnectedMacStorageServiceProtocol.h"
#include "records/DeviceStorageServiceProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"
#include "telemetry/MetricsDispatchScheduling.h"
#include "telemetry/MetricsDispatcher.h"
#include "telemetry/MetricsPublisherProtocol.h"
#include "telemetry/TelemetryPreferencesStore.h"
#include "transfer/ControlCoordinator.h"
#include "transfer/DeviceOwnershipService.h"
#include "update/AppUpdatePreferencesStore.h"

#include <memory>

namespace verandel {

// The one place the program gets its core services from, so that mock mode and tests can swap parts
// of the graph. Used from the main thread only. Every getter but two returns the one instance the
// factory keeps, the same one every other service received; the discovery service and the
// launch-at-login service are new on every call, so their caller keeps the one it asked for.
class ServiceFactoryProtocol
{
public:
    virtual ~ServiceFactoryProtocol() = default;

    virtual ConnectedMacStorageServicePtr createConnectedMacStorageService() = 0;
    // New on every call; each instance subscribes to the shared transport and hub.
    virtual MacDiscoveryServicePtr createMacDiscoveryService() = 0;
    virtual ConnectionMonitorServicePtr createConnectionMonitorService() = 0;
    virtual DeviceStorageServicePtr createDeviceStorageService() = 0;
    // The outermost, caching layer; the layers below it are never handed out.
    virtual BluetoothDeviceManagerPtr createBluetoothDeviceManager() = 0;
    virtual std::shared_ptr<MacIdentifierServiceProtocol> createMacIdentifierService() = 0;
    virtual std::shared_ptr<PeerCommunicationHub> createEventHub() = 0;
    virtual std::shared_ptr<NetworkBridge> createNetworkBridge() = 0;
    // The one directory the bridge, the monitor and the coordinator read.
    virtual LinkedPeerDirectoryPtr createPeerDirectory() = 0;
    virtual DeviceOwnershipServicePtr createDeviceOwnershipService() = 0;
    // Building it builds most of the graph: the stores, the identity, the hub, the Bluetooth layers,
    // the permission checker, the ownership map, discovery, the monitor and telemetry.
    virtual std::shared_ptr<ControlCoordinator> createControlCoordinator() = 0;
    // New on every call.
    virtual LaunchAtLoginServicePtr createLaunchAtLoginService() = 0;
    virtual SystemPermissionCheckerPtr createSystemPermissionChecker() = 0;
    virtual MetricsPublisherPtr createMetricsPublisher() = 0;
    virtual std::shared_ptr<MetricsDispatcher> createMetricsDispatcher() = 0;
    virtual MetricsDispatchSchedulerPtr createMetricsDispatchScheduler() = 0;
    virtual TelemetryPreferencesStorePtr createTelemetryPreferencesStore() = 0;
    virtual AppUpdatePreferencesStorePtr createAppUpdatePreferencesStore() = 0;
};

using ServiceFactoryPtr = std::shared_ptr<ServiceFactoryProtocol>;

} // namespace verandel
