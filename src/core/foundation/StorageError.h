#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct StorageErrorCases
{
    enum class Kind {
        FileNotFound,
        PermissionDenied,
        CorruptedData,
        DirectoryCreationFailed,
        JsonEncodingFailed,
        JsonDecodingFailed,
        InvalidData,
        UnknownError,
        DiskFull,
        FileLockTimeout,
        ConcurrentAccessViolation,
        NetworkUnavailable,
    };
    // A path, a description, or the underlying error's description; nothing for the cases without.
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::FileNotFound, u"File not found at path: %1"},
        {Kind::PermissionDenied, u"Permission denied for path: %1"},
        {Kind::CorruptedData, u"Corrupted data detected: %1"},
        {Kind::DirectoryCreationFailed, u"Failed to create directory at path: %1"},
        {Kind::JsonEncodingFailed, u"JSON encoding failed: %1"},
        {Kind::JsonDecodingFailed, u"JSON decoding failed: %1"},
        {Kind::InvalidData, u"Invalid data: %1"},
        {Kind::UnknownError, u"Unknown error occurred: %1"},
        {Kind::DiskFull, u"Insufficient disk space for operation"},
        {Kind::FileLockTimeout, u"File lock acquisition timed out"},
        {Kind::ConcurrentAccessViolation, u"Concurrent access violation detected"},
        {Kind::NetworkUnavailable, u"Network unavailable for operation"},
    });
    static constexpr auto userDescriptions = std::to_array<EnumText<Kind>>({
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
};

// The one error type of persistent storage.
class StorageError final : public UserFacingKindError<StorageErrorCases>
{
public:
    static StorageError fileNotFound(const QString &path) { return {Kind::FileNotFound, path}; }
    static StorageError permissionDenied(const QString &path) { return {Kind::PermissionDenied, path}; }
    static StorageError corruptedData(const QString &description) { return {Kind::CorruptedData, description}; }
    static StorageError directoryCreationFailed(const QString &path) { return {Kind::DirectoryCreationFailed, path}; }
    static StorageError jsonEncodingFailed(const QString &errorDescription)
    {
        return {Kind::JsonEncodingFailed, errorDescription};
    }
    static StorageError jsonDecodingFailed(const QString &errorDescription)
    {
        return {Kind::JsonDecodingFailed, errorDescription};
    }
    static StorageError invalidData(const QString &description) { return {Kind::InvalidData, description}; }
    static StorageError unknownError(const QString &errorDescription) { return {Kind::UnknownError, errorDescription}; }
    static StorageError diskFull() { return {Kind::DiskFull, {}}; }
    static StorageError fileLockTimeout() { return {Kind::FileLockTimeout, {}}; }
    static StorageError concurrentAccessViolation() { return {Kind::ConcurrentAccessViolation, {}}; }
    static StorageError networkUnavailable() { return {Kind::NetworkUnavailable, {}}; }

    using KindError::payload;

    QString errorDescription() const { return description(); }
    QString failureReason() const;
    // Only failures that may pass on their own are worth another attempt.
    bool isRecoverable() const;

private:
    using UserFacingKindError::UserFacingKindError;
};

// The localized description of any error this code base throws: StorageError's own text, else what().
QString describeError(const std::exception &error);
QString describeError(const std::exception_ptr &error);

} // namespace verandel
