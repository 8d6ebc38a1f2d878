#include "ProgramProcess.h"
#include "update/RelaunchHandoff.h"

#include <QFile>

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

} // namespace
