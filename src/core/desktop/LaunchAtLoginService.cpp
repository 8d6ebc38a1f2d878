#include "desktop/LaunchAtLoginService.h"

#include "desktop/AutostartEntry.h"
#include "desktop/LaunchAtLoginError.h"
#include "foundation/StorageError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace verandel {

namespace {

// A desktop entry is a few hundred bytes; anything far larger is not ours to read.
constexpr qint64 maxEntrySize = 64 * 1024;

QString entryPathIn(const QString &configDirectory)
{
    return QDir(configDirectory).filePath(QStringLiteral("autostart/") + LaunchAtLoginService::entryFileName);
}

bool isFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace

const QString LaunchAtLoginService::entryFileName = QStringLiteral("com.verandel.Verandel.desktop");
const QString LaunchAtLoginService::initializedKey = QStringLiteral("launchOnLoginInitialized");

AutostartLocations AutostartLocations::current()
{
    QStringList directories = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    AutostartLocations locations;
    locations.userConfigDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    directories.removeAll(locations.userConfigDirectory);
    locations.systemConfigDirectories = directories;
    return locations;
}

LaunchAtLoginService::LaunchAtLoginService(AutostartLocations locations, QString executablePath,
                                           std::shared_ptr<QSettings> settings, LoggerFactory &loggerFactory)
    : m_locations(std::move(locations))
    , m_executablePath(std::move(executablePath))
    , m_settings(std::move(settings))
    , m_logger(loggerFactory.createLogger(QStringLiteral("LaunchAtLoginService")))
{ }

QString LaunchAtLoginService::userEntryPath() const
{
    return entryPathIn(m_locations.userConfigDirectory);
}

std::optional<QString> LaunchAtLoginService::systemEntryPath() const
{
    for (const QString &directory : m_locations.systemConfigDirectories) {
        if (const QString path = entryPathIn(directory); isFile(path)) {
            return path;
        }
    }
    return std::nullopt;
}

bool LaunchAtLoginService::isEnabled() const
{
    const QString userPath = userEntryPath();
    const std::optional<QString> path = isFile(userPath) ? userPath : systemEntryPath();
    if (!path) {
        return false;
    }
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxEntrySize) {
        return false;
    }
    return AutostartEntry::startsAtLogin(file.read(maxEntrySize));
}

void LaunchAtLoginService::setEnabled(bool enabled)
{
    if (enabled) {
        writeUserEntry(false);
    } else if (systemEntryPath()) {
        writeUserEntry(true);
    } else {
        removeUserEntry();
    }
}

void LaunchAtLoginService::writeUserEntry(bool hidden)
{
    const QString path = userEntryPath();
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        throw LaunchAtLoginError(QStringLiteral("Cannot create the autostart directory ") + directory);
    }
    QSaveFile file(path);
    const QByteArray content = AutostartEntry::make(m_executablePath, hidden);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        throw LaunchAtLoginError(QStringLiteral("Cannot write the autostart entry ") + path + QStringLiteral(": ")
                                 + file.errorString());
    }
}

void LaunchAtLoginService::removeUserEntry()
{
    const QString path = userEntryPath();
    QFile file(path);
    if (QFileInfo(path).exists() && !file.remove()) {
        throw LaunchAtLoginError(QStringLiteral("Cannot remove the autostart entry ") + path + QStringLiteral(": ")
                                 + file.errorString());
    }
}

void LaunchAtLoginService::applyDefaultIfNeeded()
{
    if (m_settings->value(initializedKey, false).toBool()) {
        return;
    }
    m_settings->setValue(initializedKey, true);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        // Without the flag the default would come back at every start and overrule the user's choice.
        m_logger->warning(QStringLiteral("Failed to record that launch at login was set up in ")
                          + m_settings->fileName() + QStringLiteral("; leaving launch at login unchanged"));
        return;
    }
    try {
        setEnabled(true);
    } catch (const std::exception &error) {
        m_logger->warning(QStringLiteral("Failed to turn on launch at login: ") + describeError(error));
    }
}

} // namespace verandel
