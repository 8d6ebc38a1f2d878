// The store's atomic JSON write of a 100-record document beside a bare write + fsync + rename of the
// same bytes: the ratio is what the store's encoding, backup and locking cost.
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/JsonCodec.h"
#include "foundation/PosixFileManager.h"
#include "foundation/StorageManager.h"
#include "foundation/SystemClock.h"

#include <QCoreApplication>
#include <QJsonArray>
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

void BM_PlainWriteFsyncRename(benchmark::State &state)
{
    QTemporaryDir dir;
    const QByteArray bytes = json::encodeDocument(hundredRecords());
    const QByteArray temporary = QFile::encodeName(dir.filePath(QStringLiteral("devices.tmp.json")));
    const QByteArray destination = QFile::encodeName(dir.filePath(QStringLiteral("devices.json")));
    for (auto _ : state) {
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        benchmark::DoNotOptimize(::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())));
        ::fsync(fd);
        ::close(fd);
        ::rename(temporary.constData(), destination.constData());
    }
}
BENCHMARK(BM_PlainWriteFsyncRename)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
