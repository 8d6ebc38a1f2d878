#include "update/UserLocalInstallation.h"
#include "support/RunTask.h"
#include "support/UpdateReleaseKit.h"
#include "update/Ed25519Signature.h"
#include "update/RelaunchHandoff.h"
#include "update/UpdateArchiveExtractor.h"
#include "update/UpdateRelaunchMarker.h"
#include "update/UpdaterError.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace verandel::test {
namespace {

using Type = TarEntry::Type;

TEST(UpdateArchiveExtractorTest, RefusesEntriesThatLeaveTheFolder)
{
    struct Case
    {
        const char *name;
        QList<TarEntry> entries;
    };
    const Case cases[] = {
        {"absolute path", {TarEntry::file(QStringLiteral("/tmp/escaped"), "x")}},
        {"dot dot", {TarEntry::file(QStringLiteral("a/../../escaped"), "x")}},
        {"absolute symlink", {TarEntry::link(Type::symlink, QStringLiteral("l"), QStringLiteral("/etc"))}},
        {"climbing symlink", {TarEntry::link(Type::symlink, QStringLiteral("a/l"), QStringLiteral("../../x"))}},
        {"write through a symlink",
         {TarEntry::link(Type::symlink, QStringLiteral("up"), QStringLiteral(".")),
          TarEntry::link(Type::symlink, QStringLiteral("a/b/up2"), QStringLiteral("../..")),
          TarEntry::file(QStringLiteral("a/b/up2/up/escaped"), "x")}},
        {"climbing hard link", {TarEntry::link(Type::hardlink, QStringLiteral("h"), QStringLiteral("../secret"))}},
        // Each target stays inside read as text; followed, t climbs from where s leads.
        {"chained symlinks",
         {TarEntry::link(Type::symlink, QStringLiteral("a/b/c/d/e/s"), QStringLiteral("../../../../..")),
          TarEntry::link(Type::symlink, QStringLiteral("a/b/c/d/e/t"), QStringLiteral("s/../../../.."))}},
        {"links in a ring",
         {TarEntry::link(Type::symlink, QStringLiteral("x"), QStringLiteral("y/z")),
          TarEntry::link(Type::symlink, QStringLiteral("y"), QStringLiteral("x/w"))}},
        {"pipe", {TarEntry{QStringLiteral("fifo"), {}, Type::fifo, {}, 0644}}},
    };
    for (const Case &c : cases) {
        QTemporaryDir outer;
        const QString destination = outer.filePath(QStringLiteral("a/b/c"));
        ASSERT_TRUE(QDir().mkpath(destination));
        EXPECT_THROW(UpdateArchiveExtractor::extract(makeTarball(c.entries), destination), UpdaterError) << c.name;
        const QStringList outside = QDir(outer.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        EXPECT_EQ(outside, QStringList({QStringLiteral("a")})) << c.name;
        EXPECT_FALSE(QFileInfo::exists(outer.filePath(QStringLiteral("a/b/escaped")))) << c.name;
        EXPECT_FALSE(QFileInfo::exists(outer.filePath(QStringLiteral("a/escaped")))) << c.name;
    }
}

TEST(UpdateArchiveExtractorTest, UnpacksFilesLinksInsideAndDropsSetIdBits)
{
    QTemporaryDir folder;
    const QByteArray tarball = makeTarball({
        TarEntry::directory(QStringLiteral("./bin")),
        TarEntry::file(QStringLiteral("./bin/verandel"), "#!/bin/sh\n", 04755),
        TarEntry::link(Type::symlink, QStringLiteral("lib/current"), QStringLiteral("../bin")),
        TarEntry::link(Type::hardlink, QStringLiteral("bin/copy"), QStringLiteral("bin/verandel")),
        // Followed through each other, these stay inside.
        TarEntry::link(Type::symlink, QStringLiteral("lib/a/b/up"), QStringLiteral("../..")),
        TarEntry::link(Type::symlink, QStringLiteral("lib/a/b/tool"), QStringLiteral("up/current/verandel")),
    });
    UpdateArchiveExtractor::extract(tarball, folder.path());
    const QFileInfo executable(folder.filePath(QStringLiteral("bin/verandel")));
    EXPECT_TRUE(executable.isExecutable());
    EXPECT_EQ(QFileInfo(folder.filePath(QStringLiteral("lib/current"))).symLinkTarget(),
              folder.filePath(QStringLiteral("bin")));
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("bin/copy"))).isFile());
    EXPECT_EQ(QFileInfo(folder.filePath(QStringLiteral("lib/a/b/tool"))).canonicalFilePath(),
              executable.canonicalFilePath());
    struct stat status
    { };
    ASSERT_EQ(::stat(QFile::encodeName(executable.filePath()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07000, 0u);
    EXPECT_THROW(UpdateArchiveExtractor::extract("not an archive", folder.path()), UpdaterError);
}

TEST(UserLocalInstallationTest, StagesActivatesAndRemovesVersions)
{
    QTemporaryDir home;
    const UserLocalInstallation installation = UserLocalInstallation::forHome(home.path());
    const UpdateVersion first = *UpdateVersion::parse(QStringLiteral("1.0"));
    const UpdateVersion second = *UpdateVersion::parse(QStringLiteral("1.1"));
    EXPECT_FALSE(installation.currentVersion());
    installation.stage(makeReleaseTarball(QStringLiteral("1.0")), first);
    installation.activate(first);
    EXPECT_EQ(installation.currentVersion(), first);
    EXPECT_THROW(installation.stage(makeReleaseTarball(QStringLiteral("1.0")), first), UpdaterError);
    EXPECT_THROW(installation.activate(second), UpdaterError) << "not unpacked";

    installation.stage(makeReleaseTarball(QStringLiteral("1.1")), second);
    installation.activate(second);
    EXPECT_EQ(installation.currentVersion(), second);
    EXPECT_EQ(QDir(installation.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("1.0"), QStringLiteral("1.1"), QStringLiteral("current")}));
    QProcess process;
    process.start(installation.root() + QStringLiteral("/current/bin/verandel"), {});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray("1.1\n"));

    const QString executable = installation.root() + QStringLiteral("/1.1/bin/verandel");
    EXPECT_TRUE(installation.contains(executable));
    EXPECT_FALSE(installation.contains(QStringLiteral("/usr/bin/true")));
    EXPECT_EQ(installation.stableExecutablePath(executable), executable) << "no launcher yet";
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral(".local/bin"))));
    ASSERT_TRUE(
        QFile::link(installation.root() + QStringLiteral("/current/bin/verandel"), installation.launcherPath()));
    EXPECT_EQ(installation.stableExecutablePath(executable), installation.launcherPath());
    EXPECT_EQ(installation.relaunchProgram(), installation.launcherPath());

    installation.remove(second);
    EXPECT_TRUE(QFileInfo::exists(installation.root() + QStringLiteral("/1.1"))) << "the current one stays";
    installation.remove(first);
    EXPECT_FALSE(QFileInfo::exists(installation.root() + QStringLiteral("/1.0")));
}

