#include "factories/MockServiceFactory.h"

#include "FactoryTestSupport.h"
#include "desktop/MockLaunchAtLoginService.h"
#include "mock/DebugMacIdentifierService.h"
#include "support/BeaconResponder.h"
#include "support/LoopbackPorts.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTcpSocket>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString keyboard = QStringLiteral("AA:BB:CC:DD:EE:01");
const QString mouse = QStringLiteral("AA:BB:CC:DD:EE:02");
const QString trackpad = QStringLiteral("AA:BB:CC:DD:EE:03");
const QString peerId = QStringLiteral("6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8");
// The default context path of the profile, relative to the working directory, as log lines name it.
const QString defaultContextPath = QStringLiteral("tmp/alpha/debug-context.json");

DebugBluetoothDevice device(const QString &address, bool paired)
{
    return DebugBluetoothDevice{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                address,
                                QStringLiteral("Device ") + address.right(2),
                                false,
                                paired,
                                std::nullopt,
                                std::nullopt};
}

// A mock-mode start in an empty working directory with the default debug paths of the profile "alpha".
class MockServiceFactoryTest : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/verandel-test-system-bus"); }

    std::unique_ptr<MockServiceFactory> makeFactory(QHash<QString, QString> variables
                                                    = {{QStringLiteral("DISCOVERY_TYPE"), QStringLiteral("debug")},
                                                       {QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock")}})
    {
        variables.insert(QStringLiteral("DEBUG_MODE"), QStringLiteral("true"));
        variables.insert(QStringLiteral("DEBUG_PROFILE"), QStringLiteral("alpha"));
        variables.insert(QStringLiteral("METRICS_CDN_BASE_URL"), m_responder.baseURL().toString());
        const RuntimeEnvironment runtime = loadRuntime(variables);
        ServiceFactoryPlatform platform{m_clock, [this] {
                                            ++m_busConnections;
                                            return QDBusConnection::connectToBus(
                                                QStringLiteral("unix:path=/nonexistent/verandel-test-bus"),
                                                QStringLiteral("verandel-test-no-bus"));
                                        }};
        return std::make_unique<MockServiceFactory>(
            runtime.debugContextFilePath(), runtime.debugFrameSenderDataFilePath(),
            runtime.debugFrameSenderConfigFilePath(), m_logs, nullptr, runtime, std::move(platform));
    }

    QString contextPath() const
    {
        return m_sandbox.workingDirectory() + QStringLiteral("/tmp/alpha/debug-context.json");
    }
    QString profileFile(const QString &name) const
    {
        return m_sandbox.workingDirectory() + QStringLiteral("/tmp/alpha/") + name;
    }
    void writeContext(const DebugContext &context) { context.save(contextPath()); }

    XdgSandbox m_sandbox;
    BeaconResponder m_responder;
    std::shared_ptr<ManualClock> m_clock = std::make_shared<ManualClock>();
    std::shared_ptr<RecordingLoggerFactory> m_logs = std::make_shared<RecordingLoggerFactory>();
    int m_busConnections = 0;
};

TEST_F(MockServiceFactoryTest, AFirstStartWritesTheDefaultContextAndKeepsEveryFileInTheProfile)
{
    const auto factory = makeFactory();
    EXPECT_EQ(DebugContext::load(contextPath()), DebugContext::createDefault());
    EXPECT_TRUE(factory->debugContext()->fileWatcher().isWatching());
    EXPECT_TRUE(m_logs->messages(LogLevel::Error).isEmpty());

    // The identity lies beside the context, the stores in the profile's storage directory.
    const std::shared_ptr<MacIdentifierServiceProtocol> identity = factory->createMacIdentifierService();
    EXPECT_NE(dynamic_cast<DebugMacIdentifierService *>(identity.get()), nullptr);
    EXPECT_TRUE(QFile::exists(profileFile(QStringLiteral("debug-identity.json"))));
    EXPECT_TRUE(QFile::exists(profileFile(QStringLiteral("advertised-mac-identity.json"))));
    EXPECT_EQ(identity->makeDiscoveredMac(std::nullopt).name().left(8), QStringLiteral("[alpha] "));
    factory->createAppUpdatePreferencesStore()->setAutomaticChecksEnabled(false);
    EXPECT_TRUE(QFile::exists(profileFile(QStringLiteral("app-storage/update-preferences.json"))));
    EXPECT_FALSE(QFile::exists(m_sandbox.storageBase()));
}

TEST_F(MockServiceFactoryTest, AnUnreadableContextIsKeptAsInvalidAndTheDefaultTakesItsPlace)
{
    QDir().mkpath(profileFile(QString()));
    replaceFile(contextPath(), "{ not json");
    const auto factory = makeFactory();

    EXPECT_EQ(readFile(contextPath() + QStringLiteral(".invalid")), QByteArray("{ not json"));
    EXPECT_EQ(factory->debugContext()->getContext(), DebugContext::createDefault());
    EXPECT_EQ(DebugContext::load(contextPath()), DebugContext::createDefault());
    const QStringList lines = m_logs->allMessages();
    const auto at = [&](const QString &start) {
        const auto found
            = std::find_if(lines.cbegin(), lines.cend(), [&](const QString &line) { return line.startsWith(start); });
        return found == lines.cend() ? -1 : int(found - lines.cbegin());
    };
    const int failed
        = at(QStringLiteral("Warning: Failed to load debug context from ") + defaultContextPath + QStringLiteral(": "));
    const int creating = at(QStringLiteral("Creating default debug context..."));
    const int saved = at(QStringLiteral("Default debug context saved to ") + defaultContextPath);
    EXPECT_GE(failed, 0);
    EXPECT_GT(creating, failed);
    EXPECT_GT(saved, creating);
}

TEST_F(MockServiceFactoryTest, AnEditIsAnnouncedOnceAndABrokenEditKeepsTheLastGoodContext)
{
    const auto factory = makeFactory();
    QSignalSpy changes(factory->debugContext().get(), &DebugContextProvider::contextChanged);

    DebugContext edited = DebugContext::createDefault();
    edited.localBluetoothDevices = {device(keyboard, true)};
    replaceFile(contextPath(), QJsonDocument(edited.toJson().toObject()).toJson());
    ASSERT_TRUE(waitUntil([&] { return changes.size() == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(factory->debugContext()->getContext(), edited);
    EXPECT_TRUE(m_logs->contains(LogLevel::Info, QStringLiteral("Debug context file changed, reloading...")));
    EXPECT_TRUE(m_logs->contains(LogLevel::Debug,
                                 QStringLiteral("Successfully reloaded debug context from ") + defaultContextPath));

    replaceFile(contextPath(), "{ half written");
    ASSERT_TRUE(waitUntil(
        [&] { return m_logs->containsSubstring(LogLevel::Error, QStringLiteral("Error reloading debug context: ")); }));
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(factory->debugContext()->getContext(), edited);
}

TEST_F(MockServiceFactoryTest, PeersIdentityBluetoothAndLaunchAtLoginComeFromTheContextWithoutTheSystemBus)
{
    DebugContext context = DebugContext::createDefault();
    context.discoverableMacs
        = {DebugDiscoverableMac{peerId, 50123, QStringLiteral("Beta"), QStringLiteral("1.0.6"), std::nullopt}};
    context.localBluetoothDevices = {device(keyboard, true), device(mouse, false)};
    context.listenerPort = freeLoopbackPort();
    writeContext(context);
    const auto factory = makeFactory();

    // Advertising starts without asking the system for Local Network access: the listener takes the
    // context's port on loopback and the simulated peer is found.
    m_clock->setAutoAdvance(true);
    const MacDiscoveryServicePtr discovery = factory->createMacDiscoveryService();
    runTask(discovery->startAdvertising());
    ASSERT_EQ(discovery->discoveredMacs().size(), 1);
    EXPECT_EQ(discovery->discoveredMacs().first().id(), QUuid(peerId));
    EXPECT_EQ(discovery->discoveredMacs().first().endpoint()->description(), QStringLiteral("127.0.0.1:50123"));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, *context.listenerPort);
    EXPECT_TRUE(socket.waitForConnected(2000));
    runTask(discovery->stopAdvertising());

    // The simulated devices, through the guard and the cache.
    const BluetoothDeviceManagerPtr bluetooth = factory->createBluetoothDeviceManager();
    runTask(bluetooth->bootstrapBluetooth());
    const QList<Device> devices = runTask(bluetooth->getPairedDevices());
    ASSERT_EQ(devices.size(), 1);
    EXPECT_EQ(devices.first().macAddress(), keyboard.toLower());
    // Published from the start, as the system's devices are.
    EXPECT_EQ(bluetooth->pairedDevices(), devices);
    EXPECT_EQ(runTask(bluetooth->getConnectionStatus(devices.first())), ConnectionStatus::PairedNotConnected);

    // Two launch-at-login services, each its own flag in memory.
    const LaunchAtLoginServicePtr first = factory->createLaunchAtLoginService();
    const LaunchAtLoginServicePtr second = factory->createLaunchAtLoginService();
    EXPECT_NE(dynamic_cast<MockLaunchAtLoginService *>(first.get()), nullptr);
    first->applyDefaultIfNeeded();
    EXPECT_TRUE(first->isEnabled());
    EXPECT_FALSE(second->isEnabled());
    EXPECT_FALSE(QDir(m_sandbox.configHome() + QStringLiteral("/autostart")).exists());

    EXPECT_EQ(m_busConnections, 0);
}

TEST_F(MockServiceFactoryTest, WithDebugDiscoveryAndNoPortTheListenerIsReachableFromThisMachineOnly)
{
    writeContext(DebugContext::createDefault());
    const auto factory = makeFactory();
    m_clock->setAutoAdvance(true);
    const MacDiscoveryServicePtr discovery = factory->createMacDiscoveryService();
    runTask(discovery->startAdvertising());
    EXPECT_TRUE(
        m_logs->containsSubstring(LogLevel::Debug, QStringLiteral("Frame listener listening on 127.0.0.1 port ")))
        << m_logs->allMessages().join(u'\n').toStdString();
    runTask(discovery->stopAdvertising());
}

TEST_F(MockServiceFactoryTest, WithBonjourAndRealBluetoothOnlyTheIdentitySenderAndLaunchAtLoginAreReplaced)
{
    const auto factory = makeFactory({});
    EXPECT_NE(dynamic_cast<DebugMacIdentifierService *>(factory->createMacIdentifierService().get()), nullptr);
    EXPECT_NE(dynamic_cast<MockLaunchAtLoginService *>(factory->createLaunchAtLoginService().get()), nullptr);
    factory->createNetworkBridge();
    EXPECT_EQ(m_busConnections, 0);

    // The real Bluetooth layer asks bluetoothd, which is not there.
    m_clock->setAutoAdvance(true);
    const BluetoothDeviceManagerPtr bluetooth = factory->createBluetoothDeviceManager();
    runTask(bluetooth->bootstrapBluetooth());
    EXPECT_TRUE(bluetooth->pairedDevices().isEmpty());
    EXPECT_EQ(m_busConnections, 1);
}

TEST_F(MockServiceFactoryTest, AContextEditDuringAPairAndThePairsWriteBackBothSurvive)
{
    writeContext([] {
        DebugContext context = DebugContext::createDefault();
        context.localBluetoothDevices = {device(keyboard, false), device(mouse, true)};
        return context;
    }());
    const auto factory = makeFactory();
    QSignalSpy changes(factory->debugContext().get(), &DebugContextProvider::contextChanged);
    const BluetoothDeviceManagerPtr bluetooth = factory->createBluetoothDeviceManager();

    StartedTask<OperationResult> pair(bluetooth->pairDevice(keyboard));
    ASSERT_TRUE(waitUntil([&] { return m_clock->requestedSleeps().contains(0.5); }));

    // While the pair pauses, someone reorders the devices and adds one.
    DebugContext edited = DebugContext::load(contextPath());
    std::swap(edited.localBluetoothDevices[0], edited.localBluetoothDevices[1]);
    edited.localBluetoothDevices.append(device(trackpad, true));
    replaceFile(contextPath(), QJsonDocument(edited.toJson().toObject()).toJson());
    ASSERT_TRUE(waitUntil([&] { return changes.size() == 1; }));

    m_clock->advance(0.5);
    ASSERT_TRUE(waitUntil([&] { return pair.isDone(); }));
    EXPECT_TRUE(pair.result().success);
    const DebugContext stored = DebugContext::load(contextPath());
    ASSERT_EQ(stored.localBluetoothDevices.size(), 3);
    EXPECT_EQ(stored.localBluetoothDevices.at(0), edited.localBluetoothDevices.at(0));
    EXPECT_EQ(stored.localBluetoothDevices.at(1).address, keyboard);
    EXPECT_TRUE(stored.localBluetoothDevices.at(1).isPaired);
    EXPECT_TRUE(stored.localBluetoothDevices.at(1).isConnected);
    EXPECT_EQ(stored.localBluetoothDevices.at(2), edited.localBluetoothDevices.at(2));
}

} // namespace
