#include "ShellTestSupport.h"
#include "support/HelperProcess.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"

#include "telemetry/MetricsQueueEntry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <csignal>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

// The verandel program in mock mode, offscreen, its log lines on standard output into a file.
class Program
{
public:
    Program(const XdgSandbox &sandbox, const QString &name, QStringList arguments, QProcessEnvironment environment)
        : m_logFile(sandbox.root() + u'/' + name + QStringLiteral(".log"))
    {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("ENABLE_LOG_STDOUT"), QStringLiteral("true"));
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        m_process = std::make_unique<HelperProcess>(QStringLiteral(VERANDEL_PROGRAM), arguments, environment);
        m_process->setLogFile(m_logFile);
    }

    bool start() { return m_process->start(); }
    QByteArray log() const { return readFile(m_logFile); }
    bool logs(const QByteArray &line, int timeoutMs = 30000) const
    {
        return waitUntil([&] { return log().contains(line); }, timeoutMs);
    }
    QProcess &process() { return m_process->process(); }

    // SIGTERM, as a logout sends it; the time until the process was gone, or -1.
    qint64 terminate()
    {
        QElapsedTimer timer;
        timer.start();
        process().terminate();
        return process().waitForFinished(15000) ? timer.elapsed() : -1;
    }

private:
    QString m_logFile;
    std::unique_ptr<HelperProcess> m_process;
};

QProcessEnvironment mockEnvironment(const BeaconResponder &metrics)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBUG_MODE"), QStringLiteral("true"));
    environment.insert(QStringLiteral("DISCOVERY_TYPE"), QStringLiteral("debug"));
    environment.insert(QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock"));
    environment.insert(QStringLiteral("METRICS_CDN_BASE_URL"), metrics.baseURL().toString());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return environment;
}

// A logout's SIGTERM runs the graceful stop instead of ending the program mid-transfer.
TEST(ProgramProcessTest, MockModeStartsOffscreenAndSigtermStopsItGracefullyWithinFiveSeconds)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    Program program(sandbox, QStringLiteral("mock"), {QStringLiteral("--open-screen"), QStringLiteral("devices")},
                    mockEnvironment(metrics));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.logs("Application initialized successfully")) << program.log().toStdString();
    ASSERT_TRUE(program.logs("Settings window shown on the tab Devices")) << program.log().toStdString();
    const QByteArray launched = program.log();
    EXPECT_LT(launched.indexOf("Opening screen from command line: devices"),
              launched.indexOf("Application initialized successfully"));
    EXPECT_LT(launched.indexOf("Application initialized successfully"),
              launched.indexOf("Settings window shown on the tab Devices"));

    const qint64 elapsed = program.terminate();
    ASSERT_GE(elapsed, 0);
    EXPECT_LT(elapsed, 5000);
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
    const QByteArray log = program.log();
    EXPECT_TRUE(log.contains("Application will terminate - starting graceful shutdown")) << log.toStdString();
    EXPECT_TRUE(log.contains("Core services stopped"));
    EXPECT_TRUE(log.contains("Graceful shutdown completed successfully"));
}

