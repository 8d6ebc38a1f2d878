#include "shell/SingleInstance.h"

#include "support/PrivateDBus.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace verandel;
using namespace verandel::test;

namespace {

TEST(SingleInstanceTest, EachDebugProfileHasItsOwnBusName)
{
    const struct
    {
        bool debug;
        std::optional<QString> profile;
        QString name;
    } cases[] = {
        {false, std::nullopt, QStringLiteral("com.verandel.Verandel")},
        {false, QStringLiteral("alpha"), QStringLiteral("com.verandel.Verandel")},
        {true, QStringLiteral("alpha"), QStringLiteral("com.verandel.Verandel.p_616c706861")},
        {true, QStringLiteral("1"), QStringLiteral("com.verandel.Verandel.p_31")},
        {true, QStringLiteral("é"), QStringLiteral("com.verandel.Verandel.p_c3a9")},
        {true, std::nullopt, QStringLiteral("com.verandel.Verandel.p_")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(SingleInstance::serviceName(c.debug, c.profile), c.name) << c.name.toStdString();
    }
    const QString longName = SingleInstance::serviceName(true, QString(300, QLatin1Char('x')));
    EXPECT_TRUE(longName.startsWith(QStringLiteral("com.verandel.Verandel.h_")));
    EXPECT_LE(longName.size(), 255);
}

class SingleInstanceBusTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_bus.start()); }

    std::unique_ptr<SingleInstance> make(QDBusConnection connection)
    {
        return std::make_unique<SingleInstance>(
            connection, m_name, [](const QString &screen) { return screen.toLower() == QStringLiteral("devices"); },
            m_logs.createLogger(QStringLiteral("SingleInstance")));
    }

    void TearDown() override
    {
        for (const QString &name : std::as_const(m_connections)) {
            QDBusConnection::disconnectFromBus(name);
        }
    }

    // Another process's connection to the session bus.
    QDBusConnection secondConnection()
    {
        const QString name = QStringLiteral("second-launch-%1").arg(m_connections.size());
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_bus.address(), name);
    }

    // Another process blocks on its call, so it runs beside the event loop that answers it.
    QDBusMessage callFromOutside(QDBusMessage call)
    {
        std::atomic<bool> done{false};
        QDBusMessage reply;
        const QDBusConnection outside = secondConnection();
        std::thread caller([&] {
            reply = outside.call(call, QDBus::Block, 10000);
            done = true;
        });
        waitUntil([&] { return done.load(); }, 15000);
        caller.join();
        return reply;
    }

    QDBusMessage method(const QString &interface, const QString &name) const
    {
        return QDBusMessage::createMethodCall(m_name, SingleInstance::objectPath, interface, name);
    }

    bool callFromSecondLaunch(const QString &screen, const QString &token)
    {
        std::atomic<int> result{-1};
        const QDBusConnection second = secondConnection();
        std::thread caller([&] { result = SingleInstance::callReopen(second, m_name, screen, token) ? 1 : 0; });
        waitUntil([&] { return result >= 0; }, 15000);
        caller.join();
        return result == 1;
    }

    PrivateDBus m_bus;
    RecordingLoggerFactory m_logs;
    QString m_name = SingleInstance::serviceName(true, QStringLiteral("test"));
    QStringList m_connections;
};

TEST_F(SingleInstanceBusTest, TheFirstLaunchOwnsTheNameAndASecondIsToldToCallIt)
{
    auto first = make(m_bus.connection());
    EXPECT_EQ(first->claim(), SingleInstance::Claim::Primary);
    auto second = make(secondConnection());
    EXPECT_EQ(second->claim(), SingleInstance::Claim::Secondary);

    QSignalSpy reopened(first.get(), &SingleInstance::reopenRequested);
    EXPECT_TRUE(callFromSecondLaunch(QStringLiteral("Devices"), QStringLiteral("token_TIME42")));
    ASSERT_EQ(reopened.count(), 1);
    EXPECT_EQ(reopened.at(0).at(0).toString(), QStringLiteral("Devices"));
    EXPECT_EQ(reopened.at(0).at(1).toString(), QStringLiteral("token_TIME42"));
    EXPECT_TRUE(callFromSecondLaunch(QString(), QString()));
    EXPECT_EQ(reopened.count(), 2);

    first.reset();
    auto third = make(secondConnection());
    EXPECT_EQ(third->claim(), SingleInstance::Claim::Primary);
}

