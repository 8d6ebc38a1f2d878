#include "foundation/StorageManager.h"
#include "foundation/FileSystemError.h"
#include "foundation/JsonFields.h"
#include "foundation/PosixFileManager.h"

#include "support/RunTask.h"
#include "support/StoreFixture.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <condition_variable>
#include <thread>

#include <sys/stat.h>

using namespace verandel;
using Op = test::FaultyFileManager::Operation;

namespace {

struct Note
{
    QString text;
    QDateTime at;

    QJsonValue toJson() const
    {
        return QJsonObject{{QStringLiteral("text"), text}, {QStringLiteral("at"), json::toIso8601(at)}};
    }
    static Note fromJson(const QJsonValue &value)
    {
        const QJsonObject object = json::requireObject(value, QStringLiteral("note"));
        return {json::requireString(object, QStringLiteral("text")), json::requireDate(object, QStringLiteral("at"))};
    }
};

const QDateTime kNoon(QDate(2026, 3, 4), QTime(12, 0, 5, 250), Qt::UTC);

// Another thread writes the document and stays inside the write, holding the file's lock, until the
// holder is destroyed.
class LockHolder
{
public:
    LockHolder(StorageManagerPtr store, test::FaultyFileManager &files, const QString &file)
        : m_files(files)
    {
        m_files.setHook(Op::WriteNewFile, [this] {
            std::unique_lock lock(m_mutex);
            m_holding = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_release; });
        });
        m_writer = std::thread([store, file] { store->writeJSONSync(Note{QStringLiteral("y"), kNoon}, file); });
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_holding; });
    }
    ~LockHolder()
    {
        {
            std::lock_guard lock(m_mutex);
            m_release = true;
        }
        m_changed.notify_all();
        m_writer.join();
        m_files.setHook(Op::WriteNewFile, {});
    }

private:
    test::FaultyFileManager &m_files;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_holding = false;
    bool m_release = false;
    std::thread m_writer;
};

class StorageManagerTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_store = m_storage;
    }

    StorageManagerPtr makeStore(std::optional<QString> base, double lockTimeout = 5.0)
    {
        return StorageManager::create(m_files, m_clock, std::move(base), m_logs, lockTimeout);
    }

    QString path(const QString &name = QStringLiteral("notes.json")) const { return StoreFixture::path(name); }
    QStringList leftovers() const
    {
        return QDir(m_dir.filePath(QStringLiteral("store")))
            .entryList({QStringLiteral("*.tmp.*"), QStringLiteral("*.backup.*")}, QDir::Files);
    }

    StorageManagerPtr m_store;
};

} // namespace

TEST_F(StorageManagerTest, FirstWriteCreatesPrivateDirectoryAndDocumentWithoutLeftovers)
{
    const QString base = m_dir.filePath(QStringLiteral("a/b/store"));
    auto store = makeStore(base);
    const QString file = QDir(base).filePath(QStringLiteral("notes.json"));
    store->writeJSONSync(Note{QStringLiteral("hello"), kNoon}, file);

    struct stat info
    { };
    ASSERT_EQ(::stat(QFile::encodeName(base).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(QDir(base).entryList({QStringLiteral("*.tmp.*"), QStringLiteral("*.backup.*")}).isEmpty());

    // Pretty-printed, sorted keys, whole-second UTC dates.
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("{\n    \"at\": \"2026-03-04T12:00:05Z\",\n    \"text\": \"hello\"\n}\n"));
    const Note back = store->readJSONSync<Note>(file);
    EXPECT_EQ(back.text, QStringLiteral("hello"));
    EXPECT_EQ(back.at, QDateTime(QDate(2026, 3, 4), QTime(12, 0, 5), Qt::UTC));

    // The asynchronous entry points, with a list.
    const QList<Note> notes{{QStringLiteral("one"), kNoon}, {QStringLiteral("two"), kNoon.addDays(1)}};
    test::runTask(m_store->writeJSON(notes, path()));
    const QList<Note> list = test::runTask(m_store->readJSON<QList<Note>>(path()));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].text, QStringLiteral("two"));
}

