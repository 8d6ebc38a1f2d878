#pragma once

#include "records/DiscoverableMac.h"

#include <QHash>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace verandel {

// Names and codes that other computers advertise or send, cleaned before linking stores, shows or logs
// them: names lose control characters and are capped like this computer's own advertised name; a
// code that is not six to eight symbols of the code alphabet counts as no code.
namespace PeerInput {

// The record with its name and code cleaned; a name with nothing left becomes empty.
DiscoverableMac sanitized(const DiscoverableMac &mac);
std::optional<QString> sanitizedName(const std::optional<QString> &name);
std::optional<QString> sanitizedSecurityCode(const std::optional<QString> &code);

// A record as debug lines show it.
QString describe(const DiscoverableMac &mac);

// The discovered computer to forget once more than the cap of computers that are not linked are held:
// the least recently seen of them (by when each was last seen, as a count of updates).
struct DiscoveryOverflow
{
    QUuid macId;
    qsizetype unlinkedCount = 0;

    // The debug line that tells of it.
    QString description() const;
};

// When each discovered computer was last seen, as a count of updates, for both lists of them.
class RecentlySeen
{
public:
    // Notes an update from the computer. Returns the one to forget, when there is one, and no longer
    // counts it here.
    std::optional<DiscoveryOverflow> seen(const QUuid &macId, const std::function<bool(const QUuid &macId)> &isLinked);
    void forget(const QUuid &macId) { m_lastSeen.remove(macId); }

private:
    QHash<QUuid, quint64> m_lastSeen;
    quint64 m_updateCount = 0;
};

} // namespace PeerInput

} // namespace verandel
