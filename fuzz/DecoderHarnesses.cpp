#include "DecoderHarnesses.h"

#include "FuzzApplication.h"
#include "FuzzRequire.h"

#include "bluetooth/PermissionsStateStore.h"
#include "foundation/JsonCodec.h"
#include "foundation/JsonFields.h"
#include "foundation/PosixFileManager.h"
#include "foundation/ResourceBundle.h"
#include "foundation/RuntimeEnvironmentLoader.h"
#include "foundation/StorageManager.h"
#include "peer/dnssd/DiscoverableMacTxt.h"
#include "records/ConnectedMacStorageService.h"
#include "records/DeviceStorageService.h"
#include "records/MacIdentifierService.h"
#include "telemetry/MetricsQueueStore.h"

#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <stdexcept>

namespace verandel::fuzz {

namespace {

QString scratchTemplate()
{
    // tmpfs where there is one: the stores flush what they write.
    const QString name = QStringLiteral("verandel-fuzz-XXXXXX");
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/") + name : QDir::temp().filePath(name);
}

// One directory and one file store for every input.
struct Scratch
{
    // Empties the directory, writes the input under the name and answers its path.
    QString holdOnly(const QString &name, const QByteArray &bytes)
    {
        QDir directory(dir.path());
        for (const QString &entry : directory.entryList(QDir::Files | QDir::Hidden)) {
            directory.remove(entry);
        }
        logs.clear();
        QFile file(directory.filePath(name));
        if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            throw std::runtime_error("scratch file not written");
        }
        return file.fileName();
    }

