#include "linking/PeerDirectoryService.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "linking/PeerInput.h"

namespace verandel {

PeerDirectoryService::PeerDirectoryService(DiscoveryProtocol &discovery, ConnectedMacStorageServicePtr storage,
                                           LoggerFactory &loggerFactory, TestCoordinatorPtr testCoordinator,
                                           QObject *parent)
    : LinkedPeerDirectoryProtocol(parent)
    , m_storage(std::move(storage))
    , m_logger(loggerFactory.createLogger(QStringLiteral("PeerDirectoryService")))
    , m_testCoordinator(std::move(testCoordinator))
{
    try {
        const QList<ConnectedMac> macs = m_storage->listConnectedMacs();
        for (const ConnectedMac &mac : macs) {
            m_connectedMacIds.insert(mac.id());
        }
        m_logger->info(QStringLiteral("Loaded %1 connected Mac IDs from storage").arg(macs.size()));
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to load connected Macs from storage: ") + describeError(error));
    }
    connect(&discovery, &DiscoveryProtocol::discoveredMacs, this, &PeerDirectoryService::handleDiscoveryUpdate);
    connect(&discovery, &DiscoveryProtocol::endpointDeleted, this, &PeerDirectoryService::handleEndpointDeleted);
}

std::optional<DiscoverableMac> PeerDirectoryService::discoverableMac(const QUuid &macId) const
{
    const auto it = m_discoveredPeers.constFind(macId);
    return it == m_discoveredPeers.constEnd() ? std::nullopt : std::optional<DiscoverableMac>(*it);
}

bool PeerDirectoryService::isEligible(const QUuid &macId) const
{
    return m_connectedMacIds.contains(macId) && m_discoveredPeers.contains(macId);
}

QList<QUuid> PeerDirectoryService::eligiblePeers() const
{
    QList<QUuid> peers;
    for (const QUuid &id : m_connectedMacIds) {
        if (m_discoveredPeers.contains(id)) {
            peers.append(id);
        }
    }
    return peers;
}

std::optional<PeerEndpoint> PeerDirectoryService::endpoint(const QUuid &macId) const
{
    if (!m_connectedMacIds.contains(macId)) {
        return std::nullopt;
    }
    const auto it = m_discoveredPeers.constFind(macId);
    return it == m_discoveredPeers.constEnd() ? std::nullopt : it->endpoint();
}

void PeerDirectoryService::updateConnectedMacs(const QList<ConnectedMac> &macs)
{
    QSet<QUuid> newIds;
    for (const ConnectedMac &mac : macs) {
        newIds.insert(mac.id());
    }
    const QSet<QUuid> oldIds = std::exchange(m_connectedMacIds, newIds);
    for (const QUuid &id : newIds) {
        if (!oldIds.contains(id) && isReachable(id)) {
            m_logger->info(QStringLiteral("Mac %1 became eligible (added to connected list)").arg(idText(id)));
            announceLater(id, true);
        }
    }
    for (const QUuid &id : oldIds) {
        if (!newIds.contains(id) && hasEndpoint(id)) {
            m_logger->info(QStringLiteral("Mac %1 became ineligible (removed from connected list)").arg(idText(id)));
            announceLater(id, false);
        }
    }
}

void PeerDirectoryService::handleDiscoveryUpdate(const DiscoverableMac &received)
{
    const DiscoverableMac mac = PeerInput::sanitized(received);
    m_logger->debug(QStringLiteral("handleDiscoveryUpdate: ") + PeerInput::describe(mac));
    const bool reachableBefore = isReachable(mac.id());
    m_discoveredPeers.insert(mac.id(), mac);
    const std::optional<PeerInput::DiscoveryOverflow> overflow
        = m_recentlySeen.seen(mac.id(), [this](const QUuid &macId) { return isLinked(macId); });
    if (overflow) {
        m_logger->debug(overflow->description());
        m_discoveredPeers.remove(overflow->macId);
    }
    const bool reachableAfter = isReachable(mac.id());
    if (reachableBefore != reachableAfter) {
        m_logger->info(QStringLiteral("Eligibility changed for Mac %1: %2")
                           .arg(idText(mac.id()), reachableAfter ? QStringLiteral("true") : QStringLiteral("false")));
        announceLater(mac.id(), reachableAfter);
    }
    signalLater(QStringLiteral("handleDiscoveryUpdateCompleted"));
}

void PeerDirectoryService::handleEndpointDeleted(const PeerEndpoint &endpoint)
{
    m_logger->debug(QStringLiteral("handleEndpointDeleted: ") + endpoint.description());
    const auto match = std::find_if(m_discoveredPeers.cbegin(), m_discoveredPeers.cend(),
                                    [&endpoint](const DiscoverableMac &mac) { return mac.endpoint() == endpoint; });
    if (match == m_discoveredPeers.cend()) {
        m_logger->warning(QStringLiteral("Endpoint deleted but no matching Mac found: ") + endpoint.description());
        signalLater(QStringLiteral("handleEndpointDeletedCompleted"));
        return;
    }
    const QUuid macId = match.key();
    const bool linked = m_connectedMacIds.contains(macId);
    m_discoveredPeers.remove(macId);
    m_recentlySeen.forget(macId);
    if (linked) {
        m_logger->info(QStringLiteral("Mac %1 became ineligible (endpoint deleted)").arg(idText(macId)));
        announceLater(macId, false);
    }
    signalLater(QStringLiteral("handleEndpointDeletedCompleted"));
}

bool PeerDirectoryService::isReachable(const QUuid &macId) const
{
    return m_connectedMacIds.contains(macId) && hasEndpoint(macId);
}

bool PeerDirectoryService::hasEndpoint(const QUuid &macId) const
{
    const auto it = m_discoveredPeers.constFind(macId);
    return it != m_discoveredPeers.constEnd() && it->endpoint().has_value();
}

void PeerDirectoryService::announceLater(const QUuid &macId, bool eligible)
{
    QMetaObject::invokeMethod(
        this,
        [this, macId, eligible] {
            Q_EMIT eligibilityUpdates(macId, eligible);
            if (m_testCoordinator) {
                m_testCoordinator->signal(QStringLiteral("eligibilityUpdateHandled"));
            }
        },
        Qt::QueuedConnection);
}

void PeerDirectoryService::signalLater(const QString &name)
{
    if (!m_testCoordinator) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, name] { m_testCoordinator->signal(name); }, Qt::QueuedConnection);
}

} // namespace verandel
