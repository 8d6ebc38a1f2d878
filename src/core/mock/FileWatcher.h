#pragma once

#include "foundation/ClockProtocol.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <optional>

namespace verandel {

// Announces changes of one file. Editors and atomic writers save by replacing the file (rename) or
// deleting and recreating it, so the watch covers the directory too and follows the name to each new
// file: a file that appears again at the path is watched again and announced once.
class FileWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit FileWatcher(ClockPtr clock, QObject *parent = nullptr);
    ~FileWatcher() override;

    // Throws FileWatcherError, checking in this order: already watching, an empty path, no file at
    // the path, a file or directory that cannot be watched (permissionDenied).
    void startWatching(const QString &filePath);
    // Harmless when not watching.
    void stopWatching();
    // Announces a change without a file event: with the watched path, or an empty one when idle.
    void triggerChangeNotification();

    // True from a successful start to the next stop, also while the file is away.
    bool isWatching() const { return m_isWatching; }
    const std::optional<QDateTime> &lastChangeTimestamp() const { return m_lastChangeTimestamp; }
    const std::optional<QString> &filePath() const { return m_filePath; }

Q_SIGNALS:
    void fileDidChange(const QString &filePath);
    void isWatchingChanged(bool isWatching);
    void lastChangeTimestampChanged(const QDateTime &timestamp);

private:
    struct FileIdentity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileIdentity &) const = default;
    };
    static std::optional<FileIdentity> identityOf(const QString &path);

    void onFileChanged(const QString &path);
    void onDirectoryChanged();
    bool watchAgainIfReplaced();
    void announce(const QString &path);
    void setWatching(bool watching);

    ClockPtr m_clock;
    QFileSystemWatcher m_watcher;
    bool m_isWatching = false;
    std::optional<QDateTime> m_lastChangeTimestamp;
    std::optional<QString> m_filePath;
    QString m_directoryPath;
    std::optional<FileIdentity> m_watchedFile;
};

} // namespace verandel
