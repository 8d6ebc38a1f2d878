#include "foundation/StorageError.h"

namespace verandel {

namespace {

using Kind = StorageError::Kind;

constexpr auto failureReasons = std::to_array<EnumText<Kind>>({
    {Kind::FileNotFound, u"The requested file does not exist"},
    {Kind::PermissionDenied, u"Insufficient permissions to access the file or directory"},
    {Kind::CorruptedData, u"The data file appears to be corrupted or malformed"},
    {Kind::DirectoryCreationFailed, u"The system could not create the required directory"},
    {Kind::JsonEncodingFailed, u"JSON serialization/deserialization failed"},
    {Kind::JsonDecodingFailed, u"JSON serialization/deserialization failed"},
    {Kind::InvalidData, u"The provided data does not meet the required format or constraints"},
    {Kind::UnknownError, u"An unexpected error occurred"},
    {Kind::DiskFull, u"The disk is full and cannot accommodate new data"},
    {Kind::FileLockTimeout, u"Could not acquire exclusive file access within timeout period"},
    {Kind::ConcurrentAccessViolation, u"Multiple processes attempted to access the same file simultaneously"},
    {Kind::NetworkUnavailable, u"Network connectivity is required but unavailable"},
});

} // namespace

QString StorageError::failureReason() const
{
    return text(failureReasons);
}

bool StorageError::isRecoverable() const
{
    return kind() == Kind::FileLockTimeout || kind() == Kind::ConcurrentAccessViolation
        || kind() == Kind::NetworkUnavailable;
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
