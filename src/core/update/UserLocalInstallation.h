#pragma once

#include "update/UpdateVersion.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace verandel {

// The user-local install: each release unpacked into <root>/<version>/ (the executable at
// bin/verandel inside it), a "current" link naming the running version's folder, and a launcher
// (~/.local/bin/verandel) that follows it. Everything that records the program's path uses the
// launcher, never the versioned folder that a later update removes.
class UserLocalInstallation
{
public:
    static inline const QString currentLinkName = QStringLiteral("current");
    static inline const QString executableInVersion = QStringLiteral("bin/verandel");

    UserLocalInstallation(QString root, QString launcherPath);

    // ~/.local/opt/verandel and ~/.local/bin/verandel.
    static UserLocalInstallation forHome(const QString &homePath);

    const QString &root() const { return m_root; }
    const QString &launcherPath() const { return m_launcherPath; }

    // Whether this executable (links resolved) lives under the root: otherwise a package manager or
    // the user installed the program some other way and the updater only informs.
    bool contains(const QString &executablePath) const;

    // The path to record for starting this program later (autostart, relaunch): the launcher when
    // the executable is this install's, else the executable itself.
    QString stableExecutablePath(const QString &executablePath) const;

    // The version "current" names, when it names one.
    std::optional<UpdateVersion> currentVersion() const;

    // Unpacks the verified tarball into <root>/<version>/ through a staging folder, so the version
    // folder appears whole or not at all. Throws UpdaterError installFailed; leaves nothing behind.
    void stage(const QByteArray &archive, const UpdateVersion &version) const;

    // Points "current" at the version: a new link renamed over the old one, so the launcher always
    // finds one of the two. Throws UpdaterError installFailed.
    void activate(const UpdateVersion &version) const;

    // Removes a version's folder, never the one "current" names.
    void remove(const UpdateVersion &version) const;

    // What a relaunch starts: the launcher, or the current link's executable when there is none.
    QString relaunchProgram() const;

private:
    QString versionFolder(const UpdateVersion &version) const;

    QString m_root;
    QString m_launcherPath;
};

} // namespace verandel
