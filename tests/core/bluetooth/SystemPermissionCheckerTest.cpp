#include "bluetooth/SystemPermissionChecker.h"
#include "bluetooth/AvahiLocalNetworkProbe.h"
#include "bluetooth/BluezAuthorizationProbe.h"
#include "bluetooth/BluezClient.h"
#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"
#include "bluetooth/PermissionsStateStore.h"
#include "foundation/JsonFields.h"
#include "foundation/PosixFileManager.h"
#include "support/FakeBluez.h"
#include "support/ManualClock.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"
#include "support/TestData.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoro/QCoroTimer>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using Status = SystemPermissionStatus;

// Answers a fixed status; Unknown waits until stopped, as an undecided probe does.
class FixedLocalNetworkProbe final : public LocalNetworkProbeProtocol
{
public:
    explicit FixedLocalNetworkProbe(Status status)
        : m_status(status)
    { }
    QCoro::Task<Status> checkStatus(std::stop_token token) override
    {
        const Status status = m_status;
        if (status != Status::Unknown) {
            co_return status;
        }
        while (!token.stop_requested()) {
            QTimer timer;
            timer.start(1);
            co_await timer;
        }
        co_return Status::Unknown;
    }

private:
    Status m_status;
};

class FixedBluetoothProbe final : public BluetoothAuthorizationProbeProtocol
{
public:
    FixedBluetoothProbe(Status status, QList<bool> *calls)
        : m_status(status)
        , m_calls(calls)
    { }
    QCoro::Task<Status> checkAuthorization(bool runBootstrapProbe) override
    {
        m_calls->append(runBootstrapProbe);
        const Status status = m_status;
        co_return status;
    }

private:
    Status m_status;
    QList<bool> *m_calls;
};

class SystemPermissionCheckerTest : public ::testing::Test
{
protected:
    std::shared_ptr<SystemPermissionChecker> makeChecker()
    {
        SystemPermissionChecker::Probes probes;
        probes.localNetwork = [this] { return std::make_shared<FixedLocalNetworkProbe>(localNetworkProbe); };
        probes.bluetooth = [this] { return std::make_shared<FixedBluetoothProbe>(bluetoothProbe, &bluetoothCalls); };
        probes.launcher = [this](const QString &program, const QStringList &arguments) {
            launched.append(QStringList{program} + arguments);
            return installed.contains(program);
        };
        return std::make_shared<SystemPermissionChecker>(storage, logs, clock, probes);
    }

