#include "foundation/StorageManager.h"

#include "foundation/FileSystemError.h"
#include "foundation/JsonFields.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <cerrno>
#include <chrono>

namespace verandel {

namespace {

// Seconds the way they appear in the log lines: "5.0", "0.5".
QString secondsText(double seconds)
{
    QString text = QString::number(seconds, 'g', 15);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

bool isPermissionError(int code)
{
    return code == EACCES || code == EPERM || code == EROFS;
}

bool isDiskFullError(int code)
{
    return code == ENOSPC || code == EDQUOT;
}

StorageError classifyWriteError(const FileSystemError &error, const QString &path)
{
    if (isPermissionError(error.code())) {
        return StorageError::permissionDenied(path);
    }
    if (isDiskFullError(error.code())) {
        return StorageError::diskFull();
    }
    return StorageError::unknownError(error.description());
}

} // namespace

std::shared_ptr<StorageManager> StorageManager::create(FileManagerPtr fileManager, ClockPtr clock,
                                                       std::optional<QString> baseDirectory,
                                                       LoggerFactory &loggerFactory, double fileLockTimeoutSeconds)
{
    return std::shared_ptr<StorageManager>(new StorageManager(
        std::move(fileManager), std::move(clock), std::move(baseDirectory), loggerFactory, fileLockTimeoutSeconds));
}

StorageManager::StorageManager(FileManagerPtr fileManager, ClockPtr clock, std::optional<QString> baseDirectory,
                               LoggerFactory &loggerFactory, double fileLockTimeoutSeconds)
    : m_fileManager(std::move(fileManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("StorageManager"), LogLevel::Info))
    , m_clock(std::move(clock))
    , m_baseDirectory(std::move(baseDirectory))
    , m_fileLockTimeoutSeconds(fileLockTimeoutSeconds)
{ }

QString StorageManager::getBaseDirectory()
{
    if (m_baseDirectory) {
        createDirectoryIfNeeded(*m_baseDirectory);
        return *m_baseDirectory;
    }
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) {
        throw StorageError::unknownError(QStringLiteral("The user data directory could not be located"));
    }
    if (!m_fileManager->exists(dataHome)) {
        try {
            m_fileManager->createDirectory(dataHome);
        } catch (const FileSystemError &error) {
            throw StorageError::unknownError(error.description());
        }
    }
    const QString directory = QDir(dataHome).filePath(StorageConstants::appSupportDirectoryName);
    createDirectoryIfNeeded(directory);
    return directory;
}

void StorageManager::ensureStorageDirectory()
{
    try {
        const QString directory = getBaseDirectory();
        m_logger->info(QStringLiteral("Storage directory verified/created successfully at ") + directory);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to create storage directory: ") + error.errorDescription());
        throw;
    }
}

QString StorageManager::getFileURL(const QString &fileName)
{
    return QDir(getBaseDirectory()).filePath(fileName);
}

bool StorageManager::fileExists(const QString &path)
{
    const bool exists = m_fileManager->exists(path);
    m_logger->debug(QStringLiteral("File existence check for %1: %2")
                        .arg(path, exists ? QStringLiteral("exists") : QStringLiteral("not found")));
    return exists;
}

void StorageManager::createDirectoryIfNeeded(const QString &path)
{
    if (m_fileManager->exists(path)) {
        return;
    }
    try {
        m_fileManager->createDirectory(path);
    } catch (const FileSystemError &) {
        throw StorageError::directoryCreationFailed(path);
    }
}

std::shared_ptr<std::timed_mutex> StorageManager::getLock(const QString &path)
{
    std::lock_guard guard(m_lockMapLock);
    auto &lock = m_fileLocks[path];
    if (!lock) {
        lock = std::make_shared<std::timed_mutex>();
    }
    return lock;
}

void StorageManager::withLock(const QString &path, const std::function<void()> &operation)
{
    const std::shared_ptr<std::timed_mutex> lock = getLock(path);
    const auto wait
        = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(m_fileLockTimeoutSeconds));
    if (!lock->try_lock_for(wait)) {
        m_logger->error(
            QStringLiteral("File lock timeout after %1 seconds").arg(secondsText(m_fileLockTimeoutSeconds)));
        throw StorageError::fileLockTimeout();
    }
    std::unique_lock guard(*lock, std::adopt_lock);
    operation();
}

QString StorageManager::temporaryPath(const QString &path)
{
    const QFileInfo info(path);
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".tmp.") + uuid + QLatin1Char('.')
                               + info.suffix());
}

QString StorageManager::backupPath(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".backup.") + info.suffix());
}