TEST_F(StorageManagerTest, BackupLeftByFailedWriteIsRefreshedThenRemovedBySuccessfulWrite)
{
    const QString file = path();
    m_store->writeJSONSync(Note{QStringLiteral("v1"), kNoon}, file);

    m_files->failWith(Op::ReplaceFile, EIO, 1);
    EXPECT_THROW(m_store->writeJSONSync(Note{QStringLiteral("v2"), kNoon}, file), StorageError);
    EXPECT_EQ(m_store->readJSONSync<Note>(file).text, QStringLiteral("v1"));
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("notes.backup.json")});

    m_store->writeJSONSync(Note{QStringLiteral("v3"), kNoon}, file);
    EXPECT_EQ(m_store->readJSONSync<Note>(file).text, QStringLiteral("v3"));
    EXPECT_TRUE(leftovers().isEmpty());

    // A stale backup is also removed by a write that had no document before it.
    writeRaw(QStringLiteral("other.backup.json"), "[]");
    m_store->writeJSONSync(Note{QStringLiteral("x"), kNoon}, path(QStringLiteral("other.json")));
    EXPECT_TRUE(leftovers().isEmpty());

    // A backup that cannot be made does not abandon the write.
    m_files->failWith(Op::CopyFile, EIO, 1);
    m_store->writeJSONSync(Note{QStringLiteral("v4"), kNoon}, file);
    EXPECT_EQ(m_store->readJSONSync<Note>(file).text, QStringLiteral("v4"));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to create backup: ")));
}

TEST_F(StorageManagerTest, FailedWriteKeepsOldDocumentAndClassifiesTheError)
{
    struct Case
    {
        Op operation;
        int code;
        StorageError::Kind kind;
    };
    const Case cases[] = {
        {Op::ReplaceFile, EACCES, StorageError::Kind::PermissionDenied},
        {Op::ReplaceFile, EROFS, StorageError::Kind::PermissionDenied},
        {Op::WriteNewFile, ENOSPC, StorageError::Kind::DiskFull},
        {Op::WriteNewFile, EDQUOT, StorageError::Kind::DiskFull},
        {Op::ReplaceFile, EIO, StorageError::Kind::UnknownError},
    };
    const QString file = path();
    for (const Case &c : cases) {
        m_files->clearFailures();
        m_store->writeJSONSync(Note{QStringLiteral("old"), kNoon}, file);
        m_files->failWith(c.operation, c.code, 1);
        EXPECT_EQ(kindOf([&] {
                      m_store->writeJSONSync(Note{QStringLiteral("new"), kNoon}, file);
                  }),
                  c.kind)
            << "errno " << c.code;
        EXPECT_EQ(m_store->readJSONSync<Note>(file).text, QStringLiteral("old"));
        EXPECT_EQ(leftovers(), QStringList{QStringLiteral("notes.backup.json")}) << "temporary file left behind";
        EXPECT_EQ(Note::fromJson(json::decodeDocument(contents(QStringLiteral("notes.backup.json")))).text,
                  QStringLiteral("old"));
    }
    // Non-recoverable errors are not tried again.
    m_files->clearFailures();
    const int before = m_files->callCount(Op::WriteNewFile);
    m_files->failWith(Op::WriteNewFile, ENOSPC);
    EXPECT_THROW(m_store->writeJSONSync(Note{QStringLiteral("new"), kNoon}, file), StorageError);
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile) - before, 1);
    EXPECT_TRUE(m_logs.contains(LogLevel::Error,
                                QStringLiteral("Operation failed after 1 attempts: "
                                               "Insufficient disk space for operation")));
}

TEST_F(StorageManagerTest, CorruptDocumentIsRestoredFromBackup)
{
    const QString file = path();
    m_store->writeJSONSync(Note{QStringLiteral("good"), kNoon}, file);
    QFile::copy(file, StorageManager::backupPath(file));
    writeRaw(QStringLiteral("notes.json"), "{\"text\": 17");

    EXPECT_EQ(m_store->readJSONSync<Note>(file).text, QStringLiteral("good"));
    EXPECT_EQ(contents(QStringLiteral("notes.json")), contents(QStringLiteral("notes.backup.json")));
    EXPECT_TRUE(
        m_logs.contains(LogLevel::Info, QStringLiteral("Successfully recovered corrupted file from backup: ") + file));
    EXPECT_TRUE(m_logs.contains(LogLevel::Info, QStringLiteral("Successfully read recovered file")));
}

