#include "factories/DefaultServiceFactory.h"

#include "FactoryTestSupport.h"
#include "bluetooth/ReactiveBluetoothDeviceManager.h"
#include "records/DeviceInput.h"
#include "support/BeaconResponder.h"
#include "support/ManualClock.h"
#include "support/PrivateDBus.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TestData.h"
#include "support/TestFiles.h"
#include "telemetry/MetricsEvent.h"

#include <QDirIterator>
#include <QJsonArray>

using namespace verandel;
using namespace verandel::test;

namespace {

// Builds the production graph in a sandbox: its own data and configuration directories, virtual
// time, the metrics endpoint on loopback, and a system bus that counts how often it is connected.
class DefaultServiceFactoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_clock->setAutoAdvance(true);
        // The network information backend of the connection monitor finds the system bus by itself.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/verandel-test-system-bus");
    }

    std::unique_ptr<DefaultServiceFactory> makeFactory(QHash<QString, QString> variables = {})
    {
        variables.insert(QStringLiteral("METRICS_CDN_BASE_URL"), m_responder.baseURL().toString());
        ServiceFactoryPlatform platform{m_clock, [this] {
                                            ++m_busConnections;
                                            return m_bus();
                                        }};
        return std::make_unique<DefaultServiceFactory>(m_logs, loadRuntime(variables), std::move(platform));
    }

    // Every getter but the two that make a new service on each call.
    static std::vector<std::function<std::shared_ptr<const void>()>> keptServices(DefaultServiceFactory &factory)
    {
        return {
            [&] { return factory.createConnectedMacStorageService(); },
            [&] { return factory.createConnectionMonitorService(); },
            [&] { return factory.createDeviceStorageService(); },
            [&] { return factory.createBluetoothDeviceManager(); },
            [&] { return factory.createMacIdentifierService(); },
            [&] { return factory.createEventHub(); },
            [&] { return factory.createNetworkBridge(); },
            [&] { return factory.createDeviceOwnershipService(); },
            [&] { return factory.createControlCoordinator(); },
            [&] { return factory.createSystemPermissionChecker(); },
            [&] { return factory.createMetricsPublisher(); },
            [&] { return factory.createMetricsDispatcher(); },
            [&] { return factory.createMetricsDispatchScheduler(); },
            [&] { return factory.createTelemetryPreferencesStore(); },
            [&] { return factory.createAppUpdatePreferencesStore(); },
        };
    }

    // Asks the factory for every service, as the program does while it starts.
    static void buildEverything(DefaultServiceFactory &factory)
    {
        for (const auto &get : keptServices(factory)) {
            get();
        }
        factory.createMacDiscoveryService();
        factory.createLaunchAtLoginService();
    }

    XdgSandbox m_sandbox;
    BeaconResponder m_responder;
    std::shared_ptr<ManualClock> m_clock = std::make_shared<ManualClock>();
    std::shared_ptr<RecordingLoggerFactory> m_logs = std::make_shared<RecordingLoggerFactory>();
    int m_busConnections = 0;
    std::function<QDBusConnection()> m_bus = [] {
        return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/verandel-test-bus"),
                                             QStringLiteral("verandel-test-no-bus"));
    };
};

TEST_F(DefaultServiceFactoryTest, KeptServicesAreOneInstanceAndDiscoveryAndLaunchAtLoginAreNewEachTime)
{
    const auto factory = makeFactory();
    const auto kept = keptServices(*factory);
    for (size_t i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(i);
        const std::shared_ptr<const void> first = kept[i]();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(kept[i](), first);
    }
    EXPECT_NE(factory->createMacDiscoveryService(), factory->createMacDiscoveryService());
    EXPECT_NE(factory->createLaunchAtLoginService(), factory->createLaunchAtLoginService());
    // The top Bluetooth layer is the cache; the guard and the raw manager stay inside.
    EXPECT_NE(dynamic_cast<ReactiveBluetoothDeviceManager *>(factory->createBluetoothDeviceManager().get()), nullptr);
    // Building the graph reached no daemon.
    EXPECT_EQ(m_busConnections, 0);
}

TEST_F(DefaultServiceFactoryTest, WithoutASystemBusTheGraphBuildsAndItsServicesReportTheAbsence)
{
    PrivateDBus emptyBus;
    ASSERT_TRUE(emptyBus.start());
    struct Case
    {
        const char *name;
        std::function<QDBusConnection()> bus;
    };
    const Case cases[] = {
        {"a bus with nothing on it", [&] { return emptyBus.connection(); }},
        {"no bus at all", m_bus},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_bus = c.bus;
        m_busConnections = 0;
        m_logs->clear();
        m_clock->setAutoAdvance(true);
        const auto factory = makeFactory();
        buildEverything(*factory);
        EXPECT_EQ(m_busConnections, 0);

        const BluetoothDeviceManagerPtr bluetooth = factory->createBluetoothDeviceManager();
        runTask(bluetooth->bootstrapBluetooth());
        EXPECT_TRUE(bluetooth->pairedDevices().isEmpty());
        EXPECT_NE(runTask(factory->createSystemPermissionChecker()->refreshBluetoothAccess()),
                  SystemPermissionStatus::Authorized);
        EXPECT_EQ(runTask(bluetooth->pairDevice(QStringLiteral("AA:BB:CC:DD:EE:FF"))).success, false);

        // Advertising is skipped without Local Network access instead of failing the start.
        const MacDiscoveryServicePtr discovery = factory->createMacDiscoveryService();
        EXPECT_NO_THROW(runTask(discovery->startAdvertising()));
        EXPECT_TRUE(m_logs->contains(LogLevel::Info,
                                     QStringLiteral("Skipping background Bonjour startup because "
                                                    "Local Network access is not authorized")));
        // The monitor's health checks repeat for ever: from here time stands still.
        m_clock->setAutoAdvance(false);
        factory->createNetworkBridge()->start();
        factory->createConnectionMonitorService()->startMonitoring();
        EXPECT_TRUE(waitUntil(
            [&] { return factory->createConnectionMonitorService()->monitoringState() == MonitoringState::Running; }));
        factory->createConnectionMonitorService()->stopMonitoring();
        factory->createNetworkBridge()->stop();
        runTask(discovery->stopAdvertising());
        // One connection, shared by everything that talks to the system's daemons.
        EXPECT_EQ(m_busConnections, 1);
    }
}