    QTemporaryDir dir{scratchTemplate()};
    test::RecordingLoggerFactory logs;
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    StorageManagerPtr store = StorageManager::create(std::make_shared<PosixFileManager>(), clock, dir.path(), logs);
};

Scratch &scratch()
{
    // The queue store's operations are coroutines run to their end on an event loop.
    ensureApplication();
    static Scratch instance;
    return instance;
}

QByteArray bytesOf(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// A document that decoded is written the way the store writes it; that must read back, and writing it
// again must give the same bytes.
template <typename T>
void requireStableRoundTrip(const QByteArray &bytes)
{
    const auto rewrite = [](const QByteArray &document) {
        return json::encodeDocument(JsonCodec<T>::encode(JsonCodec<T>::decode(json::decodeDocument(document))));
    };
    const QByteArray written = rewrite(bytes);
    try {
        require(rewrite(written) == written,
                QStringLiteral("a rewritten document changed:\n") + QString::fromUtf8(written));
    } catch (const JsonDecodeError &error) {
        require(false, QStringLiteral("a written document does not read back: ") + error.description());
    }
}

// Lists the document through its store (which decodes and orders it) and checks the round trip.
template <typename Store, typename T>
int listedCount(const QString &fileName, const QByteArray &bytes, QList<T> (Store::*list)())
{
    Scratch &s = scratch();
    s.holdOnly(fileName, bytes);
    Store store(s.store, s.logs, s.clock);
    try {
        const qsizetype count = (store.*list)().size();
        requireStableRoundTrip<QList<T>>(bytes);
        return static_cast<int>(count);
    } catch (const StorageError &) {
        return 0;
    }
}

} // namespace

int feedTxtRecord(const std::uint8_t *data, std::size_t size)
{
    QList<QByteArray> strings;
    for (std::size_t i = 0; i < size;) {
        const std::size_t length = std::min<std::size_t>(data[i], size - i - 1);
        strings.append(bytesOf(data + i + 1, length));
        i += 1 + length;
    }
    const TxtRecord record = TxtRecord::fromStrings(strings);
    require(TxtRecord::fromStrings(record.toStrings()) == record, QStringLiteral("a TXT record changed on rewrite"));

    const PeerEndpoint endpoint = PeerEndpoint::serviceInstance(
        QStringLiteral("Desk"), DiscoverableMacTxt::serviceType(), QStringLiteral("local"));
    const QDateTime at = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    const std::optional<DiscoverableMac> mac = DiscoverableMacTxt::from(endpoint, record, at);
    if (!mac) {
        return 0;
    }
    const TxtRecord advertised = TxtRecord::fromStrings(DiscoverableMacTxt::txtRecordData(*mac).toStrings());
    require(DiscoverableMacTxt::from(endpoint, advertised, at) == mac,
            QStringLiteral("an advertised record reads back as another"));
    return 1;
}

int feedEnvironmentFile(const std::uint8_t *data, std::size_t size)
{
    Scratch &s = scratch();
    QProcessEnvironment process;
    process.insert(QStringLiteral("RUNTIME_ENV_FILE"), s.holdOnly(QStringLiteral("runtime-env"), bytesOf(data, size)));
    RuntimeEnvironmentLoader loader(
        process, std::make_shared<ResourceBundle>(s.dir.path(), s.dir.path()),
        [&s](const QString &, const QString &category, bool) { return s.logs.createLogger(category); });
    const RuntimeEnvironment environment = loader.load();
    (void)environment.makeLoggerFactory();
    // How many settings the file moved off their defaults.
    return int(environment.debugModeEnabled()) + int(environment.debugProfileName().has_value())
        + int(environment.discoveryType() == DiscoveryType::Debug)
        + int(environment.bluetoothMode() == BluetoothMode::Mock) + int(environment.enableLogStdout())
        + int(environment.defaultLogLevel().has_value())
        + static_cast<int>(environment.categoryLogLevelOverrides().size())
        + int(environment.sparkleFeedURL().has_value())
        + int(environment.metricsBeaconBaseURL() != RuntimeEnvironment::defaultMetricsBeaconBaseURL()
              && environment.metricsBeaconBaseURL() != RuntimeEnvironment::defaultDebugMetricsBeaconBaseURL());
}

int feedDevicesDocument(const std::uint8_t *data, std::size_t size)
{
    return listedCount<DeviceStorageService, Device>(StorageConstants::devicesFileName, bytesOf(data, size),
                                                     &DeviceStorageService::listDevices);
}

int feedLinkedComputersDocument(const std::uint8_t *data, std::size_t size)
{
    return listedCount<ConnectedMacStorageService, ConnectedMac>(
        StorageConstants::connectedMacsFileName, bytesOf(data, size), &ConnectedMacStorageService::listConnectedMacs);
}

int feedPermissionsDocument(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    Scratch &s = scratch();
    const QString path = s.holdOnly(QStringLiteral("system-permissions-state.json"), bytes);
    try {
        const qsizetype count = s.store->readJSONSync<PermissionsStateStore>(path).permissions.size();
        requireStableRoundTrip<PermissionsStateStore>(bytes);
        return static_cast<int>(count);
    } catch (const StorageError &) {
        return 0;
    }
}

int feedMetricsQueueDocument(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    Scratch &s = scratch();
    s.holdOnly(QStringLiteral("metrics-queue.json"), bytes);
    const auto queue = std::make_shared<MetricsQueueStore>(s.store, s.logs, s.clock);
    const QList<MetricsQueueEntry> entries = test::runTask(queue->list());
    if (entries.isEmpty()) {
        return 0;
    }
    requireStableRoundTrip<QList<MetricsQueueEntry>>(bytes);
    return static_cast<int>(entries.size());
}

int feedIdentityDocument(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    Scratch &s = scratch();
    s.holdOnly(QStringLiteral("advertised-mac-identity.json"), bytes);
    const MachineId::Reader machineId = [] {
        return std::optional<QUuid>(QUuid::fromString(QStringLiteral("0f1e2d3c-4b5a-4968-8776-655443322110")));
    };
    // Whatever the file held, the identity settles at the first start and stays at the next.
    const MacIdentifierService first(s.logs, s.store, s.clock, machineId);
    const MacIdentifierService second(s.logs, s.store, s.clock, machineId);
    require(first.installationId() == second.installationId(), QStringLiteral("the installation id changed"));
    require(first.advertisedName() == second.advertisedName(), QStringLiteral("the advertised name changed"));
    require(json::uuidFromString(first.installationId()) && first.installationId() == first.installationId().toLower(),
            QStringLiteral("installation id not a lower-case UUID: ") + first.installationId());
    const QJsonValue stored = QJsonDocument::fromJson(bytes).object().value(QStringLiteral("installationId"));
    return stored.isString() && stored.toString().toLower() == first.installationId() ? 1 : 0;
}

} // namespace verandel::fuzz
