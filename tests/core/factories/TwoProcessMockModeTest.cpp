#include "FactoryTestSupport.h"
#include "foundation/JsonCodec.h"
#include "mock/DebugContext.h"
#include "records/ConnectedMac.h"
#include "support/BeaconResponder.h"
#include "support/HelperProcess.h"
#include "support/LoopbackPorts.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

using namespace verandel;
using namespace verandel::test;

namespace {

// When each instance last saw the other, as written beforehand.
const QDateTime seededLastSeen = QDateTime(QDate(2025, 6, 1), QTime(8, 0), Qt::UTC);

void writeFileIn(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFile(path, content);
}

// One instance of the program in mock mode, with its files in its debug profile's directory.
struct Instance
{
    Instance(QString profile, QString name)
        : profile(std::move(profile))
        , name(std::move(name))
    { }

    QString profile;
    QString name;
    QUuid id = QUuid::createUuid();
    QString installationId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    quint16 port = freeLoopbackPort();
    QString directory;
    std::unique_ptr<HelperProcess> process;

    QString file(const QString &name) const { return directory + u'/' + name; }
    QString idText() const { return id.toString(QUuid::WithoutBraces).toUpper(); }

    // Links this instance to the other one before it starts: the other is a simulated peer in the
    // context, and already stored as a linked computer.
    void prepare(const Instance &other)
    {
        writeFileIn(file(QStringLiteral("debug-identity.json")),
                    QJsonDocument(QJsonObject{{QStringLiteral("id"), idText()}}).toJson());
        DebugContext context = DebugContext::createDefault();
        context.discoverableMacs
            = {DebugDiscoverableMac{other.idText(), other.port, other.name, QStringLiteral("1.0.6"), std::nullopt}};
        context.listenerPort = port;
        context.save(file(QStringLiteral("debug-context.json")));
        const QList<ConnectedMac> linked{
            ConnectedMac(other.id, other.name, other.installationId, seededLastSeen, seededLastSeen, {})};
        writeFileIn(file(QStringLiteral("app-storage/connected-macs.json")),
                    json::encodeDocument(JsonCodec<QList<ConnectedMac>>::encode(linked)));
    }

    std::optional<QDateTime> lastSeenOfOther() const
    {
        const QJsonArray stored
            = QJsonDocument::fromJson(readFile(file(QStringLiteral("app-storage/connected-macs.json")))).array();
        if (stored.size() != 1) {
            return std::nullopt;
        }
        return ConnectedMac::fromJson(stored.first()).lastSeenTimestamp();
    }

    bool sentPingsBothWays() const
    {
        const QByteArray sent = readFile(file(QStringLiteral("debug-frame-sender.json")));
        return sent.contains("\"ping_request\"") && sent.contains("\"ping_response\"");
    }
};

TEST(TwoProcessMockModeTest, TwoLinkedInstancesPingEachOtherOverLoopbackAndStopOnSigterm)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    Instance alpha{QStringLiteral("alpha"), QStringLiteral("Alpha")};
    Instance beta{QStringLiteral("beta"), QStringLiteral("Beta")};
    for (Instance *instance : {&alpha, &beta}) {
        instance->directory = sandbox.workingDirectory() + QStringLiteral("/tmp/") + instance->profile;
    }
    alpha.prepare(beta);
    beta.prepare(alpha);

    for (Instance *instance : {&alpha, &beta}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DEBUG_MODE"), QStringLiteral("true"));
        environment.insert(QStringLiteral("DEBUG_PROFILE"), instance->profile);
        environment.insert(QStringLiteral("DISCOVERY_TYPE"), QStringLiteral("debug"));
        environment.insert(QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock"));
        environment.insert(QStringLiteral("METRICS_CDN_BASE_URL"), metrics.baseURL().toString());
        environment.insert(QStringLiteral("ENABLE_LOG_STDOUT"), QStringLiteral("true"));
        environment.insert(QStringLiteral("LOG_LEVEL"), QStringLiteral("debug"));
        // Each instance is stopped while the other may still be answering it: a send to a computer
        // that is itself stopping can be left waiting for its connection when the process exits, and
        // its frames go with the process. The in-process tests keep leak checking on.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        // Nothing of a mock run may need a system daemon.
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        instance->process
            = std::make_unique<HelperProcess>(QStringLiteral(VERANDEL_MOCK_MODE_RUNNER), QStringList(), environment);
        instance->process->setLogFile(sandbox.root() + u'/' + instance->profile + QStringLiteral(".log"));
        ASSERT_TRUE(instance->process->start());
    }
    const auto logs = [&] {
        return (readFile(sandbox.root() + QStringLiteral("/alpha.log")) + "\n----\n"
                + readFile(sandbox.root() + QStringLiteral("/beta.log")))
            .toStdString();
    };

    const bool linked = waitUntil(
        [&] {
            return alpha.sentPingsBothWays() && beta.sentPingsBothWays() && alpha.lastSeenOfOther() > seededLastSeen
                && beta.lastSeenOfOther() > seededLastSeen;
        },
        40000);
    EXPECT_TRUE(linked) << logs();

    for (Instance *instance : {&alpha, &beta}) {
        QProcess &process = instance->process->process();
        process.terminate();
        EXPECT_TRUE(process.waitForFinished(5000)) << instance->profile.toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << logs();
    }
    EXPECT_TRUE(readFile(sandbox.root() + QStringLiteral("/alpha.log")).contains("Core services stopped"));
}

} // namespace
