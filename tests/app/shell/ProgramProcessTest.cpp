#include "ProgramProcess.h"
#include "update/RelaunchHandoff.h"

#include "telemetry/MetricsQueueEntry.h"

#include <QDir>
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

// A logout's SIGTERM runs the graceful stop instead of ending the program mid-transfer.
TEST(ProgramProcessTest, MockModeStartsOffscreenAndSigtermStopsItGracefullyWithinFiveSeconds)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    ProgramProcess program(sandbox, QStringLiteral("mock"),
                           {QStringLiteral("--open-screen"), QStringLiteral("devices")},
                           mockProgramEnvironment(metrics));
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
    const QProcessEnvironment environment = sessionProgramEnvironment(metrics, session, QStringLiteral("solo"));
    // Started at login, with no window of its own yet (the tray host is given 30 s to appear).
    ProgramProcess first(sandbox, QStringLiteral("first"), {QStringLiteral("--autostart")}, environment);
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(first.logs("Application initialized successfully")) << first.log().toStdString();
    EXPECT_FALSE(first.log().contains("Control Center shown"));

    const auto launchAgain = [&](const QString &name, const QStringList &arguments) {
        ProgramProcess again(sandbox, name, arguments, environment);
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

// An update's relaunch starts while the version it replaces still runs: it waits for that process to
// end, then owns the name and starts, and only it runs. Ten rounds, each relaunch replacing the last.
TEST(ProgramProcessTest, ARelaunchWaitsForTheProcessItReplacesThenRunsAlone)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    PrivateDBus session;
    ASSERT_TRUE(session.start());
    const QString profile = QStringLiteral("relaunch");
    const QProcessEnvironment environment = sessionProgramEnvironment(metrics, session, profile);

    auto running = std::make_unique<ProgramProcess>(sandbox, QStringLiteral("round0"),
                                                    QStringList{QStringLiteral("--autostart")}, environment);
    ASSERT_TRUE(running->start());
    ASSERT_TRUE(running->logs("Application initialized successfully")) << running->log().toStdString();
    constexpr int rounds = 10;
    for (int round = 1; round <= rounds; ++round) {
        const qint64 replaced = running->pid();
        auto relaunched = std::make_unique<ProgramProcess>(sandbox, QStringLiteral("round%1").arg(round),
                                                           RelaunchHandoff::arguments(replaced), environment);
        ASSERT_TRUE(relaunched->start());
        ASSERT_TRUE(relaunched->logs("waiting for the replaced process " + QByteArray::number(replaced)))
            << relaunched->log().toStdString();
        EXPECT_FALSE(relaunched->log().contains("Owning the session-bus name")) << round;

        ASSERT_GE(running->terminate(), 0) << round;
        EXPECT_EQ(running->process().exitCode(), 0) << round;
        EXPECT_TRUE(running->log().contains("Graceful shutdown completed successfully")) << round;
        ASSERT_TRUE(relaunched->logs("Application initialized successfully")) << relaunched->log().toStdString();
        const QByteArray log = relaunched->log();
        EXPECT_LT(log.indexOf("The replaced process " + QByteArray::number(replaced) + " ended"),
                  log.indexOf("Owning the session-bus name"))
            << round;
        EXPECT_FALSE(log.contains("already running")) << round;
        EXPECT_FALSE(log.contains("Reopen")) << round;
        EXPECT_EQ(relaunched->process().state(), QProcess::Running) << round;
        EXPECT_EQ(singleInstanceOwner(session, profile), relaunched->pid()) << round;
        running = std::move(relaunched);
    }
    EXPECT_GE(running->terminate(), 0);
    EXPECT_TRUE(running->log().contains("Graceful shutdown completed successfully"));
}

// A process that does not end within the wait is left alone: the relaunch says why and gives up
// before it touches the single-instance name or anything stored.
TEST(ProgramProcessTest, ARelaunchWhoseReplacedProcessNeverEndsGivesUp)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    QProcess stuck;
    stuck.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(stuck.waitForStarted());
    ProgramProcess relaunched(sandbox, QStringLiteral("relaunch"), RelaunchHandoff::arguments(stuck.processId()),
                              mockProgramEnvironment(metrics));
    ASSERT_TRUE(relaunched.start());
    ASSERT_TRUE(relaunched.process().waitForFinished(30000));
    EXPECT_NE(relaunched.process().exitCode(), 0);
    const QByteArray log = relaunched.log();
    EXPECT_TRUE(log.contains("is still running after 10 seconds; not starting")) << log.toStdString();
    EXPECT_FALSE(log.contains("Owning the session-bus name"));
    EXPECT_FALSE(log.contains("Application initialized successfully"));
    stuck.kill();
    stuck.waitForFinished();
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
    std::vector<std::unique_ptr<ProgramProcess>> programs;
    for (const auto &p : profiles) {
        QProcessEnvironment environment = mockProgramEnvironment(metrics);
        environment.insert(QStringLiteral("DEBUG_PROFILE"), p.profile);
        environment.insert(QStringLiteral("LOG_LEVEL"), QStringLiteral("debug"));
        programs.push_back(std::make_unique<ProgramProcess>(sandbox, p.profile, QStringList(), environment));
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
