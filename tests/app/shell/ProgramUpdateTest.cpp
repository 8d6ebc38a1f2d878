#include "ProgramProcess.h"
#include "support/HttpTestServer.h"
#include "support/UpdateReleaseKit.h"
#include "update/HostPlatform.h"
#include "update/RelaunchHandoff.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>

using namespace verandel;
using namespace verandel::test;

namespace {

// Runs a tool to its end; its standard output, or nothing when it failed.
std::optional<QByteArray> runTool(const QString &program, const QStringList &arguments,
                                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << ": " << tool.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}

// A release tarball laid out as CPack makes it (bin/verandel, stripped, and share/), whose environment
// file names the feed.
QString packRelease(const QString &work, const QString &version, const QString &program, const QString &feed)
{
    const QString stage = work + QStringLiteral("/stage-") + version;
    for (const QString &folder :
         {QStringLiteral("bin"), QStringLiteral("share/verandel"), QStringLiteral("share/applications"),
          QStringLiteral("share/icons/hicolor/scalable/apps")}) {
        EXPECT_TRUE(QDir().mkpath(stage + u'/' + folder));
    }
    if (!runTool(QStringLiteral("strip"), {QStringLiteral("-o"), stage + QStringLiteral("/bin/verandel"), program})) {
        return {};
    }
    writeFile(stage + QStringLiteral("/share/verandel/runtime-env"), "SPARKLE_FEED_URL=" + feed.toUtf8() + '\n');
    const QString resources = QStringLiteral(VERANDEL_SOURCE_DIR "/resources/");
    EXPECT_TRUE(QFile::copy(resources + QStringLiteral("com.verandel.Verandel.desktop"),
                            stage + QStringLiteral("/share/applications/com.verandel.Verandel.desktop")));
    EXPECT_TRUE(QFile::copy(resources + QStringLiteral("com.verandel.Verandel.svg"),
                            stage + QStringLiteral("/share/icons/hicolor/scalable/apps/com.verandel.Verandel.svg")));
    const QString tarball
        = QStringLiteral("%1/verandel-%2-linux-%3.tar.gz").arg(work, version, HostPlatform::machineArchitecture());
    if (!runTool(QStringLiteral("tar"),
                 {QStringLiteral("-C"), stage, QStringLiteral("-czf"), tarball, QStringLiteral("bin"),
                  QStringLiteral("share")})) {
        return {};
    }
    return tarball;
}

// Every process whose executable lies under the folder: the installed program's copies.
QList<qint64> processesRunningFrom(const QString &folder)
{
    QList<qint64> pids;
    const QString prefix = QFileInfo(folder).canonicalFilePath() + u'/';
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric) {
            continue;
        }
        const QString executable = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        if (executable.startsWith(prefix)) {
            pids.append(pid);
        }
    }
    return pids;
}

// Whatever the test leaves running from the temporary home goes with it.
struct StopsWhatRunsFrom
{
    QString folder;
    ~StopsWhatRunsFrom()
    {
        for (const qint64 pid : processesRunningFrom(folder)) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
            RelaunchHandoff::waitForProcessEnd(pid, std::chrono::seconds(10));
        }
    }
};

// One real update, as a user's computer makes it: 9.0.0 installed with scripts/install-user-local,
// its feed offering 9.1.0 packed and signed as scripts/make-release does, the installed program
// started; it finds, downloads, checks, unpacks and activates 9.1.0, quits, and the relaunch runs alone.
TEST(ProgramUpdateTest, AnInstalledProgramUpdatesItselfAndOnlyTheNewVersionRuns)
{
    XdgSandbox sandbox;
    BeaconResponder metrics;
    PrivateDBus session;
    ASSERT_TRUE(session.start());
    HttpTestServer server;
    const QString home = sandbox.root() + QStringLiteral("/home");
    const QString work = sandbox.root() + QStringLiteral("/releases");
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_TRUE(QDir().mkpath(work));
    const StopsWhatRunsFrom cleanup{home};

    const QString feed = server.url(QStringLiteral("/appcast.xml")).toString();
    const QString installed
        = packRelease(work, QStringLiteral("9.0.0"), QStringLiteral(VERANDEL_UPDATE_TEST_OLD_PROGRAM), feed);
    const QString offered
        = packRelease(work, QStringLiteral("9.1.0"), QStringLiteral(VERANDEL_UPDATE_TEST_NEW_PROGRAM), feed);
    ASSERT_FALSE(installed.isEmpty());
    ASSERT_FALSE(offered.isEmpty());
    const std::optional<QByteArray> signature
        = runTool(QStringLiteral(VERANDEL_SIGN_UPDATE),
                  {QStringLiteral("sign"), QStringLiteral(VERANDEL_UPDATE_TEST_SECRET_KEY), offered});
    ASSERT_TRUE(signature);
    const QByteArray download = readFile(offered);
    server.serve("/" + QFileInfo(offered).fileName().toUtf8(), download);
    FeedItem item;
    item.version = QStringLiteral("9.1.0");
    item.url = server.url(u'/' + QFileInfo(offered).fileName()).toString();
    item.length = download.size();
    item.signature = signature->trimmed();
    item.arch = HostPlatform::machineArchitecture();
    server.serve("/appcast.xml", makeAppcast({item}));

    QProcessEnvironment environment = sessionProgramEnvironment(metrics, session, QStringLiteral("update"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    ASSERT_TRUE(runTool(QStringLiteral(VERANDEL_SOURCE_DIR "/scripts/install-user-local"), {installed}, environment));
    const QString root = home + QStringLiteral("/.local/opt/verandel");
    ASSERT_EQ(QFileInfo(root + QStringLiteral("/current")).symLinkTarget(), root + QStringLiteral("/9.0.0"));

    ProgramProcess first(sandbox, QStringLiteral("update"), {}, environment,
                         home + QStringLiteral("/.local/bin/verandel"));
    ASSERT_TRUE(first.start());
    const qint64 firstPid = first.pid();
    // Both processes write into the first one's log: the relaunch inherits its standard output.
    ASSERT_TRUE(first.logs("Sparkle: Version 9.1.0 installed and relaunched", 90000)) << first.log().toStdString();
    // The relaunch starts only once the first process has ended.
    ASSERT_TRUE(first.process().state() == QProcess::NotRunning || first.process().waitForFinished(15000));
    EXPECT_EQ(first.process().exitCode(), 0);
    EXPECT_EQ(QFileInfo(root + QStringLiteral("/current")).symLinkTarget(), root + QStringLiteral("/9.1.0"));
    EXPECT_TRUE(waitUntil([&] { return !QFileInfo::exists(root + QStringLiteral("/9.0.0")); }, 15000))
        << "the replaced version's folder goes once the new one has started";
    const QList<qint64> running = processesRunningFrom(home);
    ASSERT_EQ(running.size(), 1) << first.log().toStdString();
    EXPECT_NE(running.first(), firstPid);
    EXPECT_EQ(singleInstanceOwner(session, QStringLiteral("update")), running.first());
    const QByteArray log = first.log();
    EXPECT_LT(log.indexOf("Graceful shutdown completed successfully"),
              log.indexOf("The replaced process " + QByteArray::number(firstPid) + " ended"));
    EXPECT_EQ(server.requestCount("/" + QFileInfo(offered).fileName().toUtf8()), 1);

    ::kill(static_cast<pid_t>(running.first()), SIGTERM);
    EXPECT_TRUE(RelaunchHandoff::waitForProcessEnd(running.first(), std::chrono::seconds(15)));
}

} // namespace