TEST(ProgramProcessTest, ASecondLaunchMakesTheFirstPresentTheControlCenterAndExits)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    PrivateDBus session;
    ASSERT_TRUE(session.start());
    QProcessEnvironment environment = mockEnvironment(metrics);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), session.address());
    environment.insert(QStringLiteral("DEBUG_PROFILE"), QStringLiteral("solo"));
    // Started at login, with no window of its own yet (the tray host is given 30 s to appear).
    Program first(sandbox, QStringLiteral("first"), {QStringLiteral("--autostart")}, environment);
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(first.logs("Application initialized successfully")) << first.log().toStdString();
    EXPECT_FALSE(first.log().contains("Control Center shown"));

    const auto launchAgain = [&](const QString &name, const QStringList &arguments) {
        Program again(sandbox, name, arguments, environment);
        EXPECT_TRUE(again.start());
        EXPECT_TRUE(again.process().waitForFinished(15000));
        EXPECT_EQ(again.process().exitCode(), 0) << again.log().toStdString();
        EXPECT_FALSE(again.log().contains("Application initialized successfully"));
        // A hand-over says so in one line; a login start hands nothing over and says nothing.
        const bool handsOver = !arguments.contains(QStringLiteral("--autostart"));
        EXPECT_EQ(again.log().count("Verandel (profile solo) is already running; it was asked to show its window.\n"),
                  handsOver ? 1 : 0)
            << again.log().toStdString();
    };
    launchAgain(QStringLiteral("second"), {});
    EXPECT_TRUE(first.logs("Control Center shown")) << first.log().toStdString();
    launchAgain(QStringLiteral("third"), {QStringLiteral("--open-screen"), QStringLiteral("devices")});
    EXPECT_TRUE(first.logs("Settings window shown on the tab Devices")) << first.log().toStdString();
    launchAgain(QStringLiteral("login"), {QStringLiteral("--autostart")});
    settle();
    EXPECT_EQ(first.log().count("Reopen requested by a second launch"), 2);
    EXPECT_GE(first.terminate(), 0);
    EXPECT_TRUE(first.log().contains("Graceful shutdown completed successfully"));
}