    QString statePath() const { return directory.filePath(QStringLiteral("system-permissions-state.json")); }
    void writeState(const QByteArray &bytes)
    {
        QFile file(statePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QJsonObject readState()
    {
        QFile file(statePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    QString storedStatus(const QString &key)
    {
        return readState()
            .value(QStringLiteral("permissions"))
            .toObject()
            .value(key)
            .toObject()
            .value(QStringLiteral("status"))
            .toString();
    }
    // Runs a Local Network evaluation, moving virtual time past the probe time-out if it waits.
    Status evaluate(QCoro::Task<Status> task)
    {
        std::optional<Status> result;
        auto collector = collect(std::move(task), &result);
        while (!result) {
            EXPECT_TRUE(waitUntil([&] { return result.has_value() || clock->sleeperCount() > 0; }));
            if (!result) {
                clock->advance(3.0);
            }
        }
        return *result;
    }
    static QCoro::Task<> collect(QCoro::Task<Status> task, std::optional<Status> *out)
    {
        out->emplace(co_await std::move(task));
    }

    QTemporaryDir directory;
    RecordingLoggerFactory logs;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    StorageManagerPtr storage
        = StorageManager::create(std::make_shared<PosixFileManager>(), clock, directory.path(), logs);
    Status localNetworkProbe = Status::Unknown;
    Status bluetoothProbe = Status::Unknown;
    QList<bool> bluetoothCalls;
    QList<QStringList> launched;
    QStringList installed;
};

TEST_F(SystemPermissionCheckerTest, CombinesProbeAndRememberedStatus)
{
    struct Row
    {
        Status probed;
        bool refresh;
        Status remembered;
        Status expected;
        bool written;
    };
    const QList<Row> rows{
        {Status::Authorized, false, Status::Unknown, Status::Authorized, true},
        {Status::Authorized, true, Status::Authorized, Status::Authorized, true},
        {Status::Denied, false, Status::Authorized, Status::Denied, true},
        {Status::Denied, true, Status::Unknown, Status::Denied, true},
        {Status::Unknown, true, Status::Authorized, Status::Denied, true},
        {Status::Unknown, true, Status::Denied, Status::Denied, false},
        {Status::Unknown, true, Status::Unknown, Status::Unknown, false},
        {Status::Unknown, false, Status::Authorized, Status::Authorized, false},
        {Status::Unknown, false, Status::Denied, Status::Denied, false},
    };
    for (const Row &row : rows) {
        for (const bool bluetooth : {true, false}) {
            const QString key = bluetooth ? QStringLiteral("bluetooth") : QStringLiteral("local-network");
            const std::string label
                = QStringLiteral("%1 probed=%2 refresh=%3 remembered=%4")
                      .arg(key, toString(row.probed), QString::number(row.refresh), toString(row.remembered))
                      .toStdString();
            QFile::remove(statePath());
            if (row.remembered != Status::Unknown) {
                PermissionsStateStore store;
                store.permissions.insert(key, PermissionRecord{row.remembered, clock->now().addDays(-1)});
                storage->writeJSONSync(store, statePath());
            }
            const QByteArray before = QFile::exists(statePath()) ? QByteArray("x") : QByteArray();
            clock->advance(60);
            (bluetooth ? bluetoothProbe : localNetworkProbe) = row.probed;
            auto checker = makeChecker();

            Status result;
            if (bluetooth) {
                result = runTask(row.refresh ? checker->refreshBluetoothAccess() : checker->requestBluetoothAccess());
                EXPECT_EQ(checker->bluetoothStatus(), row.expected) << label;
            } else {
                result = evaluate(row.refresh ? checker->refreshLocalNetworkAccess()
                                              : checker->requestLocalNetworkAccess());
                EXPECT_EQ(checker->localNetworkStatus(), row.expected) << label;
            }
            EXPECT_EQ(result, row.expected) << label;
            if (row.written) {
                EXPECT_EQ(storedStatus(key), toString(row.expected)) << label;
                const QString updatedAt
                    = readState()[QStringLiteral("permissions")][key][QStringLiteral("updatedAt")].toString();
                EXPECT_EQ(updatedAt, json::toIso8601(clock->now())) << label;
            } else if (before.isEmpty()) {
                EXPECT_FALSE(QFile::exists(statePath())) << label;
            } else {
                EXPECT_EQ(storedStatus(key), toString(row.remembered)) << label;
            }
        }
    }
    EXPECT_TRUE(logs.messages(LogLevel::Warning, QStringLiteral("SystemPermissionChecker")).isEmpty());
}

TEST_F(SystemPermissionCheckerTest, BluetoothRequestWaitsButRefreshDoesNot)
{
    auto checker = makeChecker();
    runTask(checker->requestBluetoothAccess());
    runTask(checker->refreshBluetoothAccess());
    EXPECT_EQ(bluetoothCalls, (QList<bool>{true, false}));
}

TEST_F(SystemPermissionCheckerTest, StateFileRoundTripKeepsOtherEntries)
{
    writeState(R"({"permissions": {
        "bluetooth": {"status": "authorized", "updatedAt": "2025-05-01T10:00:00Z"},
        "camera": {"status": "denied", "updatedAt": "2025-05-02T10:00:00Z"}}})");
    auto checker = makeChecker();
    EXPECT_EQ(checker->bluetoothStatus(), Status::Authorized);
    EXPECT_EQ(checker->localNetworkStatus(), Status::Unknown);
    EXPECT_TRUE(logs.messages(LogLevel::Warning).isEmpty());

    localNetworkProbe = Status::Authorized;
    EXPECT_EQ(evaluate(checker->requestLocalNetworkAccess()), Status::Authorized);

    const QJsonObject permissions = readState().value(QStringLiteral("permissions")).toObject();
    EXPECT_EQ(permissions.keys(),
              (QStringList{QStringLiteral("bluetooth"), QStringLiteral("camera"), QStringLiteral("local-network")}));
    EXPECT_EQ(permissions[QStringLiteral("camera")].toObject()[QStringLiteral("updatedAt")].toString(),
              QStringLiteral("2025-05-02T10:00:00Z"));
    EXPECT_EQ(permissions[QStringLiteral("bluetooth")].toObject()[QStringLiteral("status")].toString(),
              QStringLiteral("authorized"));

    // A new checker reads back what was written.
    auto reread = makeChecker();
    EXPECT_EQ(reread->localNetworkStatus(), Status::Authorized);
}

TEST_F(SystemPermissionCheckerTest, CorruptStateFileIsReplacedOnTheNextDecision)
{
    writeState(R"({"permissions": {"bluetooth": {"status": "maybe", "updatedAt": "2025-05-01T10:00:00Z"}}})");
    auto checker = makeChecker();
    EXPECT_EQ(checker->bluetoothStatus(), Status::Unknown);
    EXPECT_EQ(logs.messages(LogLevel::Warning, QStringLiteral("SystemPermissionChecker")).size(), 2);
    EXPECT_TRUE(logs.messages(LogLevel::Warning, QStringLiteral("SystemPermissionChecker"))
                    .constFirst()
                    .startsWith(QStringLiteral("Unable to load system permission state for key 'local-network': ")));

    bluetoothProbe = Status::Authorized;
    EXPECT_EQ(runTask(checker->requestBluetoothAccess()), Status::Authorized);
    EXPECT_EQ(storedStatus(QStringLiteral("bluetooth")), QStringLiteral("authorized"));
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Warning,
                                       QStringLiteral("System permission state file does not decode, replacing it")));
    EXPECT_EQ(makeChecker()->bluetoothStatus(), Status::Authorized);
}

