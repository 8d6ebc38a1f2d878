#include "mock/FileWatcher.h"

#include "mock/FileWatcherError.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace verandel {

FileWatcher::FileWatcher(ClockPtr clock, QObject *parent)
    : QObject(parent)
    , m_clock(std::move(clock))
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatcher::onFileChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatcher::onDirectoryChanged);
}

FileWatcher::~FileWatcher()
{
    stopWatching();
}

std::optional<FileWatcher::FileIdentity> FileWatcher::identityOf(const QString &path)
{
    struct stat status
    { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
}

void FileWatcher::startWatching(const QString &filePath)
{
    if (m_isWatching) {
        throw FileWatcherError::alreadyWatching(m_filePath.value_or(QStringLiteral("unknown")));
    }
    if (filePath.isEmpty()) {
        throw FileWatcherError::invalidPath(filePath);
    }
    if (!QFileInfo::exists(filePath)) {
        throw FileWatcherError::fileNotFound(filePath);
    }
    const QString directory = QFileInfo(filePath).absolutePath();
    const std::optional<FileIdentity> identity = identityOf(filePath);
    if (!identity || !m_watcher.addPath(filePath)) {
        throw FileWatcherError::permissionDenied(filePath);
    }
    if (!m_watcher.addPath(directory)) {
        m_watcher.removePath(filePath);
        throw FileWatcherError::permissionDenied(filePath);
    }
    m_filePath = filePath;
    m_directoryPath = directory;
    m_watchedFile = identity;
    setWatching(true);
}

void FileWatcher::stopWatching()
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty()) {
        m_watcher.removePaths(watched);
    }
    m_filePath.reset();
    m_directoryPath.clear();
    m_watchedFile.reset();
    setWatching(false);
}

void FileWatcher::triggerChangeNotification()
{
    announce(m_filePath.value_or(QString()));
}

void FileWatcher::onFileChanged(const QString &path)
{
    if (!m_isWatching || path != m_filePath) {
        return;
    }
    // A change, a removal, or the old file of a replacement: announced once either way, and a new
    // file already at the path is watched from here on.
    watchAgainIfReplaced();
    announce(path);
}

void FileWatcher::onDirectoryChanged()
{
    if (m_isWatching && watchAgainIfReplaced()) {
        announce(*m_filePath);
    }
}

// True when the path now names another file than the one watched (or none was watched any more) and
// the watch moved to it.
bool FileWatcher::watchAgainIfReplaced()
{
    const QString path = *m_filePath;
    const std::optional<FileIdentity> identity = identityOf(path);
    if (!identity) {
        return false;
    }
    const bool watched = m_watcher.files().contains(path);
    if (watched && identity == m_watchedFile) {
        return false;
    }
    if (watched) {
        m_watcher.removePath(path);
    }
    if (!m_watcher.addPath(path)) {
        m_watchedFile.reset();
        return false;
    }
    m_watchedFile = identity;
    return true;
}

void FileWatcher::announce(const QString &path)
{
    const QDateTime now = m_clock->now();
    m_lastChangeTimestamp = now;
    Q_EMIT lastChangeTimestampChanged(now);
    Q_EMIT fileDidChange(path);
}

void FileWatcher::setWatching(bool watching)
{
    if (m_isWatching != watching) {
        m_isWatching = watching;
        Q_EMIT isWatchingChanged(watching);
    }
}

} // namespace verandel
