// The store's atomic JSON write of a 100-record document beside the same steps as bare system calls:
// encode the document, copy the previous one to the backup (flushed), write the new bytes to a temporary
// file (flushed), rename it into place, flush the directory and drop the backup. The ratio is what the
// store's locking, checks and bookkeeping cost.
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/JsonCodec.h"
#include "foundation/PosixFileManager.h"
#include "foundation/StorageManager.h"
#include "foundation/SystemClock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

using namespace verandel;

namespace {

QJsonArray hundredRecords()
{
    QJsonArray records;
    for (int i = 0; i < 100; ++i) {
        records.append(QJsonObject{
            {QStringLiteral("macAddress"), QStringLiteral("aa:bb:cc:dd:ee:%1").arg(i, 2, 16, QLatin1Char('0'))},
            {QStringLiteral("name"), QStringLiteral("Keyboard %1").arg(i)},
            {QStringLiteral("telemetryDeviceId"), QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301")},
            {QStringLiteral("createdAt"), QStringLiteral("2026-12-07T10:00:00Z")},
            {QStringLiteral("detectionAttributes"),
             QJsonObject{{QStringLiteral("vendorId"), 0x05AC}, {QStringLiteral("productId"), 0x0267}}},
        });
    }
    return records;
}

void BM_StoreAtomicWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    DefaultLoggerFactory loggers(QStringLiteral("com.verandel.Verandel"), false, {}, LogLevel::Critical);
    auto store = StorageManager::create(std::make_shared<PosixFileManager>(), std::make_shared<SystemClock>(),
                                        dir.path(), loggers);
    const QString path = store->getFileURL(QStringLiteral("devices.json"));
    const QJsonArray records = hundredRecords();
    store->writeJSONSync(records, path);
    for (auto _ : state) {
        store->writeJSONSync(records, path);
    }
}
BENCHMARK(BM_StoreAtomicWrite)->Unit(benchmark::kMicrosecond);

QByteArray readAll(const QByteArray &path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    char buffer[65536];
    for (ssize_t count; (count = ::read(fd, buffer, sizeof buffer)) > 0;) {
        data.append(buffer, count);
    }
    ::close(fd);
    return data;
}

void writeSynced(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    benchmark::DoNotOptimize(::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())));
    ::fsync(fd);
    ::close(fd);
}

void BM_PlainWriteFsyncRename(benchmark::State &state)
{
    QTemporaryDir dir;
    const QJsonArray records = hundredRecords();
    const QByteArray directory = QFile::encodeName(dir.path());
    const QByteArray temporary = QFile::encodeName(dir.filePath(QStringLiteral("devices.tmp.json")));
    const QByteArray backup = QFile::encodeName(dir.filePath(QStringLiteral("devices.backup.json")));
    const QByteArray destination = QFile::encodeName(dir.filePath(QStringLiteral("devices.json")));
    writeSynced(destination, QJsonDocument(records).toJson(QJsonDocument::Indented));
    for (auto _ : state) {
        const QByteArray bytes = QJsonDocument(records).toJson(QJsonDocument::Indented);
        writeSynced(backup, readAll(destination));
        writeSynced(temporary, bytes);
        ::rename(temporary.constData(), destination.constData());
        const int dirFd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::fsync(dirFd);
        ::close(dirFd);
        ::unlink(backup.constData());
    }
}
BENCHMARK(BM_PlainWriteFsyncRename)->Unit(benchmark::kMicrosecond);

} // namespace
