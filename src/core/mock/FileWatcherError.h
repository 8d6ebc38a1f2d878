#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// Why a file watch could not start.
class FileWatcherError final : public std::exception
{
public:
    enum class Kind { FileNotFound, InvalidPath, PermissionDenied, AlreadyWatching, WatchingFailed };

    static FileWatcherError fileNotFound(const QString &path) { return {Kind::FileNotFound, path}; }
    static FileWatcherError invalidPath(const QString &path) { return {Kind::InvalidPath, path}; }
    static FileWatcherError permissionDenied(const QString &path) { return {Kind::PermissionDenied, path}; }
    static FileWatcherError alreadyWatching(const QString &path) { return {Kind::AlreadyWatching, path}; }
    static FileWatcherError watchingFailed(const QString &errorDescription)
    {
        return {Kind::WatchingFailed, errorDescription};
    }

    Kind kind() const { return m_kind; }
    // The path, or the underlying error's description for watchingFailed.
    const QString &payload() const { return m_payload; }
    QString errorDescription() const;
    const char *what() const noexcept override { return m_what.constData(); }

private:
    FileWatcherError(Kind kind, QString payload);

    Kind m_kind;
    QString m_payload;
    QByteArray m_what;
};

} // namespace verandel
