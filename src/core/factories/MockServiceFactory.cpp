#include "factories/MockServiceFactory.h"

#include "desktop/MockLaunchAtLoginService.h"
#include "mock/AuthorizedLocalNetworkProbe.h"
#include "mock/DebugContextDiscoveryTransport.h"
#include "mock/DebugFrameSender.h"
#include "mock/DebugMacIdentifierService.h"
#include "mock/DebugMockBluetoothDeviceManager.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/MultiplexFrameSender.h"

namespace verandel {

MockServiceFactory::MockServiceFactory(QString contextPath, QString frameSenderDataFilePath,
                                       QString frameSenderConfigFilePath, LoggerFactoryPtr loggerFactory,
                                       MetricsPublisherPtr metricsPublisher, RuntimeEnvironment runtime,
                                       ServiceFactoryPlatform platform)
    : DefaultServiceFactory(std::move(loggerFactory), std::move(runtime), std::move(platform))
    , m_contextPath(std::move(contextPath))
    , m_frameSenderDataFilePath(std::move(frameSenderDataFilePath))
    , m_frameSenderConfigFilePath(std::move(frameSenderConfigFilePath))
    , m_providedMetricsPublisher(std::move(metricsPublisher))
    , m_debugContext(std::make_shared<DebugContextKeeper>(m_contextPath, *this->loggerFactory(), clock()))
{ }

MockServiceFactory::~MockServiceFactory() = default;

LaunchAtLoginServicePtr MockServiceFactory::createLaunchAtLoginService()
{
    return std::make_shared<MockLaunchAtLoginService>();
}

std::shared_ptr<DiscoveryProtocol> MockServiceFactory::makeDiscoveryTransport()
{
    if (!discoversDebugPeers()) {
        return DefaultServiceFactory::makeDiscoveryTransport();
    }
    return std::make_shared<DebugContextDiscoveryTransport>(m_debugContext, *loggerFactory(), clock());
}

std::shared_ptr<MacIdentifierServiceProtocol> MockServiceFactory::makeMacIdentifierService()
{
    return std::make_shared<DebugMacIdentifierService>(DebugMacIdentifierService::identityFilePathBeside(m_contextPath),
                                                       *loggerFactory(), runtimeEnvironment().debugProfileName(),
                                                       clock());
}

BluetoothDeviceManagerPtr MockServiceFactory::makeRawBluetoothDeviceManager()
{
    if (!simulatesBluetooth()) {
        return DefaultServiceFactory::makeRawBluetoothDeviceManager();
    }
    return std::make_shared<DebugMockBluetoothDeviceManager>(m_debugContext, *loggerFactory(), clock(),
                                                             simulatedBluetoothOperationDelay);
}

SystemPermissionChecker::Probes MockServiceFactory::makePermissionProbes()
{
    SystemPermissionChecker::Probes probes = DefaultServiceFactory::makePermissionProbes();
    if (discoversDebugPeers()) {
        probes.localNetwork = AuthorizedLocalNetworkProbe::factory();
    }
    return probes;
}

FrameSenderPtr MockServiceFactory::makeFrameSender()
{
    // The file sender goes first: an envelope it cannot record (or that the config makes fail) is
    // not sent to the network either.
    auto debugSender
        = std::make_shared<DebugFrameSender>(*loggerFactory(), m_frameSenderDataFilePath, m_frameSenderConfigFilePath);
    return std::make_shared<MultiplexFrameSender>(QList<FrameSenderPtr>{debugSender, makeNetworkFrameSender()},
                                                  loggerFactory());
}

std::shared_ptr<FrameListenerProtocol> MockServiceFactory::makeFrameListener()
{
    if (!discoversDebugPeers()) {
        return DefaultServiceFactory::makeFrameListener();
    }
    // The simulated peers know this instance by the port in the context, so nothing is advertised;
    // they are all on this machine, so nothing else may reach it.
    auto listener
        = std::make_shared<EphemeralFrameListener>(loggerFactory(), clock(), nullptr, nullptr, QHostAddress::LocalHost);
    listener->setFixedLoopbackPort(m_debugContext->getContext().listenerPort);
    EphemeralFrameListener *raw = listener.get();
    QObject::connect(m_debugContext.get(), &DebugContextProvider::contextChanged, raw,
                     [raw](const DebugContext &context) { raw->setFixedLoopbackPort(context.listenerPort); });
    return listener;
}

MetricsPublisherPtr MockServiceFactory::makeMetricsPublisher()
{
    return m_providedMetricsPublisher ? m_providedMetricsPublisher : DefaultServiceFactory::makeMetricsPublisher();
}

} // namespace verandel