TEST_F(SystemPermissionCheckerTest, UnreadableStateFileIsLeftAlone)
{
    // A directory where the file should be: reading fails with an I/O error, not a decoding one.
    ASSERT_TRUE(QDir(directory.path()).mkdir(QStringLiteral("system-permissions-state.json")));
    auto checker = makeChecker();
    bluetoothProbe = Status::Denied;
    EXPECT_EQ(runTask(checker->requestBluetoothAccess()), Status::Denied);
    EXPECT_EQ(checker->bluetoothStatus(), Status::Denied);
    EXPECT_TRUE(QFileInfo(statePath()).isDir());
    EXPECT_TRUE(logs.containsSubstring(
        LogLevel::Warning, QStringLiteral("Unable to persist system permission state for key 'bluetooth': ")));
}

TEST_F(SystemPermissionCheckerTest, OpensTheFirstSettingsProgramThatExists)
{
    auto checker = makeChecker();
    installed = {QStringLiteral("systemsettings"), QStringLiteral("blueman-manager")};
    EXPECT_TRUE(checker->openBluetoothSettings());
    EXPECT_EQ(launched,
              (QList<QStringList>{{QStringLiteral("gnome-control-center"), QStringLiteral("bluetooth")},
                                  {QStringLiteral("systemsettings"), QStringLiteral("kcm_bluetooth")}}));
    EXPECT_TRUE(logs.messages(LogLevel::Warning).isEmpty());

    installed.clear();
    launched.clear();
    EXPECT_FALSE(checker->openBluetoothSettings()) << "nothing to start: the caller tells the user what to run";
    checker->openLocalNetworkSettings();
    EXPECT_EQ(launched.size(), 6);
    EXPECT_EQ(logs.messages(LogLevel::Warning),
              (QStringList{QStringLiteral("Failed to open Bluetooth settings URL"),
                           QStringLiteral("Failed to open Local Network settings URL")}));
}

class BluezAuthorizationProbeTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(bluez.start()); }
    std::shared_ptr<BluezAuthorizationProbe> makeProbe()
    {
        return std::make_shared<BluezAuthorizationProbe>(std::make_shared<BluezClient>(bluez.connection()), clock);
    }
    FakeBluez bluez;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
};

TEST_F(BluezAuthorizationProbeTest, APoweredAdapterMeansAuthorizedAnOffOneDeniedAndNoneUndecided)
{
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(false)), Status::Unknown);
    const QString adapter = bluez.addAdapter();
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(false)), Status::Authorized);
    // Turned off or blocked by rfkill: the user has to turn it on, so the Bluetooth card shows.
    bluez.updateProperties(adapter, QStringLiteral("org.bluez.Adapter1"), {{QStringLiteral("Powered"), false}});
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(false)), Status::Denied);
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(true)), Status::Denied) << "nothing to wait for";
    bluez.updateProperties(adapter, QStringLiteral("org.bluez.Adapter1"), {{QStringLiteral("Powered"), true}});
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(false)), Status::Authorized);
    bluez.stopBluez();
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(false)), Status::Unknown);
}

TEST_F(BluezAuthorizationProbeTest, RequestWaitsForAnAdapterForAtMostThirtySeconds)
{
    std::optional<Status> result;
    auto probe = makeProbe();
    auto waiting = [](std::shared_ptr<BluezAuthorizationProbe> p, std::optional<Status> *out) -> QCoro::Task<> {
        out->emplace(co_await p->checkAuthorization(true));
    };
    auto task = waiting(probe, &result);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(waitUntil([&] { return clock->sleeperCount() == 1; }));
        clock->advance(0.1);
    }
    EXPECT_FALSE(result.has_value());
    bluez.addAdapter();
    ASSERT_TRUE(waitUntil([&] { return clock->sleeperCount() == 1; }));
    clock->advance(0.1);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(*result, Status::Authorized);

    clock->setAutoAdvance(true);
    bluez.stopBluez();
    const QDateTime start = clock->now();
    EXPECT_EQ(runTask(makeProbe()->checkAuthorization(true)), Status::Unknown);
    EXPECT_NEAR(start.msecsTo(clock->now()) / 1000.0, 30.0, 0.2);
}

// A bluetoothd that holds its name but answers nothing: every call runs into the bus time-out.
class StalledObjectManager final : public QDBusVirtualObject
{
public:
    StalledObjectManager(std::shared_ptr<ManualClock> clock, QDBusConnection connection)
        : m_clock(std::move(clock))
        , m_connection(std::move(connection))
    { }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        ++calls;
        m_clock->advance(25.0);
        m_connection.send(message.createErrorReply(QDBusError::NoReply, QStringLiteral("Did not receive a reply")));
        return true;
    }
    QString introspect(const QString &) const override { return {}; }

    int calls = 0;

private:
    std::shared_ptr<ManualClock> m_clock;
    QDBusConnection m_connection;
};

TEST(BluezAuthorizationProbeStallTest, RequestWaitsAtMostThirtySecondsAlsoWhenCallsTakeLong)
{
    PrivateDBus bus;
    ASSERT_TRUE(bus.start());
    auto clock = std::make_shared<ManualClock>();
    clock->setAutoAdvance(true);
    QDBusConnection bluetoothd = QDBusConnection::connectToBus(bus.address(), QStringLiteral("stalled-bluetoothd"));
    ASSERT_TRUE(bluetoothd.registerService(QStringLiteral("org.bluez")));
    StalledObjectManager root(clock, bluetoothd);
    ASSERT_TRUE(bluetoothd.registerVirtualObject(QStringLiteral("/"), &root));

    const QDateTime start = clock->now();
    auto probe = std::make_shared<BluezAuthorizationProbe>(std::make_shared<BluezClient>(bus.connection()), clock);
    EXPECT_EQ(runTask(probe->checkAuthorization(true)), Status::Unknown);

    EXPECT_LE(start.secsTo(clock->now()), 30 + 25);
    EXPECT_LE(root.calls, 3);
    bluetoothd.unregisterObject(QStringLiteral("/"));
    QDBusConnection::disconnectFromBus(QStringLiteral("stalled-bluetoothd"));
}