TEST(UpdateRelaunchMarkerTest, IsReadOnceAndIgnoredWhenMalformed)
{
    QTemporaryDir folder;
    const UpdateRelaunchMarker marker(folder.filePath(UpdateRelaunchMarker::fileName));
    EXPECT_FALSE(marker.take());
    marker.write({*UpdateVersion::parse(QStringLiteral("1.1")), UpdateVersion::parse(QStringLiteral("1.0"))});
    const auto content = marker.take();
    ASSERT_TRUE(content);
    EXPECT_EQ(content->installedVersion.toString(), QStringLiteral("1.1"));
    EXPECT_EQ(content->previousVersion->toString(), QStringLiteral("1.0"));
    EXPECT_FALSE(marker.take());
    QFile file(folder.filePath(UpdateRelaunchMarker::fileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"installedVersion": "../../etc", "previousVersion": "1.0"})");
    file.close();
    EXPECT_FALSE(marker.take());
}

TEST(RelaunchHandoffTest, CarriesTheOldPidAndWaitsForItsEnd)
{
    EXPECT_EQ(RelaunchHandoff::oldPid(RelaunchHandoff::arguments(1234)), 1234);
    for (const QStringList &arguments : {QStringList{}, QStringList{RelaunchHandoff::waitForPidArgument},
                                         QStringList{RelaunchHandoff::waitForPidArgument, QStringLiteral("x")},
                                         QStringList{RelaunchHandoff::waitForPidArgument, QStringLiteral("1")}}) {
        EXPECT_FALSE(RelaunchHandoff::oldPid(arguments)) << arguments.join(u' ').toStdString();
    }
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted());
    const qint64 pid = sleeper.processId();
    EXPECT_FALSE(RelaunchHandoff::waitForProcessEnd(pid, std::chrono::milliseconds(50)));
    sleeper.kill();
    sleeper.waitForFinished();
    EXPECT_TRUE(RelaunchHandoff::waitForProcessEnd(pid, std::chrono::milliseconds(5000)));
}

TEST(RelaunchHandoffTest, RelaunchedProgramStartsAfterTheOldOneEnded)
{
    QTemporaryDir folder;
    QProcess old;
    old.start(QStringLiteral(VERANDEL_RELAUNCH_PROBE), {folder.path()});
    ASSERT_TRUE(old.waitForStarted());
    const qint64 oldPid = old.processId();
    ASSERT_TRUE(old.waitForFinished(30000));
    EXPECT_EQ(old.exitCode(), 0);
    QFile result(folder.filePath(QStringLiteral("relaunched")));
    ASSERT_TRUE(waitUntil([&result] { return result.exists() && result.size() > 0; }, 30000));
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), QByteArray::number(oldPid) + " ended");
}

TEST(Ed25519SignatureTest, ChecksTheWholeDataUnderTheKey)
{
    const TestSigningKey key = TestSigningKey::generate();
    const QByteArray data = "release bytes";
    const QByteArray signature = key.sign(data);
    EXPECT_TRUE(Ed25519Signature::verify(data, signature, key.publicKeyBase64()));
    EXPECT_FALSE(Ed25519Signature::verify(data + "x", signature, key.publicKeyBase64()));
    EXPECT_FALSE(Ed25519Signature::verify(data, signature, TestSigningKey::generate().publicKeyBase64()));
    EXPECT_FALSE(Ed25519Signature::verify(data, "", key.publicKeyBase64()));
    EXPECT_FALSE(Ed25519Signature::verify(data, "!!!", key.publicKeyBase64()));
    EXPECT_FALSE(Ed25519Signature::verify(data, signature, "short"));
    EXPECT_TRUE(Ed25519Signature::isPublicKey(key.publicKeyBase64()));
    EXPECT_FALSE(Ed25519Signature::isPublicKey(QByteArray()));
}

} // namespace
} // namespace verandel::test
