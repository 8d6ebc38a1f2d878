#include "ShellTestSupport.h"
#include "support/HelperProcess.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>

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

} // namespace
