#include "bluetooth/AvahiLocalNetworkProbe.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

// Just enough of avahi-daemon's Server2 and ServiceBrowser for the probe.
class FakeAvahiServer final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Avahi.Server2")

public:
    enum class Answer { AllForNow, Refuse, Silent, LatePrepare };

    FakeAvahiServer(QDBusConnection bus, Answer answer)
        : m_bus(std::move(bus))
        , m_answer(answer)
    { }

    QString preparedType;
    int freed = 0;

public Q_SLOTS:
    QDBusObjectPath ServiceBrowserPrepare(int interface, int protocol, const QString &type, const QString &domain,
                                          uint flags)
    {
        Q_UNUSED(interface);
        Q_UNUSED(protocol);
        Q_UNUSED(domain);
        Q_UNUSED(flags);
        preparedType = type;
        if (m_answer == Answer::Refuse) {
            sendErrorReply(QStringLiteral("org.freedesktop.Avahi.NotPermittedError"), QStringLiteral("Not permitted"));
        } else if (m_answer == Answer::LatePrepare) {
            setDelayedReply(true);
            m_pendingPrepare = message();
        }
        return QDBusObjectPath(QStringLiteral("/Client1/ServiceBrowser1"));
    }

    // Answers a held-back ServiceBrowserPrepare now.
    void answerPrepare()
    {
        m_bus.send(m_pendingPrepare.createReply(
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/Client1/ServiceBrowser1")))));
    }

    void answerStart(const QDBusMessage &call)
    {
        m_bus.send(call.createReply());
        if (m_answer == Answer::AllForNow) {
            m_bus.send(QDBusMessage::createSignal(QStringLiteral("/Client1/ServiceBrowser1"),
                                                  QStringLiteral("org.freedesktop.Avahi.ServiceBrowser"),
                                                  QStringLiteral("AllForNow")));
        }
    }

private:
    QDBusConnection m_bus;
    Answer m_answer;
    QDBusMessage m_pendingPrepare;
};

class FakeAvahiBrowser final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Avahi.ServiceBrowser")

public:
    explicit FakeAvahiBrowser(FakeAvahiServer &server)
        : m_server(server)
    { }

public Q_SLOTS:
    void Start()
    {
        setDelayedReply(true);
        m_server.answerStart(message());
    }
    void Free() { ++m_server.freed; }

private:
    FakeAvahiServer &m_server;
};

class AvahiLocalNetworkProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.start());
        avahi = QDBusConnection::connectToBus(bus.address(), QStringLiteral("fake-avahi"));
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("fake-avahi")); }

    void runAvahi(FakeAvahiServer::Answer answer)
    {
        server = std::make_unique<FakeAvahiServer>(avahi, answer);
        browser = std::make_unique<FakeAvahiBrowser>(*server);
        ASSERT_TRUE(avahi.registerObject(QStringLiteral("/"), server.get(), QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(avahi.registerObject(QStringLiteral("/Client1/ServiceBrowser1"), browser.get(),
                                         QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(avahi.registerService(QStringLiteral("org.freedesktop.Avahi")));
    }

    SystemPermissionStatus probe(std::stop_token token = {})
    {
        AvahiLocalNetworkProbe probe(bus.connection());
        return runTask(probe.checkStatus(token));
    }

    PrivateDBus bus;
    QDBusConnection avahi{QString()};
    std::unique_ptr<FakeAvahiServer> server;
    std::unique_ptr<FakeAvahiBrowser> browser;
};

TEST_F(AvahiLocalNetworkProbeTest, BrowserThatAnswersMeansAuthorized)
{
    runAvahi(FakeAvahiServer::Answer::AllForNow);
    EXPECT_EQ(probe(), SystemPermissionStatus::Authorized);
    EXPECT_EQ(server->preparedType, QStringLiteral("_verandel._tcp"));
    EXPECT_TRUE(waitUntil([&] { return server->freed == 1; }));
}

TEST_F(AvahiLocalNetworkProbeTest, RefusalMeansDenied)
{
    runAvahi(FakeAvahiServer::Answer::Refuse);
    EXPECT_EQ(probe(), SystemPermissionStatus::Denied);
}

TEST_F(AvahiLocalNetworkProbeTest, UndecidedProbeGivesUpWhenStopped)
{
    // Without a daemon first: once the fake daemon is on the bus it stays there, and a second probe
    // against it would free a browser of its own.
    for (const bool withDaemon : {false, true}) {
        if (withDaemon) {
            runAvahi(FakeAvahiServer::Answer::Silent);
        }
        std::stop_source stop;
        QTimer::singleShot(50, [&stop] { stop.request_stop(); });
        EXPECT_EQ(probe(stop.get_token()), SystemPermissionStatus::Unknown);
    }
    EXPECT_TRUE(waitUntil([&] { return server->freed == 1; }));
}

TEST_F(AvahiLocalNetworkProbeTest, BrowserMadeAfterTheProbeGaveUpIsFreed)
{
    runAvahi(FakeAvahiServer::Answer::LatePrepare);
    std::stop_source stop;
    QTimer::singleShot(50, [&stop] { stop.request_stop(); });
    EXPECT_EQ(probe(stop.get_token()), SystemPermissionStatus::Unknown);
    server->answerPrepare();
    EXPECT_TRUE(waitUntil([&] { return server->freed == 1; }));
}

TEST(AvahiLocalNetworkProbeErrorTest, OnlyRefusalsDecide)
{
    EXPECT_EQ(AvahiLocalNetworkProbe::statusForError(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), {}),
              SystemPermissionStatus::Denied);
    EXPECT_EQ(AvahiLocalNetworkProbe::statusForError({}, QStringLiteral("Access denied")),
              SystemPermissionStatus::Denied);
    EXPECT_FALSE(AvahiLocalNetworkProbe::statusForError(QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                                                        QStringLiteral("not there"))
                     .has_value());
}

} // namespace

#include "AvahiLocalNetworkProbeTest.moc"
