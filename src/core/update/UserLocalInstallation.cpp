#include "update/UserLocalInstallation.h"

#include "update/UpdateArchiveExtractor.h"
#include "update/UpdaterError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace verandel {

namespace {

[[noreturn]] void fail(const QString &reason)
{
    throw UpdaterError::installFailure(reason);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

UserLocalInstallation::UserLocalInstallation(QString root, QString launcherPath)
    : m_root(std::move(root))
    , m_launcherPath(std::move(launcherPath))
{ }

UserLocalInstallation UserLocalInstallation::forHome(const QString &homePath)
{
    return UserLocalInstallation(homePath + QStringLiteral("/.local/opt/verandel"),
                                 homePath + QStringLiteral("/.local/bin/verandel"));
}

bool UserLocalInstallation::contains(const QString &executablePath) const
{
    const QString root = QFileInfo(m_root).canonicalFilePath();
    const QString executable = QFileInfo(executablePath).canonicalFilePath();
    return !root.isEmpty() && executable.startsWith(root + QLatin1Char('/'));
}

QString UserLocalInstallation::stableExecutablePath(const QString &executablePath) const
{
    return contains(executablePath) && QFileInfo::exists(m_launcherPath) ? m_launcherPath : executablePath;
}

std::optional<UpdateVersion> UserLocalInstallation::currentVersion() const
{
    const QFileInfo link(m_root + QLatin1Char('/') + currentLinkName);
    if (!link.isSymLink()) {
        return std::nullopt;
    }
    return UpdateVersion::parse(QFileInfo(link.symLinkTarget()).fileName());
}

QString UserLocalInstallation::versionFolder(const UpdateVersion &version) const
{
    return m_root + QLatin1Char('/') + version.toString();
}

void UserLocalInstallation::stage(const QByteArray &archive, const UpdateVersion &version) const
{
    if (currentVersion() == version) {
        fail(QStringLiteral("this version is already the current one"));
    }
    if (!QDir().mkpath(m_root)) {
        fail(QStringLiteral("no folder %1").arg(m_root));
    }
    QTemporaryDir staging(m_root + QStringLiteral("/.staging-XXXXXX"));
    if (!staging.isValid()) {
        fail(staging.errorString());
    }
    UpdateArchiveExtractor::extract(archive, staging.path());
    const QFileInfo executable(staging.path() + QLatin1Char('/') + executableInVersion);
    if (!executable.isFile() || executable.isSymLink() || !executable.isExecutable()) {
        fail(QStringLiteral("the release has no %1").arg(executableInVersion));
    }
    const QString target = versionFolder(version);
    // A folder left by an update that never became current is replaced.
    if (QFileInfo::exists(target) && !QDir(target).removeRecursively()) {
        fail(QStringLiteral("the old folder %1 cannot be removed").arg(target));
    }
    if (::rename(QFile::encodeName(staging.path()).constData(), QFile::encodeName(target).constData()) != 0) {
        fail(systemError());
    }
    staging.setAutoRemove(false);
}

void UserLocalInstallation::activate(const UpdateVersion &version) const
{
    if (!QFileInfo(versionFolder(version) + QLatin1Char('/') + executableInVersion).isExecutable()) {
        fail(QStringLiteral("version %1 is not unpacked").arg(version.toString()));
    }
    const QByteArray link = QFile::encodeName(m_root + QLatin1Char('/') + currentLinkName);
    const QByteArray fresh = QFile::encodeName(
        QStringLiteral("%1/.%2-%3").arg(m_root, currentLinkName).arg(QCoreApplication::applicationPid()));
    ::unlink(fresh.constData());
    // Relative, so the whole root can move.
    if (::symlink(version.toString().toUtf8().constData(), fresh.constData()) != 0) {
        fail(systemError());
    }
    // rename(2) replaces the old link in one step; QFile::rename refuses to replace a link.
    if (::rename(fresh.constData(), link.constData()) != 0) {
        const QString reason = systemError();
        ::unlink(fresh.constData());
        fail(reason);
    }
}

void UserLocalInstallation::remove(const UpdateVersion &version) const
{
    if (currentVersion() == version) {
        return;
    }
    QDir(versionFolder(version)).removeRecursively();
}

QString UserLocalInstallation::relaunchProgram() const
{
    if (QFileInfo::exists(m_launcherPath)) {
        return m_launcherPath;
    }
    return m_root + QLatin1Char('/') + currentLinkName + QLatin1Char('/') + executableInVersion;
}

} // namespace verandel
