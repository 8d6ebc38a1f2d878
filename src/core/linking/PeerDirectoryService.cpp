#include "linking/PeerDirectoryService.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "linking/PeerInput.h"

namespace verandel {

namespace {

QString instanceText(const DiscoverableMac &claim)
{
    return claim.endpoint() ? claim.endpoint()->description() : QStringLiteral("a record without an endpoint");
}

qsizetype indexOfInstance(const QList<DiscoverableMac> &claims, const std::optional<PeerEndpoint> &instance)
{
    for (qsizetype index = 0; index < claims.size(); ++index) {
        if (claims.at(index).endpoint() == instance) {
            return index;
        }
    }
    return -1;
}

} // namespace

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
    const auto it = m_claims.constFind(macId);
    if (it == m_claims.constEnd() || (it->size() > 1 && isLinked(macId))) {
        return std::nullopt;
    }
    // Of a computer that is not linked, the latest word, as a single record would have been replaced.
    return it->constLast();
}

bool PeerDirectoryService::isEligible(const QUuid &macId) const
{
    return soleClaim(macId) != nullptr;
}

QList<QUuid> PeerDirectoryService::eligiblePeers() const
{
    QList<QUuid> peers;
    for (const QUuid &id : m_connectedMacIds) {
        if (soleClaim(id)) {
            peers.append(id);
        }
    }
    return peers;
}

std::optional<PeerEndpoint> PeerDirectoryService::endpoint(const QUuid &macId) const
{
    const DiscoverableMac *claim = soleClaim(macId);
    return claim ? claim->endpoint() : std::nullopt;
}

QSet<QUuid> PeerDirectoryService::identityConflicts() const
{
    QSet<QUuid> conflicts;
    for (const QUuid &id : m_connectedMacIds) {
        if (m_claims.value(id).size() > 1) {
            conflicts.insert(id);
        }
    }
    return conflicts;
}

const DiscoverableMac *PeerDirectoryService::soleClaim(const QUuid &macId) const
{
    if (!m_connectedMacIds.contains(macId)) {
        return nullptr;
    }
    const auto it = m_claims.constFind(macId);
    return it != m_claims.constEnd() && it->size() == 1 ? &it->constFirst() : nullptr;
}

void PeerDirectoryService::updateConnectedMacs(const QList<ConnectedMac> &macs)
{
    QSet<QUuid> newIds;
    for (const ConnectedMac &mac : macs) {
        newIds.insert(mac.id());
    }
    QHash<QUuid, Standing> before;
    for (const QUuid &id : newIds) {
        if (!m_connectedMacIds.contains(id)) {
            before.insert(id, standingOf(id));
        }
    }
    for (const QUuid &id : std::as_const(m_connectedMacIds)) {
        if (!newIds.contains(id)) {
            before.insert(id, standingOf(id));
        }
    }
    const QSet<QUuid> oldIds = std::exchange(m_connectedMacIds, newIds);
    for (const QUuid &id : newIds) {
        if (!oldIds.contains(id)) {
            settle(id, before.value(id), Cause::AddedToLinked);
        }
    }
    for (const QUuid &id : oldIds) {
        if (!newIds.contains(id)) {
            settle(id, before.value(id), Cause::RemovedFromLinked);
        }
    }
}

void PeerDirectoryService::handleDiscoveryUpdate(const DiscoverableMac &received)
{
    const DiscoverableMac mac = PeerInput::sanitized(received);
    const QUuid macId = mac.id();
    const std::optional<PeerEndpoint> &instance = mac.endpoint();
    m_logger->debug(QStringLiteral("handleDiscoveryUpdate: ") + PeerInput::describe(mac));
    // A record with another id withdraws the instance's claim on the id it advertised before.
    if (instance) {
        const auto previous = m_claimedBy.constFind(*instance);
        if (previous != m_claimedBy.constEnd() && *previous != macId) {
            const QUuid previousId = *previous;
            const Standing previousBefore = standingOf(previousId);
            dropClaim(previousId, instance);
            settle(previousId, previousBefore, Cause::Discovery);
        }
    }
    const Standing before = standingOf(macId);
    QList<DiscoverableMac> &claims = m_claims[macId];
    const qsizetype index = indexOfInstance(claims, instance);
    if (index >= 0) {
        claims.removeAt(index);
    } else if (claims.size() >= maxClaimsPerComputer) {
        m_logger->debug(QStringLiteral("Ignoring %1: Mac %2 is already claimed by %3 service instances")
                            .arg(instanceText(mac), idText(macId), QString::number(claims.size())));
        signalLater(QStringLiteral("handleDiscoveryUpdateCompleted"));
        return;
    }
    claims.append(mac);
    if (instance) {
        m_claimedBy.insert(*instance, macId);
    }
    const std::optional<PeerInput::DiscoveryOverflow> overflow
        = m_recentlySeen.seen(macId, [this](const QUuid &id) { return isLinked(id); });
    if (overflow) {
        m_logger->debug(overflow->description());
        forget(overflow->macId);
    }
    settle(macId, before, Cause::Discovery);
    signalLater(QStringLiteral("handleDiscoveryUpdateCompleted"));
}

