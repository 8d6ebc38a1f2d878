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

constexpr auto userDescriptions = std::to_array<EnumText<Kind>>({
    {Kind::FileNotFound, u"Verandel could not find what it had saved."},
    {Kind::PermissionDenied, u"Verandel is not allowed to read or write its data folder."},
    {Kind::CorruptedData, u"Verandel’s saved data is damaged."},
    {Kind::DirectoryCreationFailed, u"Verandel could not create its data folder."},
    {Kind::JsonEncodingFailed, u"Verandel could not save the change."},
    {Kind::JsonDecodingFailed, u"Verandel’s saved data is damaged."},
    {Kind::InvalidData, u"Verandel could not save the change."},
    {Kind::UnknownError, u"Verandel could not read or save its data."},
    {Kind::DiskFull, u"The disk is full."},
    {Kind::FileLockTimeout, u"Verandel’s data is busy. Try again in a moment."},
    {Kind::ConcurrentAccessViolation, u"Verandel’s data is busy. Try again in a moment."},
    {Kind::NetworkUnavailable, u"The network is not available."},
});

} // namespace

QString StorageError::failureReason() const
{
    return text(failureReasons);
}

QString StorageError::userDescription() const
{
    return text(userDescriptions);
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