void StorageManager::readJSONInternal(const QString &path, const Decoder &decode)
{
    withLock(path, [&] {
        m_logger->debug(QStringLiteral("Reading JSON from ") + path);
        if (!m_fileManager->exists(path)) {
            // Every document is missing until its first write (the metrics queue until an event is
            // queued, and it is read every cycle): not worth a line in the log.
            m_logger->debug(QStringLiteral("File not found: ") + path);
            throw StorageError::fileNotFound(path);
        }
        QByteArray bytes;
        try {
            bytes = m_fileManager->readFile(path);
        } catch (const FileSystemError &error) {
            m_logger->error(QStringLiteral("Failed to read file %1: %2").arg(path, error.description()));
            if (isPermissionError(error.code())) {
                throw StorageError::permissionDenied(path);
            }
            throw StorageError::unknownError(error.description());
        }
        m_logger->debug(QStringLiteral("Successfully read %1 bytes from %2").arg(QString::number(bytes.size()), path));

        QString decodingError;
        try {
            decode(bytes);
            m_logger->debug(QStringLiteral("Successfully decoded JSON from ") + path);
            return;
        } catch (const std::exception &error) {
            decodingError = describeError(error);
        }
        m_logger->error(QStringLiteral("JSON decoding failed for %1: %2").arg(path, decodingError));
        if (!recoverFromCorruptedFile(path)) {
            throw StorageError::jsonDecodingFailed(decodingError);
        }
        // A failed second read is not wrapped here; the retry policy reports it as unknown. A restored
        // backup that does not decode either is still a document that does not decode: callers repair
        // those, so it must not look like a passing I/O failure.
        m_logger->info(QStringLiteral("Attempting to re-read after recovery"));
        const QByteArray restored = m_fileManager->readFile(path);
        try {
            decode(restored);
        } catch (const std::exception &error) {
            decodingError = describeError(error);
            m_logger->error(QStringLiteral("JSON decoding failed for %1: %2").arg(path, decodingError));
            throw StorageError::jsonDecodingFailed(decodingError);
        }
        m_logger->info(QStringLiteral("Successfully read recovered file"));
    });
}

void StorageManager::writeJSONInternal(const QString &path, const Encoder &encode)
{
    withLock(path, [&] {
        m_logger->debug(QStringLiteral("Writing JSON to ") + path);
        createDirectoryIfNeeded(QFileInfo(path).path());
        QByteArray bytes;
        try {
            bytes = encode();
        } catch (const std::exception &error) {
            const QString description = describeError(error);
            m_logger->error(QStringLiteral("JSON encoding failed: ") + description);
            throw StorageError::jsonEncodingFailed(description);
        }
        m_logger->debug(QStringLiteral("Successfully encoded JSON data (%1 bytes)").arg(bytes.size()));
        writeDataAtomically(bytes, path);
    });
}

bool StorageManager::isTemporaryFileName(const QString &name, const QString &path)
{
    const QFileInfo info(path);
    const QString prefix = info.completeBaseName() + QStringLiteral(".tmp.");
    const QString suffix = QLatin1Char('.') + info.suffix();
    constexpr qsizetype uuidLength = 36;
    if (name.size() != prefix.size() + uuidLength + suffix.size() || !name.startsWith(prefix)
        || !name.endsWith(suffix)) {
        return false;
    }
    // Only the upper-case UUIDs temporaryPath() makes: nothing else of the directory is ours to remove.
    const QString uuid = name.mid(prefix.size(), uuidLength);
    const std::optional<QUuid> parsed = json::uuidFromString(uuid);
    return parsed && json::uuidToString(*parsed) == uuid;
}

void StorageManager::removeStaleTemporaryFiles(const QString &path)
{
    // Runs under the document's lock, so no write of this store is using one of them; what is left
    // was abandoned by a process killed during a write.
    const QString directory = QFileInfo(path).path();
    QStringList names;
    try {
        names = m_fileManager->listDirectory(directory);
    } catch (const FileSystemError &error) {
        m_logger->warning(QStringLiteral("Failed to look for stale temporary files: ") + error.description());
        return;
    }
    for (const QString &name : names) {
        if (!isTemporaryFileName(name, path)) {
            continue;
        }
        const QString stale = QDir(directory).filePath(name);
        try {
            m_fileManager->removeFile(stale);
            m_logger->info(QStringLiteral("Removed stale temporary file ") + stale);
        } catch (const FileSystemError &error) {
            m_logger->warning(
                QStringLiteral("Failed to remove stale temporary file %1: %2").arg(stale, error.description()));
        }
    }
}

