#include "linking/PeerInput.h"

#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "linking/LinkedPeerDirectoryProtocol.h"
#include "linking/SecurityCode.h"
#include "records/PeerNamePolicy.h"

namespace verandel::PeerInput {

DiscoverableMac sanitized(const DiscoverableMac &mac)
{
    return DiscoverableMac(mac.id(), sanitizedPeerName(mac.name()).value_or(QString()), mac.version(), mac.endpoint(),
                           mac.installationId(), sanitizedSecurityCode(mac.securityCode()), mac.discoveredAt());
}

std::optional<QString> sanitizedName(const std::optional<QString> &name)
{
    return name ? sanitizedPeerName(*name) : std::nullopt;
}

std::optional<QString> sanitizedSecurityCode(const std::optional<QString> &code)
{
    if (!code || !SecurityCode::isWellFormed(*code)) {
        return std::nullopt;
    }
    return code;
}

QString describe(const DiscoverableMac &mac)
{
    return QStringLiteral("DiscoverableMac(id: %1, name: \"%2\", version: %3, endpoint: %4, securityCode: %5)")
        .arg(json::uuidToString(mac.id()), escapeControlCharacters(mac.name()), escapeControlCharacters(mac.version()),
             mac.endpoint() ? mac.endpoint()->description() : QStringLiteral("nil"),
             escapeControlCharacters(mac.securityCode().value_or(QStringLiteral("nil"))));
}

} // namespace verandel::PeerInput

namespace verandel::PeerInput {

QString DiscoveryOverflow::description() const
{
    return QStringLiteral("Dropping discovered Mac %1, the least recently seen of %2 discovered Macs that are not "
                          "linked")
        .arg(idText(macId), QString::number(unlinkedCount));
}

std::optional<DiscoveryOverflow> RecentlySeen::seen(const QUuid &macId,
                                                    const std::function<bool(const QUuid &macId)> &isLinked)
{
    m_lastSeen.insert(macId, ++m_updateCount);
    std::optional<QUuid> oldest;
    qsizetype unlinked = 0;
    for (auto it = m_lastSeen.cbegin(); it != m_lastSeen.cend(); ++it) {
        if (isLinked(it.key())) {
            continue;
        }
        ++unlinked;
        if (!oldest || it.value() < m_lastSeen.value(*oldest)) {
            oldest = it.key();
        }
    }
    if (unlinked <= LinkedPeerDirectoryProtocol::maxUnlinkedDiscovered) {
        return std::nullopt;
    }
    m_lastSeen.remove(*oldest);
    return DiscoveryOverflow{*oldest, unlinked};
}

} // namespace verandel::PeerInput
