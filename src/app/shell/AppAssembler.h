#pragma once

#include "factories/ServiceFactoryProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/TestCoordinatorProtocol.h"

#include <QCoro/QCoroTask>
#include <QObject>

#include <memory>
#include <optional>

namespace verandel {

class ConnectedMacsViewModel;
class DevicesViewModel;

// The composition root of the windows and the tray. The factory keeps the one instance of each core
// service and is asked for it on every use; only what the factory makes anew on every call, the
// discovery service and the launch-at-login service, is asked for once and kept here, with the view
// models built over them. Starts the core services in order at launch and stops them at quit. Main
// thread only.
class AppAssembler
{
public:
    // Builds no service.
    AppAssembler(ServiceFactoryPtr serviceFactory, LoggerFactoryPtr loggerFactory, ClockPtr clock,
                 TestCoordinatorPtr testCoordinator = nullptr);
    ~AppAssembler();
    AppAssembler(const AppAssembler &) = delete;
    AppAssembler &operator=(const AppAssembler &) = delete;

    // Launch at login's first-run default, the control coordinator (most of the graph), the Bluetooth
    // bootstrap, metrics, the network bridge, monitoring, then advertising. The bootstrap and the
    // advertising start run on after this returns; a failed advertising start is logged, not fatal.
    void startCoreServices();
    // Metrics, advertising, monitoring, the bridge, in that order.
    QCoro::Task<> stopCoreServices();

    std::shared_ptr<PeerCommunicationHub> getEventHub();
    std::shared_ptr<NetworkBridge> getNetworkBridge();
    DeviceOwnershipServicePtr getDeviceOwnershipService();
    // Only after startCoreServices().
    std::shared_ptr<ControlCoordinator> getControlCoordinator() const;
    ConnectedMacsViewModel &getConnectedMacsViewModel();
    DevicesViewModel &getDevicesViewModel();
    LaunchAtLoginServicePtr getLaunchAtLoginService();
    std::shared_ptr<MacIdentifierServiceProtocol> getMacIdentifierService();
    TelemetryPreferencesStorePtr getTelemetryPreferencesStore();
    AppUpdatePreferencesStorePtr getAppUpdatePreferencesStore();
    MacDiscoveryServicePtr getMacDiscoveryService();
    ConnectionMonitorServicePtr getConnectionMonitorService();
    LinkedPeerDirectoryPtr getPeerDirectory();
    ConnectedMacStorageServicePtr getConnectedMacStorageService();
    DeviceStorageServicePtr getDeviceStorageService();
    BluetoothDeviceManagerPtr getBluetoothDeviceManager();
    SystemPermissionCheckerPtr getSystemPermissionChecker();
    MetricsPublisherPtr getMetricsPublisher();
    MetricsDispatchSchedulerPtr getMetricsDispatchScheduler();

    const LoggerFactoryPtr &loggerFactory() const { return m_loggerFactory; }
    const ClockPtr &clock() const { return m_clock; }

private:
    // For what the factory makes anew on every call: ask it the first time, keep the answer.
    template <typename T, typename Make>
    T &lazy(T &slot, Make make)
    {
        if (!slot) {
            slot = make();
        }
        return slot;
    }

    ServiceFactoryPtr m_serviceFactory;
    LoggerFactoryPtr m_loggerFactory;
    ClockPtr m_clock;
    TestCoordinatorPtr m_testCoordinator;
    LoggerPtr m_logger;

    std::shared_ptr<ControlCoordinator> m_controlCoordinator;
    MacDiscoveryServicePtr m_macDiscoveryService;
    LaunchAtLoginServicePtr m_launchAtLoginService;
    std::unique_ptr<ConnectedMacsViewModel> m_connectedMacsViewModel;
    std::unique_ptr<DevicesViewModel> m_devicesViewModel;

    // The start-up work that runs once startCoreServices() (and the launch around it) has returned, in
    // the order it was started; kept so it is not cut short. Queued calls die with their context.
    QObject m_startUpContext;
    std::optional<QCoro::Task<>> m_bluetoothBootstrap;
    std::optional<QCoro::Task<>> m_advertisingStart;
};

} // namespace verandel