void StorageManager::writeDataAtomically(const QByteArray &data, const QString &path)
{
    const QString backup = backupPath(path);
    const QString temporary = temporaryPath(path);
    removeStaleTemporaryFiles(path);

    if (m_fileManager->exists(path)) {
        try {
            if (m_fileManager->exists(backup)) {
                m_fileManager->removeFile(backup);
            }
            // Not flushed: the document itself is replaced in one flushed step, so the backup only
            // stands in for a document that stops decoding later, never for one lost in a crash.
            m_fileManager->copyFile(path, backup, FileManagerProtocol::Flush::Later);
            m_logger->debug(QStringLiteral("Created backup at ") + backup);
        } catch (const FileSystemError &error) {
            // A write without a backup is still better than no write.
            m_logger->error(QStringLiteral("Failed to create backup: ") + error.description());
        }
    }

    try {
        m_fileManager->writeNewFile(temporary, data);
        m_logger->debug(QStringLiteral("Successfully wrote data to temporary file ") + temporary);
        m_fileManager->replaceFile(path, temporary);
        m_logger->debug(QStringLiteral("Successfully moved temporary file to final location ") + path);
    } catch (const FileSystemError &error) {
        try {
            m_fileManager->removeFile(temporary);
        } catch (const FileSystemError &) { }
        m_logger->error(QStringLiteral("Atomic write failed for %1: %2").arg(path, error.description()));
        throw classifyWriteError(error, path);
    }

    if (m_fileManager->exists(backup)) {
        try {
            m_fileManager->removeFile(backup);
        } catch (const FileSystemError &) { }
    }
}

void StorageManager::deleteFile(const QString &path)
{
    withLock(path, [&] {
        m_logger->debug(QStringLiteral("Deleting file ") + path);
        if (!m_fileManager->exists(path)) {
            m_logger->info(QStringLiteral("File not found for deletion: ") + path);
            return;
        }
        try {
            m_fileManager->removeFile(path);
            m_logger->debug(QStringLiteral("Successfully deleted file ") + path);
        } catch (const FileSystemError &error) {
            m_logger->error(QStringLiteral("Failed to delete file %1: %2").arg(path, error.description()));
            if (isPermissionError(error.code())) {
                throw StorageError::permissionDenied(path);
            }
            throw StorageError::unknownError(error.description());
        }
    });
}

bool StorageManager::recoverFromCorruptedFile(const QString &path)
{
    const QString backup = backupPath(path);
    if (!m_fileManager->exists(backup)) {
        m_logger->error(QStringLiteral("No backup file found for recovery at ") + backup);
        return false;
    }
    // Copy beside the document and rename over it: the damaged document stays until the good copy
    // is complete, so a failed copy loses nothing.
    const QString temporary = temporaryPath(path);
    try {
        m_fileManager->copyFile(backup, temporary, FileManagerProtocol::Flush::ToDisk);
        m_fileManager->replaceFile(path, temporary);
    } catch (const FileSystemError &error) {
        try {
            m_fileManager->removeFile(temporary);
        } catch (const FileSystemError &) { }
        m_logger->error(QStringLiteral("Failed to recover from backup: ") + error.description());
        return false;
    }
    m_logger->info(QStringLiteral("Successfully recovered corrupted file from backup: ") + path);
    return true;
}

bool StorageManager::validateAndRecover(const QString &path, const Decoder &decode)
{
    if (!m_fileManager->exists(path)) {
        return false;
    }
    try {
        decode(m_fileManager->readFile(path));
        return true;
    } catch (const std::exception &) {
        m_logger->warning(QStringLiteral("JSON file validation failed, attempting recovery: ") + path);
    }
    return recoverFromCorruptedFile(path);
}

void StorageManager::handleAttemptFailure(std::exception_ptr failure, int attempt)
{
    try {
        std::rethrow_exception(failure);
    } catch (const StorageError &error) {
        if (error.isRecoverable() && attempt < StorageConstants::maxRetryAttempts) {
            m_logger->warning(QStringLiteral("Retryable error on attempt %1: %2, retrying in %3 seconds")
                                  .arg(QString::number(attempt), error.errorDescription(),
                                       secondsText(StorageConstants::retryDelaySeconds)));
            return;
        }
        const QString line = QStringLiteral("Operation failed after %1 attempts: %2")
                                 .arg(QString::number(attempt), error.errorDescription());
        // A document that was never written (every store on first start) is no failure of storage.
        if (error.kind() == StorageError::Kind::FileNotFound) {
            m_logger->debug(line);
        } else {
            m_logger->error(line);
        }
        throw;
    } catch (const std::exception &error) {
        throw StorageError::unknownError(describeError(error));
    }
}

void StorageManager::performWithRetrySync(const std::function<void()> &operation)
{
    for (int attempt = 1;; ++attempt) {
        try {
            operation();
            return;
        } catch (...) {
            handleAttemptFailure(std::current_exception(), attempt);
        }
        // A plain pause of the calling thread: running the event loop here would let other handlers
        // (a received frame, a ping) run in the middle of a store call.
        m_clock->sleepBlocking(StorageConstants::retryDelaySeconds);
    }
}

QCoro::Task<> StorageManager::performWithRetryAsync(std::function<void()> operation)
{
    for (int attempt = 1;; ++attempt) {
        try {
            operation();
            co_return;
        } catch (...) {
            handleAttemptFailure(std::current_exception(), attempt);
        }
        co_await m_clock->sleep(StorageConstants::retryDelaySeconds);
    }
}

} // namespace verandel
