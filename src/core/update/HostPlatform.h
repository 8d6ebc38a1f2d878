#pragma once

#include <QString>

namespace verandel {

// The system an update has to fit: the machine architecture as `uname -m` says it and the
// distribution's ID and VERSION_ID from os-release.
struct HostPlatform
{
    QString arch;
    QString osId;
    QString osVersionId;

    // This machine; the os-release file and the architecture can be given for tests.
    static HostPlatform current(const QString &osReleasePath = QStringLiteral("/etc/os-release"));
    static HostPlatform read(const QString &osReleasePath, const QString &arch);
    static QString machineArchitecture();
};

} // namespace verandel