TEST_F(StorageManagerTest, CorruptDocumentWithoutUsableBackupFailsAndIsNeverDeleted)
{
    const QString file = path();
    writeRaw(QStringLiteral("notes.json"), "not json");
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::JsonDecodingFailed);
    EXPECT_TRUE(m_logs.contains(
        LogLevel::Error, QStringLiteral("No backup file found for recovery at ") + StorageManager::backupPath(file)));

    // The restore copy fails part-way: the damaged document must still be there, untouched.
    writeRaw(QStringLiteral("notes.backup.json"), "{\"text\": \"b\", \"at\": \"2026-01-01T00:00:00Z\"}");
    m_files->failWith(Op::CopyFile, ENOSPC, 1);
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::JsonDecodingFailed);
    EXPECT_EQ(contents(QStringLiteral("notes.json")), QByteArray("not json"));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to recover from backup: ")));
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("notes.backup.json")});

    // A restored backup that does not decode either is a decoding failure (callers repair those),
    // while a failure to read the restored file stays an unknown error.
    m_files->clearFailures();
    writeRaw(QStringLiteral("notes.backup.json"), "[1, 2]");
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::JsonDecodingFailed);
    writeRaw(QStringLiteral("notes.json"), "not json");
    writeRaw(QStringLiteral("notes.backup.json"), "{\"text\": \"b\", \"at\": \"2026-01-01T00:00:00Z\"}");
    m_files->setHook(Op::ReplaceFile, [this] { m_files->failWith(Op::ReadFile, EIO, 1); });
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::UnknownError);
    m_files->setHook(Op::ReplaceFile, {});
}

TEST_F(StorageManagerTest, ReadFailuresAreClassifiedAndMissingFilesReported)
{
    const QString file = path();
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::FileNotFound);
    // A document not written yet is the normal first start (and the metrics queue is read every 15 s
    // until something is queued): its lines are debug lines, which the store's minimum level keeps out
    // of the log.
    EXPECT_TRUE(m_logs.records().isEmpty()) << m_logs.allMessages().join(u'\n').toStdString();

    m_store->writeJSONSync(Note{QStringLiteral("x"), kNoon}, file);
    m_files->failWith(Op::ReadFile, EACCES, 1);
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::PermissionDenied);
    EXPECT_TRUE(m_logs.contains(
        LogLevel::Error, QStringLiteral("Operation failed after 1 attempts: Permission denied for path: ") + file));
    m_files->failWith(Op::ReadFile, EIO, 1);
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::UnknownError);

    writeRaw(QStringLiteral("notes.json"), "{\"text\": \"x\"}");
    try {
        m_store->readJSONSync<Note>(file);
        FAIL();
    } catch (const StorageError &error) {
        EXPECT_EQ(error.kind(), StorageError::Kind::JsonDecodingFailed);
        EXPECT_EQ(error.errorDescription(), QStringLiteral("JSON decoding failed: No value for key \"at\""));
    }
}

TEST_F(StorageManagerTest, LockHeldElsewhereIsRetriedThreeTimesOnTheClock)
{
    auto store = makeStore(m_dir.filePath(QStringLiteral("store")), 0.02);
    const QString file = store->getFileURL(QStringLiteral("notes.json"));
    store->writeJSONSync(Note{QStringLiteral("x"), kNoon}, file);

    auto holder = std::make_unique<LockHolder>(store, *m_files, file);
    const QDateTime before = m_clock->now();
    m_logs.clear();
    EXPECT_EQ(kindOf([&] { store->readJSONSync<Note>(file); }), StorageError::Kind::FileLockTimeout);
    EXPECT_EQ(m_clock->now(), before.addMSecs(1000));
    EXPECT_EQ(m_logs.messages(LogLevel::Error).size(), 4);
    EXPECT_TRUE(m_logs.contains(LogLevel::Error,
                                QStringLiteral("Operation failed after 3 attempts: File lock acquisition timed out")));
    EXPECT_EQ(m_logs.messages(LogLevel::Warning).size(), 2);

    // The asynchronous entry point pauses on the clock the same way.
    m_clock->setAutoAdvance(false);
    bool threw = false;
    auto read = [&]() -> QCoro::Task<> {
        try {
            co_await store->readJSON<Note>(file);
        } catch (const StorageError &error) {
            threw = error.kind() == StorageError::Kind::FileLockTimeout;
        }
    };
    auto task = read();
    EXPECT_EQ(m_clock->sleeperCount(), 1);
    m_clock->advance(0.5);
    EXPECT_EQ(m_clock->sleeperCount(), 1);
    m_clock->advance(0.5);
    EXPECT_TRUE(threw);

    holder.reset();
    EXPECT_EQ(store->readJSONSync<Note>(file).text, QStringLiteral("y"));
}

