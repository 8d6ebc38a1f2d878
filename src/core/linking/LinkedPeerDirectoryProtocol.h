#pragma once

#include "peer/PeerDirectoryServiceProtocol.h"
#include "records/ConnectedMac.h"

#include <QObject>

namespace verandel {

// The peer directory as linking uses it: the network bridge's three reads, plus where a linked
// computer can be reached, the list of linked computers, and an announcement whenever a linked
// computer becomes reachable or stops being so.
class LinkedPeerDirectoryProtocol : public QObject, public PeerDirectoryServiceProtocol
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~LinkedPeerDirectoryProtocol() override = default;

    // Discovered computers that are not linked, kept at most here and in the discovery service's list:
    // records with fresh ids cost an attacker nothing. The least recently seen goes first; linked
    // computers are never dropped.
    static constexpr qsizetype maxUnlinkedDiscovered = 256;

    // Whether the computer is linked, discovered or not.
    virtual bool isLinked(const QUuid &macId) const = 0;

    // The endpoint of a linked computer's record; none when it is not linked, not discovered, or its
    // record has no endpoint.
    virtual std::optional<PeerEndpoint> endpoint(const QUuid &macId) const = 0;
    // Replaces the linked computers by the given ones at once; the announcements follow from the
    // event loop.
    virtual void updateConnectedMacs(const QList<ConnectedMac> &macs) = 0;

Q_SIGNALS:
    // A linked computer became reachable (true) or unreachable (false). No replay for late subscribers.
    void eligibilityUpdates(const QUuid &macId, bool eligible);
};

using LinkedPeerDirectoryPtr = std::shared_ptr<LinkedPeerDirectoryProtocol>;

} // namespace verandel