// As scripts/run --mock-pair starts them: two profiles written by scripts/write-mock-pair, each
// listing the other.
TEST(ProgramProcessTest, TheMockPairDiscoversEachOtherAndStopsOnSigterm)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    QProcess writer;
    writer.start(QStringLiteral(VERANDEL_SOURCE_DIR "/scripts/write-mock-pair"), {sandbox.workingDirectory()});
    ASSERT_TRUE(writer.waitForFinished(15000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();

    const struct
    {
        QString profile;
        QByteArray otherId;
    } profiles[] = {{QStringLiteral("alpha"), "BE7A0000-0000-4000-8000-00000000BE7A"},
                    {QStringLiteral("beta"), "A1FA0000-0000-4000-8000-00000000A1FA"}};
    std::vector<std::unique_ptr<Program>> programs;
    for (const auto &p : profiles) {
        QProcessEnvironment environment = mockEnvironment(metrics);
        environment.insert(QStringLiteral("DEBUG_PROFILE"), p.profile);
        environment.insert(QStringLiteral("LOG_LEVEL"), QStringLiteral("debug"));
        programs.push_back(std::make_unique<Program>(sandbox, p.profile, QStringList(), environment));
        ASSERT_TRUE(programs.back()->start());
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
        EXPECT_TRUE(programs[i]->logs("Added new discovered Mac: " + profiles[i].otherId, 40000))
            << programs[i]->log().toStdString();
    }
    for (auto &program : programs) {
        EXPECT_GE(program->terminate(), 0);
        EXPECT_EQ(program->process().exitCode(), 0);
        EXPECT_TRUE(program->log().contains("Graceful shutdown completed successfully"));
    }
}

// What a running instance reads of its files: their bytes, and which file (device, inode) and when.
QString filesOfTheRunningPair(const QString &directory)
{
    QString seen;
    for (const QString &profile : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
        for (const QString &name : {QStringLiteral("debug-context.json"), QStringLiteral("debug-identity.json")}) {
            const QString path = directory + QStringLiteral("/tmp/") + profile + u'/' + name;
            struct stat status = {};
            ::stat(QFile::encodeName(path).constData(), &status);
            seen += QStringLiteral("%1 %2:%3 %4.%5\n%6\n")
                        .arg(path)
                        .arg(status.st_dev)
                        .arg(status.st_ino)
                        .arg(status.st_mtim.tv_sec)
                        .arg(status.st_mtim.tv_nsec)
                        .arg(QString::fromUtf8(readFile(path)));
        }
    }
    return seen;
}

// scripts/run --mock-pair after its build, run twice, the second time while the pair runs; then Ctrl+C.
TEST(ProgramProcessTest, TheMockPairScriptLeavesARunningPairAloneAndCtrlCStopsBoth)
{
    XdgSandbox sandbox;
    PrivateDBus session;
    ASSERT_TRUE(session.start());
    const QString directory = sandbox.workingDirectory();
    // An event alpha queued in an earlier run: it goes to the script's metrics responder at the start.
    const MetricsQueueEntry queued{
        MetricsEvent::macLinkEstablished(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"),
                                         QDateTime::currentDateTimeUtc(),
                                         QStringLiteral("11111111-2222-4333-8444-555555555555"))
            .withRuntimeMetadata(MetricsRuntimeMetadata{QStringLiteral("1.0.6"), MetricsAppPlatform::LinuxX8664,
                                                        QStringLiteral("12.0.0"), MetricsBuildType::NonRelease}),
        QDateTime::currentDateTimeUtc()};
    const QString queue = directory + QStringLiteral("/tmp/alpha/app-storage/metrics-queue.json");
    ASSERT_TRUE(QDir().mkpath(directory + QStringLiteral("/tmp/alpha/app-storage")));
    QFile queueFile(queue);
    ASSERT_TRUE(queueFile.open(QIODevice::WriteOnly));
    queueFile.write(QJsonDocument(QJsonArray{queued.toJson()}).toJson());
    queueFile.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), session.address());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    environment.insert(QStringLiteral("LOG_LEVEL"), QStringLiteral("debug"));
    const QString script = QStringLiteral(VERANDEL_SOURCE_DIR "/scripts/start-mock");
    const QStringList arguments{QStringLiteral("--mock-pair"), QStringLiteral(VERANDEL_PROGRAM), directory};
    const QString logFile = sandbox.root() + QStringLiteral("/pair.log");
    HelperProcess pair(script, arguments, environment);
    pair.setLogFile(logFile);
    ASSERT_TRUE(pair.start());
    const auto log = [&] { return QString::fromUtf8(readFile(logFile)); };
    const auto logged = [&](const QString &profile, const QString &text) {
        return log().contains(QRegularExpression(
            QStringLiteral("(^|\n)\\[%1\\] [^\n]*%2").arg(profile, QRegularExpression::escape(text))));
    };
    for (const QString &profile : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
        ASSERT_TRUE(
            waitUntil([&] { return logged(profile, QStringLiteral("Application initialized successfully")); }, 40000))
            << log().toStdString();
    }
    ASSERT_TRUE(waitUntil([&] { return QJsonDocument::fromJson(readFile(queue)).array().isEmpty(); }, 20000))
        << log().toStdString();
    const QString files = filesOfTheRunningPair(directory);

    QProcess again;
    again.setProcessEnvironment(environment);
    again.start(script, arguments);
    ASSERT_TRUE(again.waitForFinished(30000));
    EXPECT_EQ(again.exitCode(), 0);
    const QString said = QString::fromUtf8(again.readAllStandardOutput() + again.readAllStandardError());
    EXPECT_EQ(said.count(u'\n'), 1) << said.toStdString();
    EXPECT_TRUE(said.startsWith(QStringLiteral("The mock pair is already running (alpha beta)"))) << said.toStdString();
    EXPECT_EQ(filesOfTheRunningPair(directory), files);
    for (const QString &profile : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
        EXPECT_TRUE(waitUntil([&] { return logged(profile, QStringLiteral("Reopen requested by a second launch")); }))
            << log().toStdString();
    }

    ::kill(static_cast<pid_t>(pair.pid()), SIGINT);
    ASSERT_TRUE(pair.process().waitForFinished(20000));
    EXPECT_EQ(pair.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pair.process().exitCode(), 0);
    const QString all = log();
    for (const QString &profile : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
        EXPECT_TRUE(logged(profile, QStringLiteral("Graceful shutdown completed successfully"))) << all.toStdString();
    }
    for (const QString &line : all.split(u'\n', Qt::SkipEmptyParts)) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("[alpha] ")) || line.startsWith(QStringLiteral("[beta] ")))
            << line.toStdString();
        // Offscreen there is no tray; that warning aside, the pair's logs are clean.
        if (!line.contains(QStringLiteral("No system tray is available"))) {
            EXPECT_FALSE(line.contains(QStringLiteral("[WARNING]")) || line.contains(QStringLiteral("[ERROR]")))
                << line.toStdString();
        }
    }
}

} // namespace
