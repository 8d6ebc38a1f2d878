#include "update/HostPlatform.h"

#include <QFile>

#include <sys/utsname.h>

namespace verandel {

namespace {

constexpr qint64 maxOsReleaseSize = 64 * 1024;

// A value of os-release: shell-like, optionally in single or double quotes.
QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
        value.remove(QLatin1Char('\\'));
    }
    return value;
}

} // namespace

HostPlatform HostPlatform::current(const QString &osReleasePath)
{
    return read(osReleasePath, machineArchitecture());
}

HostPlatform HostPlatform::read(const QString &osReleasePath, const QString &arch)
{
    HostPlatform platform{arch, {}, {}};
    QFile file(osReleasePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return platform;
    }
    const QByteArray content = file.read(maxOsReleaseSize);
    for (const QByteArray &line : content.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.startsWith('#')) {
            continue;
        }
        const QByteArray key = line.left(equals).trimmed();
        const QString value = unquoted(QString::fromUtf8(line.mid(equals + 1)));
        if (key == "ID") {
            platform.osId = value;
        } else if (key == "VERSION_ID") {
            platform.osVersionId = value;
        }
    }
    return platform;
}

QString HostPlatform::machineArchitecture()
{
    struct utsname name
    { };
    if (uname(&name) != 0) {
        return {};
    }
    return QString::fromLatin1(name.machine);
}

} // namespace verandel
