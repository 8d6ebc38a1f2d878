#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/FileManagerProtocol.h"
#include "foundation/JsonCodec.h"
#include "foundation/LoggerFactory.h"
#include "foundation/StorageConstants.h"
#include "foundation/StorageError.h"

#include <QHash>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace verandel {

// The only way the program reads and writes its documents: one JSON file per store, written whole
// through a temporary file that is flushed and renamed into place, with a short-lived backup of the
// previous document that a read restores when the document no longer decodes. Every operation on
// one path runs under that path's lock; recoverable failures are tried three times. A write first
// removes the temporary files of its document that a killed process left behind.
//
// The synchronous entry points never run the event loop: their retry pause blocks the thread. Code
// on the main loop that may wait on a contended file uses the awaiting ones.
//
// Always held by shared_ptr (see create()): an asynchronous operation keeps its store alive until it
// ends, so no write can be dropped and reported as done.
class StorageManager final : public std::enable_shared_from_this<StorageManager>
{
public:
    static std::shared_ptr<StorageManager>
    create(FileManagerPtr fileManager, ClockPtr clock, std::optional<QString> baseDirectory,
           LoggerFactory &loggerFactory, double fileLockTimeoutSeconds = StorageConstants::fileLockTimeoutSeconds);

    // The storage base directory, created (mode 0700) when missing. Worked out anew on every call.
    QString getBaseDirectory();
    void ensureStorageDirectory();
    QString getFileURL(const QString &fileName);

    QString devicesStorageURL() { return getFileURL(StorageConstants::devicesFileName); }
    QString connectedMacsStorageURL() { return getFileURL(StorageConstants::connectedMacsFileName); }
    QString localMacIdentityStorageURL() { return getFileURL(QStringLiteral("advertised-mac-identity.json")); }
    QString systemPermissionsStateStorageURL() { return getFileURL(QStringLiteral("system-permissions-state.json")); }
    QString metricsQueueStorageURL() { return getFileURL(QStringLiteral("metrics-queue.json")); }
    QString telemetryPreferencesStorageURL() { return getFileURL(QStringLiteral("telemetry-preferences.json")); }
    QString updatePreferencesStorageURL() { return getFileURL(QStringLiteral("update-preferences.json")); }

    bool fileExists(const QString &path);

    template <typename T>
    T readJSONSync(const QString &path)
    {
        std::optional<T> result;
        performWithRetrySync([&] { readJSONInternal(path, decoderInto(result)); });
        return std::move(*result);
    }

    template <typename T>
    void writeJSONSync(const T &value, const QString &path)
    {
        performWithRetrySync([&] { writeJSONInternal(path, [&] { return encode(value); }); });
    }

    // Lambdas are bound to names before co_await: GCC 12 destroys a closure temporary inside a
    // co_await expression twice.
    template <typename T>
    QCoro::Task<T> readJSON(QString path)
    {
        const std::shared_ptr<StorageManager> self = shared_from_this();
        std::optional<T> result;
        std::function<void()> operation = [self, path, &result] { self->readJSONInternal(path, decoderInto(result)); };
        co_await self->performWithRetryAsync(std::move(operation));
        co_return std::move(*result);
    }

    template <typename T>
    QCoro::Task<> writeJSON(T value, QString path)
    {
        const std::shared_ptr<StorageManager> self = shared_from_this();
        std::function<void()> operation
            = [self, path, &value] { self->writeJSONInternal(path, [&value] { return encode(value); }); };
        co_await self->performWithRetryAsync(std::move(operation));
    }

    void deleteFile(const QString &path);
    // Restores the document from its backup (atomically). Never throws.
    bool recoverFromCorruptedFile(const QString &path);

    template <typename T>
    bool validateAndRecoverJSON(const QString &path)
    {
        std::optional<T> ignored;
        return validateAndRecover(path, decoderInto(ignored));
    }

    static QString temporaryPath(const QString &path);
    static QString backupPath(const QString &path);

private:
    using Decoder = std::function<void(const QByteArray &)>;
    using Encoder = std::function<QByteArray()>;

    StorageManager(FileManagerPtr fileManager, ClockPtr clock, std::optional<QString> baseDirectory,
                   LoggerFactory &loggerFactory, double fileLockTimeoutSeconds);

    template <typename T>
    static Decoder decoderInto(std::optional<T> &result)
    {
        return [&result](const QByteArray &bytes) { result = JsonCodec<T>::decode(json::decodeDocument(bytes)); };
    }
    template <typename T>
    static QByteArray encode(const T &value)
    {
        return json::encodeDocument(JsonCodec<T>::encode(value));
    }

    void createDirectoryIfNeeded(const QString &path);
    std::shared_ptr<std::timed_mutex> getLock(const QString &path);
    void withLock(const QString &path, const std::function<void()> &operation);
    void readJSONInternal(const QString &path, const Decoder &decode);
    void writeJSONInternal(const QString &path, const Encoder &encode);
    void writeDataAtomically(const QByteArray &data, const QString &path);
    // Whether a file name in the document's directory is one of the document's temporary files.
    static bool isTemporaryFileName(const QString &name, const QString &path);
    void removeStaleTemporaryFiles(const QString &path);
    bool validateAndRecover(const QString &path, const Decoder &decode);
    void performWithRetrySync(const std::function<void()> &operation);
    QCoro::Task<> performWithRetryAsync(std::function<void()> operation);
    // Logs and decides whether a failed attempt is tried again; rethrows otherwise.
    void handleAttemptFailure(std::exception_ptr failure, int attempt);

    FileManagerPtr m_fileManager;
    LoggerPtr m_logger;
    QHash<QString, std::shared_ptr<std::timed_mutex>> m_fileLocks;
    std::mutex m_lockMapLock;
    ClockPtr m_clock;
    std::optional<QString> m_baseDirectory;
    double m_fileLockTimeoutSeconds;
};

using StorageManagerPtr = std::shared_ptr<StorageManager>;

} // namespace verandel