TEST_F(StorageManagerTest, SynchronousCallsRunNoOtherHandlerEvenWhileTheyPause)
{
    auto store = makeStore(m_dir.filePath(QStringLiteral("store")), 0.02);
    const QString file = store->getFileURL(QStringLiteral("notes.json"));
    store->writeJSONSync(Note{QStringLiteral("x"), kNoon}, file);
    LockHolder holder(store, *m_files, file);

    // Handlers that are due at once: a posted call and a zero timer. Each one that runs in the middle
    // of a store call is counted, and wakes any pause waiting on the clock (else a nested event loop
    // would wait forever).
    m_clock->setAutoAdvance(false);
    bool inStoreCall = false;
    int ranInside = 0;
    int ran = 0;
    const auto handler = [&] {
        ++ran;
        ranInside += inStoreCall ? 1 : 0;
        m_clock->advance(0.5);
    };
    QObject context;
    QMetaObject::invokeMethod(&context, handler, Qt::QueuedConnection);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &context, handler);
    timer.start(0);

    const QDateTime before = m_clock->now();
    inStoreCall = true;
    EXPECT_EQ(kindOf([&] { store->readJSONSync<Note>(file); }), StorageError::Kind::FileLockTimeout);
    EXPECT_EQ(kindOf([&] {
                  store->writeJSONSync(Note{QStringLiteral("z"), kNoon}, file);
              }),
              StorageError::Kind::FileLockTimeout);
    inStoreCall = false;
    EXPECT_EQ(ranInside, 0);
    // Both calls still paused twice, as long as the clock says.
    EXPECT_EQ(m_clock->requestedSleeps(), (QList<double>{0.5, 0.5, 0.5, 0.5}));
    EXPECT_EQ(m_clock->now(), before.addSecs(2));

    EXPECT_TRUE(test::waitUntil([&] { return ran >= 2; }));
    timer.stop();
}

