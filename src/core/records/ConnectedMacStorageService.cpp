#include "records/ConnectedMacStorageService.h"

#include "foundation/JsonFields.h"
#include "records/StorageCalls.h"

namespace verandel {

namespace {

auto hasId(const QUuid &id)
{
    return [id](const ConnectedMac &mac) { return mac.id() == id; };
}

} // namespace

ConnectedMacStorageService::ConnectedMacStorageService(StorageManagerPtr storageManager, LoggerFactory &loggerFactory,
                                                       ClockPtr clock)
    : m_storageManager(std::move(storageManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("ConnectedMacStorageService")))
    , m_clock(std::move(clock))
{
    try {
        m_storageManager->ensureStorageDirectory();
    } catch (const std::exception &error) {
        m_logger->error(
            QStringLiteral("Failed to ensure storage directory during ConnectedMacStorageService initialization: ")
            + describeError(error));
    }
}

QList<ConnectedMac> ConnectedMacStorageService::loadConnectedMacs()
{
    return asStorageError([this] {
        const QString path = m_storageManager->connectedMacsStorageURL();
        if (!m_storageManager->fileExists(path)) {
            m_logger->debug(QStringLiteral("Connected Macs file doesn't exist, returning empty array"));
            return QList<ConnectedMac>{};
        }
        return m_storageManager->readJSONSync<QList<ConnectedMac>>(path);
    });
}

void ConnectedMacStorageService::saveConnectedMacs(const QList<ConnectedMac> &macs)
{
    asStorageError([&] { m_storageManager->writeJSONSync(macs, m_storageManager->connectedMacsStorageURL()); });
}

ConnectedMac ConnectedMacStorageService::addConnectedMac(const ConnectedMacInput &input)
{
    std::lock_guard guard(m_mutex);
    m_logger->info(QStringLiteral("Adding new connected Mac: ") + input.name);
    const ConnectedMac mac = input.toConnectedMac(m_clock->now());
    const QString id = json::uuidToString(mac.id());
    try {
        QList<ConnectedMac> macs = loadConnectedMacs();
        if (std::any_of(macs.cbegin(), macs.cend(), hasId(mac.id()))) {
            const QString message = QStringLiteral("Connected Mac with ID %1 already exists").arg(id);
            m_logger->error(message);
            throw StorageError::invalidData(message);
        }
        macs.append(mac);
        saveConnectedMacs(macs);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to add connected Mac: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully added connected Mac with ID: ") + id);
    return mac;
}

void ConnectedMacStorageService::updateConnectedMac(const ConnectedMac &mac)
{
    std::lock_guard guard(m_mutex);
    const QString id = json::uuidToString(mac.id());
    m_logger->info(QStringLiteral("Updating connected Mac: %1 (ID: %2)").arg(mac.name(), id));
    try {
        QList<ConnectedMac> macs = loadConnectedMacs();
        const auto stored = std::find_if(macs.begin(), macs.end(), hasId(mac.id()));
        if (stored == macs.end()) {
            m_logger->error(QStringLiteral("Connected Mac not found for update: ") + id);
            throw StorageError::fileNotFound(QStringLiteral("Connected Mac with ID %1 not found").arg(id));
        }
        *stored = mac.withUpdatedTimestamp(m_clock->now());
        saveConnectedMacs(macs);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to update connected Mac: ") + error.errorDescription());
        throw;
    }
    m_logger->info(QStringLiteral("Successfully updated connected Mac: ") + id);
}

void ConnectedMacStorageService::deleteConnectedMac(const QUuid &id)
{
    std::lock_guard guard(m_mutex);
    const QString idText = json::uuidToString(id);
    m_logger->info(QStringLiteral("Deleting connected Mac with ID: ") + idText);
    try {
        QList<ConnectedMac> macs = loadConnectedMacs();
        const auto found = std::find_if(macs.cbegin(), macs.cend(), hasId(id));
        if (found == macs.cend()) {
            m_logger->info(QStringLiteral("Connected Mac not found for deletion: ") + idText);
            return;
        }
        const QString name = found->name();
        macs.erase(found);
        saveConnectedMacs(macs);
        m_logger->info(QStringLiteral("Successfully deleted connected Mac: %1 (ID: %2)").arg(name, idText));
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to delete connected Mac: ") + error.errorDescription());
        throw;
    }
}

QList<ConnectedMac> ConnectedMacStorageService::listConnectedMacs()
{
    std::lock_guard guard(m_mutex);
    m_logger->debug(QStringLiteral("Listing all connected Macs"));
    QList<ConnectedMac> macs;
    try {
        macs = loadConnectedMacs();
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to list connected Macs: ") + error.errorDescription());
        throw;
    }
    m_logger->debug(QStringLiteral("Successfully loaded %1 connected Macs").arg(macs.size()));
    std::stable_sort(macs.begin(), macs.end());
    return macs;
}

std::optional<ConnectedMac> ConnectedMacStorageService::getConnectedMac(const QUuid &id)
{
    std::lock_guard guard(m_mutex);
    const QString idText = json::uuidToString(id);
    m_logger->debug(QStringLiteral("Getting connected Mac with ID: ") + idText);
    QList<ConnectedMac> macs;
    try {
        macs = loadConnectedMacs();
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Failed to get connected Mac: ") + error.errorDescription());
        throw;
    }
    const auto found = std::find_if(macs.cbegin(), macs.cend(), hasId(id));
    if (found == macs.cend()) {
        m_logger->debug(QStringLiteral("Connected Mac not found: ") + idText);
        return std::nullopt;
    }
    m_logger->debug(QStringLiteral("Found connected Mac: ") + found->name());
    return *found;
}

} // namespace verandel
