#include "shell/AppAssembler.h"

#include "ShellTestSupport.h"
#include "models/ConnectedMacsViewModel.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingTestCoordinator.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

class AppAssemblerTest : public ::testing::Test
{
protected:
    ShellGraph m_graph;
    std::shared_ptr<RecordingServiceFactory> m_factory = m_graph.makeFactory(m_graph.runtime());
    std::shared_ptr<RecordingTestCoordinator> m_testCoordinator = std::make_shared<RecordingTestCoordinator>();
    AppAssembler m_assembler{m_factory, m_graph.logs, m_graph.clock, m_testCoordinator};

    QStringList assemblerLines() const
    {
        return m_graph.logs->messages(LogLevel::Info, QStringLiteral("AppAssembler"))
            + m_graph.logs->messages(LogLevel::Error, QStringLiteral("AppAssembler"));
    }
};

TEST_F(AppAssemblerTest, StartsInOrderWithTheLoginDefaultBeforeTheCoordinatorAndStopsInOrder)
{
    const QString bootstrapped = QStringLiteral("DebugMockBluetoothDeviceManager.getPairedDevices() called");
    m_assembler.startCoreServices();
    // The Bluetooth bootstrap and the start of advertising run once the start (and the launch) returned.
    EXPECT_FALSE(m_factory->journal.contains(QStringLiteral("discovery.startAdvertising")));
    EXPECT_FALSE(m_graph.logs->contains(LogLevel::Debug, bootstrapped));
    EXPECT_TRUE(m_testCoordinator->signals.isEmpty());
    settle();
    EXPECT_TRUE(m_graph.logs->contains(LogLevel::Debug, bootstrapped));
    const QStringList expectedStart{
        QStringLiteral("factory.createLaunchAtLoginService"),
        QStringLiteral("launchAtLogin.applyDefaultIfNeeded"),
        QStringLiteral("factory.createControlCoordinator"),
        QStringLiteral("factory.createBluetoothDeviceManager"),
        QStringLiteral("factory.createMetricsDispatchScheduler"),
        QStringLiteral("scheduler.start"),
        QStringLiteral("factory.createNetworkBridge"),
        QStringLiteral("factory.createConnectionMonitorService"),
        QStringLiteral("monitor.startMonitoring"),
        QStringLiteral("factory.createMacDiscoveryService"),
        QStringLiteral("discovery.startAdvertising"),
    };
    EXPECT_EQ(m_factory->journal, expectedStart);
    EXPECT_EQ(m_testCoordinator->signals, QStringList{QStringLiteral("startAdvertisingCompleted")});

    m_factory->journal.clear();
    runTask(m_assembler.stopCoreServices());
    // The factory keeps the scheduler, the monitor and the bridge; the discovery service is the one kept here.
    EXPECT_EQ(m_factory->journal,
              (QStringList{QStringLiteral("factory.createMetricsDispatchScheduler"), QStringLiteral("scheduler.stop"),
                           QStringLiteral("discovery.stopAdvertising"),
                           QStringLiteral("factory.createConnectionMonitorService"),
                           QStringLiteral("monitor.stopMonitoring"), QStringLiteral("factory.createNetworkBridge")}));
    EXPECT_EQ(assemblerLines(),
              (QStringList{QStringLiteral("Starting core services"), QStringLiteral("Stopping core services"),
                           QStringLiteral("Stopping MacDiscoveryService"),
                           QStringLiteral("Stopping ConnectionMonitorService"),
                           QStringLiteral("Stopping NetworkBridge"), QStringLiteral("Core services stopped")}));
}

TEST_F(AppAssemblerTest, AFailedAdvertisingStartIsLoggedOnceAndStillSignalled)
{
    m_factory->startAdvertisingError = MacDiscoveryError::transportUnavailable();
    m_assembler.startCoreServices();
    settle();
    const QStringList errors = m_graph.logs->messages(LogLevel::Error, QStringLiteral("AppAssembler"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(QStringLiteral("Failed to start advertising: ")));
    EXPECT_EQ(m_testCoordinator->signals, QStringList{QStringLiteral("startAdvertisingCompleted")});
    EXPECT_EQ(m_factory->count(QStringLiteral("scheduler.start")), 1);
    EXPECT_EQ(m_factory->count(QStringLiteral("monitor.startMonitoring")), 1);
}

TEST_F(AppAssemblerTest, ViewModelsAndServicesAreBuiltOnceAndShareTheOneDiscoveryService)
{
    ConnectedMacsViewModel &first = m_assembler.getConnectedMacsViewModel();
    EXPECT_EQ(&m_assembler.getConnectedMacsViewModel(), &first);
    EXPECT_EQ(m_factory->discoveryServices.size(), 1);
    EXPECT_EQ(m_assembler.getMacDiscoveryService(), m_factory->discoveryServices.first());
    m_assembler.startCoreServices();
    EXPECT_EQ(m_factory->discoveryServices.size(), 1);
    EXPECT_EQ(m_factory->launchAtLoginServices.size(), 1);
    EXPECT_EQ(m_assembler.getLaunchAtLoginService(), m_factory->launchAtLoginServices.first());
    EXPECT_EQ(m_factory->count(QStringLiteral("factory.createMetricsDispatcher")), 0);
    settle();
    runTask(m_assembler.stopCoreServices());
}

TEST_F(AppAssemblerTest, TheCoordinatorIsOnlyThereOnceTheServicesStarted)
{
    EXPECT_THROW(m_assembler.getControlCoordinator(), std::logic_error);
    m_assembler.startCoreServices();
    EXPECT_NE(m_assembler.getControlCoordinator(), nullptr);
    settle();
    runTask(m_assembler.stopCoreServices());
}

} // namespace
