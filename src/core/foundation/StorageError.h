#pragma once

#include "foundation/UserFacingError.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// The one error type of persistent storage. Payload-carrying cases keep the text they insert into
// their description: a path, a description, or the underlying error's description.
class StorageError final : public std::exception, public UserFacingError
{
public:
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

    Kind kind() const { return m_kind; }
    const QString &payload() const { return m_payload; }

    QString errorDescription() const;
    QString failureReason() const;
    QString userDescription() const override;
    // Only failures that may pass on their own are worth another attempt.
    bool isRecoverable() const;

    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const StorageError &other) const { return m_kind == other.m_kind && m_payload == other.m_payload; }

private:
    StorageError(Kind kind, QString payload);

    Kind m_kind;
    QString m_payload;
    QByteArray m_what;
};

// The localized description of any error this code base throws: StorageError's own text, else what().
QString describeError(const std::exception &error);
QString describeError(const std::exception_ptr &error);

} // namespace verandel
