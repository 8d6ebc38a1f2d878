#include "avahi/AvahiServiceBrowser.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDBusObjectPath>
#include <QDBusVirtualObject>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString kFakeConnection = QStringLiteral("fake-avahi-browser");
const QString kBrowserInterface = QStringLiteral("org.freedesktop.Avahi.ServiceBrowser");
const QString kResolverInterface = QStringLiteral("org.freedesktop.Avahi.ServiceResolver");

// Every object of a scripted avahi-daemon: the ...Prepare calls wait until the test answers them,
// every other call is answered at once, and every call is recorded.
class ScriptedAvahi final : public QDBusVirtualObject
{
public:
    QStringList calls;
    QList<QDBusMessage> pendingPrepares;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        calls.append(message.path() + QLatin1Char(' ') + message.member());
        if (message.member().endsWith(QStringLiteral("Prepare"))) {
            message.setDelayedReply(true);
            pendingPrepares.append(message);
            return true;
        }
        connection.send(message.createReply());
        return true;
    }

    // Answers the oldest waiting Prepare with a new object path.
    QString answerPrepare(const QDBusConnection &connection)
    {
        const QDBusMessage call = pendingPrepares.takeFirst();
        const QString kind = call.member() == QStringLiteral("ServiceBrowserPrepare")
            ? QStringLiteral("ServiceBrowser")
            : QStringLiteral("ServiceResolver");
        const QString path = QStringLiteral("/Client1/%1%2").arg(kind).arg(++m_objects);
        connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        return path;
    }

    int count(const QString &call) const { return static_cast<int>(calls.count(call)); }

private:
    int m_objects = 0;
};

class AvahiServiceBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.start());
        avahi = QDBusConnection::connectToBus(bus.address(), kFakeConnection);
        ASSERT_TRUE(avahi.registerVirtualObject(QStringLiteral("/"), &daemon, QDBusConnection::SubPath));
        ASSERT_TRUE(avahi.registerService(QStringLiteral("org.freedesktop.Avahi")));
        browser = std::make_unique<AvahiServiceBrowser>(bus.connection(), QStringLiteral("_verandel._tcp"),
                                                        QStringLiteral("local"), logs);
    }
    void TearDown() override
    {
        browser.reset();
        avahi.unregisterObject(QStringLiteral("/"));
        QDBusConnection::disconnectFromBus(kFakeConnection);
    }

    bool waitForPrepares(int count)
    {
        return waitUntil([&] { return daemon.pendingPrepares.size() == count; });
    }

    // Starts the browser and answers its Prepare and Start.
    QString startBrowsing()
    {
        browser->start();
        EXPECT_TRUE(waitForPrepares(1));
        const QString path = daemon.answerPrepare(avahi);
        EXPECT_TRUE(waitUntil([&] { return daemon.count(path + QStringLiteral(" Start")) == 1; }));
        return path;
    }

    void emitItem(const QString &browserPath, const QString &member, const QString &name)
    {
        QDBusMessage signal = QDBusMessage::createSignal(browserPath, kBrowserInterface, member);
        signal << -1 << 0 << name << QStringLiteral("_verandel._tcp") << QStringLiteral("local") << 0u;
        avahi.send(signal);
    }

    PrivateDBus bus;
    QDBusConnection avahi{QString()};
    ScriptedAvahi daemon;
    RecordingLoggerFactory logs;
    std::unique_ptr<AvahiServiceBrowser> browser;
};

} // namespace

TEST_F(AvahiServiceBrowserTest, BrowserPreparedAfterStopOrReleaseIsFreed)
{
    for (const bool release : {false, true}) {
        SCOPED_TRACE(release ? "released" : "stopped");
        browser->start();
        ASSERT_TRUE(waitForPrepares(1));
        release ? browser.reset() : browser->stop();
        const QString path = daemon.answerPrepare(avahi);
        EXPECT_TRUE(waitUntil([&] { return daemon.count(path + QStringLiteral(" Free")) == 1; }));
        EXPECT_EQ(daemon.count(path + QStringLiteral(" Start")), 0);
    }
}

TEST_F(AvahiServiceBrowserTest, InstanceSeenAgainWhileItsResolverIsPreparedKeepsOneResolver)
{
    const QString browserPath = startBrowsing();
    emitItem(browserPath, QStringLiteral("ItemNew"), QStringLiteral("Studio"));
    ASSERT_TRUE(waitForPrepares(1));
    emitItem(browserPath, QStringLiteral("ItemRemove"), QStringLiteral("Studio"));
    emitItem(browserPath, QStringLiteral("ItemNew"), QStringLiteral("Studio"));
    ASSERT_TRUE(waitForPrepares(2));

    const QString first = daemon.answerPrepare(avahi);
    const QString second = daemon.answerPrepare(avahi);
    ASSERT_TRUE(waitUntil([&] {
        return daemon.count(first + QStringLiteral(" Free")) + daemon.count(second + QStringLiteral(" Free")) == 1;
    }));
    const QString kept = daemon.count(first + QStringLiteral(" Free")) == 0 ? first : second;

    // Removing the instance frees the resolver that was kept, so none is left behind.
    emitItem(browserPath, QStringLiteral("ItemRemove"), QStringLiteral("Studio"));
    EXPECT_TRUE(waitUntil([&] { return daemon.count(kept + QStringLiteral(" Free")) == 1; }));
    EXPECT_EQ(daemon.count(first + QStringLiteral(" Free")) + daemon.count(second + QStringLiteral(" Free")), 2);
}

TEST_F(AvahiServiceBrowserTest, ResolverPreparedAfterReleaseIsFreed)
{
    const QString browserPath = startBrowsing();
    emitItem(browserPath, QStringLiteral("ItemNew"), QStringLiteral("Studio"));
    ASSERT_TRUE(waitForPrepares(1));
    browser.reset();
    const QString resolver = daemon.answerPrepare(avahi);
    EXPECT_TRUE(waitUntil([&] { return daemon.count(resolver + QStringLiteral(" Free")) == 1; }));
    EXPECT_EQ(daemon.count(browserPath + QStringLiteral(" Free")), 1);
}
