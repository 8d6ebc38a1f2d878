#include "records/MacIdentifierService.h"

#include "foundation/JsonFields.h"
#include "records/PeerNamePolicy.h"

#include <QJsonObject>
#include <QSysInfo>

namespace verandel {

namespace {

const QString identityFileName = QStringLiteral("advertised-mac-identity.json");
const QString fallbackMachineIdFileName = QStringLiteral("fallback-machine-id.json");

QString newInstallationId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

struct FallbackMachineId
{
    QUuid id;

    QJsonValue toJson() const { return QJsonObject{{QStringLiteral("machineId"), json::uuidToString(id)}}; }
    static FallbackMachineId fromJson(const QJsonValue &json)
    {
        return {json::requireUuid(json::requireObject(json, QStringLiteral("fallback machine id")),
                                  QStringLiteral("machineId"))};
    }
};

// A missing file and one that does not decode (after the store's recovery from its backup) may be
// replaced; any other failure may be passing, and replacing the file would lose what it holds.
bool mayReplaceAfter(const StorageError &error)
{
    return error.kind() == StorageError::Kind::FileNotFound || error.kind() == StorageError::Kind::JsonDecodingFailed;
}

} // namespace

struct MacIdentifierService::LocalMacIdentityState
{
    std::optional<QString> advertisedName;
    QString installationId;

    QJsonValue toJson() const
    {
        QJsonObject object{{QStringLiteral("installationId"), installationId}};
        if (advertisedName) {
            object.insert(QStringLiteral("advertisedName"), *advertisedName);
        }
        return object;
    }
    static LocalMacIdentityState fromJson(const QJsonValue &json)
    {
        const QJsonObject object = json::requireObject(json, QStringLiteral("local identity"));
        return {json::optionalString(object, QStringLiteral("advertisedName")),
                json::requireString(object, QStringLiteral("installationId"))};
    }
};

struct MacIdentifierService::LoadedState
{
    std::optional<LocalMacIdentityState> state;
    bool mayWrite;
};

MacIdentifierService::MacIdentifierService(LoggerFactory &loggerFactory, StorageManagerPtr storageManager,
                                           ClockPtr clock, MachineId::Reader machineIdReader, QObject *parent)
    : MacIdentifierServiceProtocol(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("MacIdentifierService")))
    , m_storageManager(std::move(storageManager))
    , m_clock(std::move(clock))
{
    try {
        m_identityStorageURL = m_storageManager->getFileURL(identityFileName);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to resolve local identity storage URL: ") + error.errorDescription());
        qFatal("Failed to initialize local identity storage URL: %s", qUtf8Printable(error.errorDescription()));
    }

    m_currentMacId = retrieveSystemUUID(machineIdReader);

    const LoadedState loaded = loadIdentityState();
    m_mayWriteIdentityFile = loaded.mayWrite;
    m_installationId = newInstallationId();
    if (loaded.state) {
        m_advertisedName = loaded.state->advertisedName;
        if (json::uuidFromString(loaded.state->installationId)) {
            m_installationId = loaded.state->installationId.toLower();
        }
    }
    if (m_mayWriteIdentityFile) {
        persistIdentityState();
    }
}

QUuid MacIdentifierService::retrieveSystemUUID(const MachineId::Reader &reader)
{
    if (const std::optional<QUuid> machineId = reader()) {
        const QUuid id = MachineId::appSpecificId(*machineId);
        m_logger->info(QStringLiteral("Successfully retrieved Mac UUID: ") + json::uuidToString(id));
        return id;
    }
    // Every computer without a machine id would otherwise share one id.
    m_logger->error(QStringLiteral("Failed to read the machine id; using a random id kept in the storage directory"));
    return loadOrCreateFallbackMachineId();
}

QUuid MacIdentifierService::loadOrCreateFallbackMachineId()
{
    QString path;
    try {
        path = m_storageManager->getFileURL(fallbackMachineIdFileName);
        return m_storageManager->readJSONSync<FallbackMachineId>(path).id;
    } catch (const StorageError &error) {
        if (!mayReplaceAfter(error)) {
            m_logger->error(QStringLiteral("Failed to read the stored machine id, using a temporary one: ")
                            + error.errorDescription());
            return QUuid::createUuid();
        }
    }
    const FallbackMachineId created{QUuid::createUuid()};
    try {
        m_storageManager->writeJSONSync(created, path);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to store the machine id: ") + error.errorDescription());
    }
    return created.id;
}

MacIdentifierService::LoadedState MacIdentifierService::loadIdentityState()
{
    try {
        return {m_storageManager->readJSONSync<LocalMacIdentityState>(m_identityStorageURL), true};
    } catch (const StorageError &error) {
        if (error.kind() == StorageError::Kind::FileNotFound) {
            return {std::nullopt, true};
        }
        if (mayReplaceAfter(error)) {
            m_logger->warning(QStringLiteral("Failed to load local identity state from disk: ")
                              + error.errorDescription());
            return {std::nullopt, true};
        }
        m_logger->error(QStringLiteral("Failed to load local identity state from disk, leaving the file as it is "
                                       "and using a temporary installation id: ")
                        + error.errorDescription());
        return {std::nullopt, false};
    }
}

void MacIdentifierService::persistIdentityState()
{
    try {
        m_storageManager->writeJSONSync(LocalMacIdentityState{m_advertisedName, m_installationId},
                                        m_identityStorageURL);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to persist local identity state: ") + error.errorDescription());
    }
}

void MacIdentifierService::setAdvertisedName(const std::optional<QString> &name)
{
    m_advertisedName = normalizedAdvertisedName(name);
    Q_EMIT advertisedNameDidChange(m_advertisedName);
    if (m_mayWriteIdentityFile) {
        persistIdentityState();
    } else {
        m_logger->error(QStringLiteral("Advertised name not saved: the local identity file could not be read"));
    }
}

std::optional<QString> MacIdentifierService::normalizedAdvertisedName(const std::optional<QString> &name)
{
    if (!name) {
        return std::nullopt;
    }
    const QString capped = capToUtf8Bytes(name->trimmed(), maxAdvertisedNameBytes).trimmed();
    if (capped.isEmpty()) {
        return std::nullopt;
    }
    return capped;
}

DiscoverableMac MacIdentifierService::makeDiscoveredMac(const std::optional<QString> &securityCode) const
{
    return DiscoverableMac(
        m_currentMacId, m_advertisedName.value_or(capToUtf8Bytes(QSysInfo::machineHostName(), maxAdvertisedNameBytes)),
        QStringLiteral("1.0.0"), std::nullopt, m_installationId, securityCode, m_clock->now());
}

} // namespace verandel