// The mock pair's second profile finds the first running, so its windows open offset from the first's.
TEST_F(SingleInstanceBusTest, EachInstanceCountsTheOthersRunningWhenItClaims)
{
    const auto claimAs = [this](const std::optional<QString> &profile, bool debug) {
        auto instance
            = std::make_unique<SingleInstance>(secondConnection(), SingleInstance::serviceName(debug, profile), nullptr,
                                               m_logs.createLogger(QStringLiteral("SingleInstance")));
        EXPECT_EQ(instance->claim(), SingleInstance::Claim::Primary);
        return instance;
    };
    // Names of other programs, even with our name as a prefix, are not instances.
    QDBusConnection unrelated = secondConnection();
    ASSERT_TRUE(unrelated.registerService(QStringLiteral("com.verandel.VerandelHelper")));
    const auto alpha = claimAs(QStringLiteral("alpha"), true);
    EXPECT_EQ(alpha->otherInstanceCount(), 0);
    const auto beta = claimAs(QStringLiteral("beta"), true);
    EXPECT_EQ(beta->otherInstanceCount(), 1);
    const auto installed = claimAs(std::nullopt, false);
    EXPECT_EQ(installed->otherInstanceCount(), 2);
    EXPECT_EQ(alpha->otherInstanceCount(), 0) << "counted once, at the claim";
}

// A relaunch after an update: the replaced process has ended, but the bus may still list it as the
// owner until it reads the hang-up. The relaunch queues for the name and takes it then; a name held by
// any other process stays with it, and the relaunch leaves the queue.
TEST_F(SingleInstanceBusTest, ARelaunchTakesTheNameOnceTheBusLetsGoOfTheEndedOwner)
{
    const qint64 thisProcess = QCoreApplication::applicationPid();
    auto fresh = make(secondConnection());
    EXPECT_EQ(fresh->claim(thisProcess), SingleInstance::Claim::Primary) << "a free name is taken at once";
    fresh.reset();

    // The ended owner: a connection of this process (so of the pid the relaunch names) holding the name.
    ASSERT_TRUE(secondConnection().registerService(m_name));
    const QString endedName = m_connections.last();
    QTimer::singleShot(0, [endedName] { QDBusConnection::disconnectFromBus(endedName); });
    auto relaunch = make(secondConnection());
    EXPECT_EQ(relaunch->claim(thisProcess), SingleInstance::Claim::Primary);
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Info, QStringLiteral("Waiting for the session bus to release")));
    relaunch.reset();

    ASSERT_TRUE(secondConnection().registerService(m_name));
    const QString otherName = m_connections.last();
    auto beside = make(secondConnection());
    EXPECT_EQ(beside->claim(thisProcess + 1), SingleInstance::Claim::Secondary);
    QDBusConnection::disconnectFromBus(otherName);
    const QDBusConnection observer = secondConnection();
    ASSERT_TRUE(waitUntil([&] { return !observer.interface()->isServiceRegistered(m_name).value(); }, 10000))
        << "the refused relaunch left the queue";
}

TEST_F(SingleInstanceBusTest, AnyOtherCallOrArgumentIsRefusedAndChangesNothing)
{
    auto first = make(m_bus.connection());
    ASSERT_EQ(first->claim(), SingleInstance::Claim::Primary);
    QSignalSpy reopened(first.get(), &SingleInstance::reopenRequested);

    EXPECT_FALSE(callFromSecondLaunch(QStringLiteral("general; rm -rf ~"), QString()));
    EXPECT_FALSE(callFromSecondLaunch(QStringLiteral(" devices"), QString()));
    EXPECT_FALSE(callFromSecondLaunch(QString(), QStringLiteral("line\nbreak")));
    EXPECT_FALSE(callFromSecondLaunch(QString(), QString(SingleInstance::maxActivationTokenLength + 1, u'a')));

    for (const QString &name : {QStringLiteral("Quit"), QStringLiteral("deleteLater"),
                                QStringLiteral("reopenRequested"), QStringLiteral("destroyed")}) {
        const QDBusMessage reply = callFromOutside(method(SingleInstance::interfaceName, name));
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << name.toStdString();
        EXPECT_NE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.NoReply")) << name.toStdString();
    }
    const QDBusMessage wrongSignature = callFromOutside(
        method(SingleInstance::interfaceName, SingleInstance::reopenMethod) << QStringLiteral("devices"));
    EXPECT_EQ(wrongSignature.type(), QDBusMessage::ErrorMessage);
    settle();
    EXPECT_EQ(reopened.count(), 0);
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Warning, QStringLiteral("general; rm -rf ~")));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Warning, QStringLiteral("malformed activation token")));
}

TEST_F(SingleInstanceBusTest, IntrospectionShowsReopenAsTheOnlyMethodOfItsInterface)
{
    auto first = make(m_bus.connection());
    ASSERT_EQ(first->claim(), SingleInstance::Claim::Primary);
    const QDBusMessage reply
        = callFromOutside(method(QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    const QString xml = reply.arguments().value(0).toString();
    const qsizetype start = xml.indexOf(QStringLiteral("<interface name=\"com.verandel.Verandel\">"));
    ASSERT_GE(start, 0) << xml.toStdString();
    const QString ours = xml.mid(start, xml.indexOf(QStringLiteral("</interface>"), start) - start);
    EXPECT_EQ(ours.count(QStringLiteral("<method ")), 1) << ours.toStdString();
    EXPECT_TRUE(ours.contains(QStringLiteral("<method name=\"Reopen\">")));
    EXPECT_FALSE(ours.contains(QStringLiteral("<signal ")));
    EXPECT_FALSE(ours.contains(QStringLiteral("<property ")));
}

} // namespace