TEST_F(DefaultServiceFactoryTest, TheMockBluetoothModePutsTheCannedManagerUnderTheGuardAndTheCache)
{
    const auto factory = makeFactory({{QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock")}});
    const BluetoothDeviceManagerPtr bluetooth = factory->createBluetoothDeviceManager();
    EXPECT_NE(dynamic_cast<ReactiveBluetoothDeviceManager *>(bluetooth.get()), nullptr);

    const OperationResult paired = runTask(bluetooth->pairDevice(QStringLiteral("AA:BB:CC:DD:EE:FF")));
    EXPECT_TRUE(paired.success);
    // The canned manager's pause, after the guard let the pair through.
    EXPECT_TRUE(m_clock->requestedSleeps().contains(0.5));
    EXPECT_TRUE(m_logs->containsSubstring(LogLevel::Info, QStringLiteral("Mock successfully")));
    EXPECT_EQ(runTask(bluetooth->getConnectionStatus(makeDevice(QStringLiteral("11:22:33:44:55:66")))),
              ConnectionStatus::PairedNotConnected);
    runTask(bluetooth->bootstrapBluetooth());
    EXPECT_TRUE(bluetooth->pairedDevices().isEmpty());
    // A simulated Bluetooth layer needs no bluetoothd, so its permission is not asked of the system.
    EXPECT_EQ(factory->createSystemPermissionChecker()->bluetoothStatus(), SystemPermissionStatus::Authorized);
    EXPECT_EQ(m_busConnections, 0);
}

TEST_F(DefaultServiceFactoryTest, APublishedEventGoesOutThroughTheSchedulerAndEveryFileLiesUnderTheStorageBase)
{
    const auto factory = makeFactory({{QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock")}});
    buildEverything(*factory);

    // Every store writes its file.
    runTask(factory->createBluetoothDeviceManager()->pairDevice(QStringLiteral("AA:BB:CC:DD:EE:FF")));
    factory->createDeviceStorageService()->addDevice(DeviceInput{
        QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Keyboard"), QUuid::createUuid().toString(), std::nullopt});
    factory->createConnectedMacStorageService()->addConnectedMac(
        ConnectedMacInput{QUuid::createUuid(), QStringLiteral("Other"), QUuid::createUuid().toString(), {}});
    factory->createAppUpdatePreferencesStore()->setAutomaticChecksEnabled(false);
    runTask(factory->createTelemetryPreferencesStore()->setMetricsOptInEnabled(true));

    // The scheduler's periodic tick repeats for ever: from here time stands still.
    m_clock->setAutoAdvance(false);
    factory->createMetricsDispatchScheduler()->start();

    // The publisher asks the scheduler for a cycle at once; without that the event would wait for a
    // periodic tick, which virtual time never brings here.
    const QString installationId = factory->createMacIdentifierService()->installationId();
    factory->createMetricsPublisher()->publish(MetricsEvent::macLinkEstablished(
        installationId, m_clock->now(), QUuid::createUuid().toString(QUuid::WithoutBraces)));
    ASSERT_TRUE(waitUntil([&] { return m_responder.requests().size() == 1; }))
        << m_logs->allMessages().join(u'\n').toStdString();
    EXPECT_TRUE(m_responder.requests().first().target.startsWith("/ba.gif?"));
    // The cycle ends with the sent event taken off the queue; nothing of it may outlive the test.
    const QString queue = m_sandbox.storageBase() + QStringLiteral("/metrics-queue.json");
    ASSERT_TRUE(waitUntil([&] { return QJsonDocument::fromJson(readFile(queue)).array().isEmpty(); }));
    factory->createMetricsDispatchScheduler()->stop();
    runTask(factory->createTelemetryPreferencesStore()->setMetricsOptInEnabled(true));

    QStringList written;
    QDirIterator it(m_sandbox.root(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        written.append(QDir(m_sandbox.root()).relativeFilePath(it.next()));
    }
    written.sort();
    const QString base = QDir(m_sandbox.root()).relativeFilePath(m_sandbox.storageBase()) + u'/';
    EXPECT_EQ(written,
              (QStringList{base + QStringLiteral("advertised-mac-identity.json"),
                           base + QStringLiteral("connected-macs.json"), base + QStringLiteral("devices.json"),
                           base + QStringLiteral("metrics-queue.json"),
                           base + QStringLiteral("system-permissions-state.json"),
                           base + QStringLiteral("telemetry-preferences.json"),
                           base + QStringLiteral("update-preferences.json")}));
}

} // namespace
