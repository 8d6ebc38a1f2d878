#include "foundation/StorageError.h"

namespace verandel {

StorageError::StorageError(Kind kind, QString payload)
    : m_kind(kind)
    , m_payload(std::move(payload))
{
    m_what = errorDescription().toUtf8();
}

QString StorageError::errorDescription() const
{
    switch (m_kind) {
    case Kind::FileNotFound: return QStringLiteral("File not found at path: ") + m_payload;
    case Kind::PermissionDenied: return QStringLiteral("Permission denied for path: ") + m_payload;
    case Kind::CorruptedData: return QStringLiteral("Corrupted data detected: ") + m_payload;
    case Kind::DirectoryCreationFailed: return QStringLiteral("Failed to create directory at path: ") + m_payload;
    case Kind::JsonEncodingFailed: return QStringLiteral("JSON encoding failed: ") + m_payload;
    case Kind::JsonDecodingFailed: return QStringLiteral("JSON decoding failed: ") + m_payload;
    case Kind::InvalidData: return QStringLiteral("Invalid data: ") + m_payload;
    case Kind::UnknownError: return QStringLiteral("Unknown error occurred: ") + m_payload;
    case Kind::DiskFull: return QStringLiteral("Insufficient disk space for operation");
    case Kind::FileLockTimeout: return QStringLiteral("File lock acquisition timed out");
    case Kind::ConcurrentAccessViolation: return QStringLiteral("Concurrent access violation detected");
    case Kind::NetworkUnavailable: return QStringLiteral("Network unavailable for operation");
    }
    return {};
}

QString StorageError::failureReason() const
{
    switch (m_kind) {
    case Kind::FileNotFound: return QStringLiteral("The requested file does not exist");
    case Kind::PermissionDenied: return QStringLiteral("Insufficient permissions to access the file or directory");
    case Kind::CorruptedData: return QStringLiteral("The data file appears to be corrupted or malformed");
    case Kind::DirectoryCreationFailed: return QStringLiteral("The system could not create the required directory");
    case Kind::JsonEncodingFailed:
    case Kind::JsonDecodingFailed: return QStringLiteral("JSON serialization/deserialization failed");
    case Kind::InvalidData: return QStringLiteral("The provided data does not meet the required format or constraints");
    case Kind::UnknownError: return QStringLiteral("An unexpected error occurred");
    case Kind::DiskFull: return QStringLiteral("The disk is full and cannot accommodate new data");
    case Kind::FileLockTimeout: return QStringLiteral("Could not acquire exclusive file access within timeout period");
    case Kind::ConcurrentAccessViolation:
        return QStringLiteral("Multiple processes attempted to access the same file simultaneously");
    case Kind::NetworkUnavailable: return QStringLiteral("Network connectivity is required but unavailable");
    }
    return {};
}

QString StorageError::userDescription() const
{
    switch (m_kind) {
    case Kind::FileNotFound: return QStringLiteral("Verandel could not find what it had saved.");
    case Kind::PermissionDenied: return QStringLiteral("Verandel is not allowed to read or write its data folder.");
    case Kind::CorruptedData:
    case Kind::JsonDecodingFailed: return QStringLiteral("Verandel’s saved data is damaged.");
    case Kind::DirectoryCreationFailed: return QStringLiteral("Verandel could not create its data folder.");
    case Kind::JsonEncodingFailed:
    case Kind::InvalidData: return QStringLiteral("Verandel could not save the change.");
    case Kind::UnknownError: return QStringLiteral("Verandel could not read or save its data.");
    case Kind::DiskFull: return QStringLiteral("The disk is full.");
    case Kind::FileLockTimeout:
    case Kind::ConcurrentAccessViolation: return QStringLiteral("Verandel’s data is busy. Try again in a moment.");
    case Kind::NetworkUnavailable: return QStringLiteral("The network is not available.");
    }
    return {};
}

bool StorageError::isRecoverable() const
{
    return m_kind == Kind::FileLockTimeout || m_kind == Kind::ConcurrentAccessViolation
        || m_kind == Kind::NetworkUnavailable;
}

QString describeError(const std::exception &error)
{
    if (const auto *storageError = dynamic_cast<const StorageError *>(&error)) {
        return storageError->errorDescription();
    }
    return QString::fromUtf8(error.what());
}

QString describeError(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return describeError(e);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

} // namespace verandel
