#include "mock/FileWatcherError.h"

namespace verandel {

FileWatcherError::FileWatcherError(Kind kind, QString payload)
    : m_kind(kind)
    , m_payload(std::move(payload))
    , m_what(errorDescription().toUtf8())
{ }

QString FileWatcherError::errorDescription() const
{
    switch (m_kind) {
    case Kind::FileNotFound: return QStringLiteral("File not found: ") + m_payload;
    case Kind::InvalidPath: return QStringLiteral("Invalid file path: ") + m_payload;
    case Kind::PermissionDenied: return QStringLiteral("Permission denied for file: ") + m_payload;
    case Kind::AlreadyWatching: return QStringLiteral("Already watching file: ") + m_payload;
    case Kind::WatchingFailed: return QStringLiteral("Failed to start watching: ") + m_payload;
    }
    return {};
}

} // namespace verandel
