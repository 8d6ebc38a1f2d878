#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct FileWatcherErrorCases
{
    enum class Kind { FileNotFound, InvalidPath, PermissionDenied, AlreadyWatching, WatchingFailed };
    // The path, or the underlying error's description for watchingFailed.
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::FileNotFound, u"File not found: %1"},
        {Kind::InvalidPath, u"Invalid file path: %1"},
        {Kind::PermissionDenied, u"Permission denied for file: %1"},
        {Kind::AlreadyWatching, u"Already watching file: %1"},
        {Kind::WatchingFailed, u"Failed to start watching: %1"},
    });
};

// Why a file watch could not start.
class FileWatcherError final : public KindError<FileWatcherErrorCases>
{
public:
    static FileWatcherError fileNotFound(const QString &path) { return {Kind::FileNotFound, path}; }
    static FileWatcherError invalidPath(const QString &path) { return {Kind::InvalidPath, path}; }
    static FileWatcherError permissionDenied(const QString &path) { return {Kind::PermissionDenied, path}; }
    static FileWatcherError alreadyWatching(const QString &path) { return {Kind::AlreadyWatching, path}; }
    static FileWatcherError watchingFailed(const QString &errorDescription)
    {
        return {Kind::WatchingFailed, errorDescription};
    }

    using KindError::payload;
    QString errorDescription() const { return description(); }

private:
    using KindError::KindError;
};

} // namespace verandel
