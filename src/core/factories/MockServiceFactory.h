#pragma once

#include "factories/DefaultServiceFactory.h"
#include "mock/DebugContextKeeper.h"

namespace verandel {

// The service factory of mock mode: the production graph, run on a debug context file instead of the
// real peers and Bluetooth devices where the runtime environment asks for it.
//
// - DISCOVERY_TYPE=debug: the context's simulated peers are discovered, at 127.0.0.1 on their ports;
//   the frame listener listens on 127.0.0.1 only (at the context's "listenerPort" when it has one),
//   and the Local Network permission reads as granted. With real discovery the listener listens on
//   every interface, as in production.
// - BLUETOOTH_MODE=mock: the context's devices are the simulated Bluetooth layer under the permission
//   guard and the cache, and the Bluetooth permission reads as granted.
// - Always: the identity is the debug identity beside the context file, every envelope is written to
//   the debug frame-sender file before it goes to the network, and launch at login is a flag in memory.
//
// The factory owns the context keeper, the one reader and writer of the context file for the services
// that run on it; they are given the keeper itself.
class MockServiceFactory final : public DefaultServiceFactory
{
public:
    // Loads (or creates) the context file and starts watching it; never fails. Without a metrics
    // publisher, the factory builds its own as the production factory does.
    MockServiceFactory(QString contextPath, QString frameSenderDataFilePath, QString frameSenderConfigFilePath,
                       LoggerFactoryPtr loggerFactory, MetricsPublisherPtr metricsPublisher, RuntimeEnvironment runtime,
                       ServiceFactoryPlatform platform = {});
    ~MockServiceFactory() override;

    // New on every call, each starting disabled.
    LaunchAtLoginServicePtr createLaunchAtLoginService() override;

    const std::shared_ptr<DebugContextKeeper> &debugContext() const { return m_debugContext; }

protected:
    std::shared_ptr<DiscoveryProtocol> makeDiscoveryTransport() override;
    std::shared_ptr<MacIdentifierServiceProtocol> makeMacIdentifierService() override;
    BluetoothDeviceManagerPtr makeRawBluetoothDeviceManager() override;
    SystemPermissionChecker::Probes makePermissionProbes() override;
    FrameSenderPtr makeFrameSender() override;
    std::shared_ptr<FrameListenerProtocol> makeFrameListener() override;
    MetricsPublisherPtr makeMetricsPublisher() override;

private:
    bool discoversDebugPeers() const { return runtimeEnvironment().discoveryType() == DiscoveryType::Debug; }
    bool simulatesBluetooth() const { return runtimeEnvironment().bluetoothMode() == BluetoothMode::Mock; }

    QString m_contextPath;
    QString m_frameSenderDataFilePath;
    QString m_frameSenderConfigFilePath;
    MetricsPublisherPtr m_providedMetricsPublisher;
    std::shared_ptr<DebugContextKeeper> m_debugContext;
};

} // namespace verandel