void PeerDirectoryService::handleEndpointDeleted(const PeerEndpoint &endpoint)
{
    m_logger->debug(QStringLiteral("handleEndpointDeleted: ") + endpoint.description());
    const auto owner = m_claimedBy.constFind(endpoint);
    if (owner == m_claimedBy.constEnd()) {
        m_logger->warning(QStringLiteral("Endpoint deleted but no matching Mac found: ") + endpoint.description());
        signalLater(QStringLiteral("handleEndpointDeletedCompleted"));
        return;
    }
    const QUuid macId = *owner;
    const Standing before = standingOf(macId);
    dropClaim(macId, endpoint);
    settle(macId, before, Cause::EndpointDeleted);
    signalLater(QStringLiteral("handleEndpointDeletedCompleted"));
}

PeerDirectoryService::Standing PeerDirectoryService::standingOf(const QUuid &macId) const
{
    const DiscoverableMac *claim = soleClaim(macId);
    return Standing{claim != nullptr && claim->endpoint().has_value(),
                    isLinked(macId) && m_claims.value(macId).size() > 1};
}

void PeerDirectoryService::settle(const QUuid &macId, Standing before, Cause cause)
{
    const Standing after = standingOf(macId);
    const QString id = idText(macId);
    const QList<DiscoverableMac> claims = m_claims.value(macId);
    if (!before.conflict && after.conflict) {
        m_logger->warning(QStringLiteral("More than one computer claims to be Mac %1, at %2 and at %3: it is not "
                                         "eligible until only one of them is left")
                              .arg(id, instanceText(claims.at(0)), instanceText(claims.at(1))));
    } else if (before.conflict && !after.conflict && claims.size() == 1) {
        m_logger->info(
            QStringLiteral("Only one computer claims to be Mac %1 again, at %2").arg(id, instanceText(claims.first())));
    }
    if (before.reachable != after.reachable) {
        switch (cause) {
        case Cause::AddedToLinked:
            m_logger->info(QStringLiteral("Mac %1 became eligible (added to connected list)").arg(id));
            break;
        case Cause::RemovedFromLinked:
            m_logger->info(QStringLiteral("Mac %1 became ineligible (removed from connected list)").arg(id));
            break;
        case Cause::EndpointDeleted:
            if (!after.reachable) {
                m_logger->info(QStringLiteral("Mac %1 became ineligible (endpoint deleted)").arg(id));
                break;
            }
            [[fallthrough]];
        case Cause::Discovery:
            m_logger->info(QStringLiteral("Eligibility changed for Mac %1: %2")
                               .arg(id, after.reachable ? QStringLiteral("true") : QStringLiteral("false")));
            break;
        }
        announceLater(macId, after.reachable);
    }
    if (before.conflict != after.conflict) {
        announceConflictsLater();
    }
}

void PeerDirectoryService::dropClaim(const QUuid &macId, const std::optional<PeerEndpoint> &instance)
{
    const auto it = m_claims.find(macId);
    if (it != m_claims.end()) {
        it->removeIf([&instance](const DiscoverableMac &claim) { return claim.endpoint() == instance; });
        if (it->isEmpty()) {
            m_claims.erase(it);
            m_recentlySeen.forget(macId);
        }
    }
    if (instance && m_claimedBy.value(*instance) == macId) {
        m_claimedBy.remove(*instance);
    }
}

void PeerDirectoryService::forget(const QUuid &macId)
{
    for (const DiscoverableMac &claim : m_claims.take(macId)) {
        if (claim.endpoint()) {
            m_claimedBy.remove(*claim.endpoint());
        }
    }
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

void PeerDirectoryService::announceConflictsLater()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT identityConflictsChanged(); }, Qt::QueuedConnection);
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