TEST_F(BluezAuthorizationProbeTest, CheckerPersistsWhatTheBluezProbeFinds)
{
    QTemporaryDir directory;
    RecordingLoggerFactory logs;
    auto storage = StorageManager::create(std::make_shared<PosixFileManager>(), clock, directory.path(), logs);
    auto checker = std::make_shared<SystemPermissionChecker>(
        storage, logs, clock, SystemPermissionChecker::systemProbes(bluez.connection(), clock));
    bluez.addAdapter();
    EXPECT_EQ(runTask(checker->refreshBluetoothAccess()), Status::Authorized);
    bluez.stopBluez();
    // bluetoothd gone: a refresh withdraws the remembered authorization.
    EXPECT_EQ(runTask(checker->refreshBluetoothAccess()), Status::Denied);
    EXPECT_EQ(checker->bluetoothStatus(), Status::Denied);
}

// The match rules the bus daemon holds for one connection, from its statistics interface.
QStringList matchRulesOf(const QDBusConnection &bus, const QString &uniqueName)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Debug.Stats"), QStringLiteral("GetAllMatchRules"));
    const QDBusMessage reply = bus.call(call);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    QMap<QString, QStringList> rules;
    reply.arguments().value(0).value<QDBusArgument>() >> rules;
    QStringList own = rules.value(uniqueName);
    own.sort();
    return own;
}

TEST_F(BluezAuthorizationProbeTest, GuardedOperationsShareOneClientThatHearsOnlyBluetoothdsNameChanges)
{
    bluez.addAdapter();
    const QString name = QStringLiteral("guarded-operations");
    QDBusConnection own = QDBusConnection::connectToBus(bluez.busAddress(), name);
    {
        QTemporaryDir directory;
        RecordingLoggerFactory logs;
        auto storage = StorageManager::create(std::make_shared<PosixFileManager>(), clock, directory.path(), logs);
        auto checker = std::make_shared<SystemPermissionChecker>(storage, logs, clock,
                                                                 SystemPermissionChecker::systemProbes(own, clock));
        auto guard = std::make_shared<PermissionGuardedBluetoothDeviceManager>(
            std::make_shared<FakeBluetoothDeviceManager>(), checker, logs);

        runTask(guard->getPairedDevices());
        const QStringList afterOne = matchRulesOf(bluez.connection(), own.baseService());
        for (int i = 0; i < 10; ++i) {
            runTask(guard->getConnectionStatus(makeDevice(QStringLiteral("aa:bb:cc:dd:ee:01"))));
        }
        EXPECT_EQ(checker->bluetoothStatus(), Status::Authorized);

        // The client outlives each operation, so its subscriptions are made once and kept.
        const QStringList rules = matchRulesOf(bluez.connection(), own.baseService());
        EXPECT_EQ(rules, afterOne);
        EXPECT_FALSE(rules.filter(QStringLiteral("member='PropertiesChanged'")).isEmpty())
            << rules.join(u'\n').toStdString();
        const QStringList nameChanges = rules.filter(QStringLiteral("member='NameOwnerChanged'"));
        EXPECT_FALSE(nameChanges.isEmpty());
        for (const QString &rule : nameChanges) {
            EXPECT_TRUE(rule.contains(QStringLiteral("arg0='org.bluez'"))) << rule.toStdString();
        }
    }
    QDBusConnection::disconnectFromBus(name);
}

} // namespace