TEST_F(StorageManagerTest, WriteRemovesOnlyTheStaleTemporaryFilesOfItsDocument)
{
    const QString file = path();
    const QString uuid = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    struct Case
    {
        QString name;
        bool removed;
    };
    const Case cases[] = {
        {QStringLiteral("notes.tmp.") + uuid + QStringLiteral(".json"), true},
        {QStringLiteral("notes.tmp.F0000000-0000-4000-8000-000000000001.json"), true},
        {QStringLiteral("other.tmp.") + uuid + QStringLiteral(".json"), false},
        {QStringLiteral("xnotes.tmp.") + uuid + QStringLiteral(".json"), false},
        {QStringLiteral("notes.tmp.") + uuid + QStringLiteral(".json.part"), false},
        {QStringLiteral("notes.tmp.") + uuid + QStringLiteral(".txt"), false},
        {QStringLiteral("notes.tmp.") + uuid.toLower() + QStringLiteral(".json"), false},
        {QStringLiteral("notes.tmp.0A1B2C3D_4E5F-4A6B-8C7D-9E0F1A2B3C4D.json"), false},
        {QStringLiteral("notes.tmp.keep.json"), false},
        {QStringLiteral("notes.json.tmp"), false},
    };
    QDir(m_dir.path()).mkpath(QStringLiteral("store"));
    for (const Case &c : cases) {
        writeRaw(c.name, "left behind");
    }
    // Reading leaves them alone; the next write of the document removes its own.
    EXPECT_EQ(kindOf([&] { m_store->readJSONSync<Note>(file); }), StorageError::Kind::FileNotFound);
    EXPECT_TRUE(QFileInfo::exists(path(cases[0].name)));
    m_store->writeJSONSync(Note{QStringLiteral("v1"), kNoon}, file);
    for (const Case &c : cases) {
        EXPECT_NE(QFileInfo::exists(path(c.name)), c.removed) << c.name.toStdString();
    }
    EXPECT_TRUE(m_logs.contains(LogLevel::Info, QStringLiteral("Removed stale temporary file ") + path(cases[0].name)));

    // A temporary file of a document without extension, and failures of the clean-up, which never
    // fail the write.
    const QString plain = path(QStringLiteral("plain"));
    const QString stale = path(QStringLiteral("plain.tmp.") + uuid + QLatin1Char('.'));
    writeRaw(QFileInfo(stale).fileName(), "left behind");
    m_files->failWith(Op::ListDirectory, EIO, 1);
    m_store->writeJSONSync(Note{QStringLiteral("v1"), kNoon}, plain);
    EXPECT_TRUE(QFileInfo::exists(stale));
    EXPECT_TRUE(
        m_logs.containsSubstring(LogLevel::Warning, QStringLiteral("Failed to look for stale temporary files")));
    m_files->failWith(Op::RemoveFile, EPERM, 1);
    m_store->writeJSONSync(Note{QStringLiteral("v2"), kNoon}, plain);
    EXPECT_TRUE(QFileInfo::exists(stale));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Warning, QStringLiteral("Failed to remove stale temporary file ")));
    m_store->writeJSONSync(Note{QStringLiteral("v3"), kNoon}, plain);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_EQ(m_store->readJSONSync<Note>(plain).text, QStringLiteral("v3"));
}

TEST_F(StorageManagerTest, BaseDirectoryAndItsFailures)
{
    // Without an override the store lives in the user's data directory (test mode keeps it out of
    // the real one).
    auto store = makeStore(std::nullopt);
    const QString base = store->getBaseDirectory();
    EXPECT_EQ(base,
              QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                  .filePath(QStringLiteral("com.verandel.Verandel")));
    EXPECT_TRUE(QFileInfo(base).isDir());
    EXPECT_EQ(store->devicesStorageURL(), QDir(base).filePath(QStringLiteral("devices.json")));

    // A plain file where the directory should be: the lookup passes, the write fails.
    const QString blocked = m_dir.filePath(QStringLiteral("blocked"));
    QFile(blocked).open(QIODevice::WriteOnly);
    auto blockedStore = makeStore(blocked);
    EXPECT_EQ(blockedStore->getBaseDirectory(), blocked);
    EXPECT_EQ(kindOf([&] {
                  blockedStore->writeJSONSync(Note{QStringLiteral("x"), kNoon},
                                              blockedStore->getFileURL(QStringLiteral("n.json")));
              }),
              StorageError::Kind::UnknownError);

    m_files->failWith(Op::CreateDirectory, EACCES, 1);
    auto denied = makeStore(m_dir.filePath(QStringLiteral("denied")));
    EXPECT_EQ(kindOf([&] { denied->ensureStorageDirectory(); }), StorageError::Kind::DirectoryCreationFailed);
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to create storage directory: ")));
}

TEST_F(StorageManagerTest, DeleteAndValidate)
{
    const QString file = path();
    m_store->deleteFile(file);
    EXPECT_TRUE(m_logs.contains(LogLevel::Info, QStringLiteral("File not found for deletion: ") + file));

    m_logs.clear();
    EXPECT_FALSE(m_store->validateAndRecoverJSON<Note>(file));
    EXPECT_TRUE(m_logs.records().isEmpty());

    m_store->writeJSONSync(Note{QStringLiteral("x"), kNoon}, file);
    EXPECT_TRUE(m_store->validateAndRecoverJSON<Note>(file));
    m_files->failWith(Op::RemoveFile, EPERM, 1);
    EXPECT_EQ(kindOf([&] { m_store->deleteFile(file); }), StorageError::Kind::PermissionDenied);
    m_store->deleteFile(file);
    EXPECT_FALSE(QFileInfo::exists(file));
}
