#pragma once

#include "peer/PeerDirectoryServiceProtocol.h"
#include "records/ConnectedMac.h"

#include <QObject>
#include <QSet>

namespace verandel {

// The peer directory as linking uses it: the network bridge's three reads, plus where a linked
// computer can be reached, the list of linked computers, which of them more than one computer claims
// to be, and an announcement whenever a linked computer becomes reachable or stops being so.
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
    // Service instances kept per computer id. One more than the first is an identity conflict already;
    // newcomers beyond the cap are ignored rather than pushing out a claim held longer, so a flood of
    // forged instances cannot evict the real computer's claim.
    static constexpr qsizetype maxClaimsPerComputer = 8;

    // Whether the computer is linked, discovered or not.
    virtual bool isLinked(const QUuid &macId) const = 0;

    // The endpoint of a linked computer's record; none when it is not linked, not discovered, or its
    // record has no endpoint.
    virtual std::optional<PeerEndpoint> endpoint(const QUuid &macId) const = 0;
    // Replaces the linked computers by the given ones at once; the announcements follow from the
    // event loop.
    virtual void updateConnectedMacs(const QList<ConnectedMac> &macs) = 0;

    // The linked computers that more than one service instance on the network claims to be. None of
    // them is eligible until one claim is left: nothing tells the real one from a copy of its record.
    virtual QSet<QUuid> identityConflicts() const = 0;

Q_SIGNALS:
    // A linked computer became reachable (true) or unreachable (false). No replay for late subscribers.
    void eligibilityUpdates(const QUuid &macId, bool eligible);
    // identityConflicts() changed; follows the eligibility announcements of the same change.
    void identityConflictsChanged();
};

using LinkedPeerDirectoryPtr = std::shared_ptr<LinkedPeerDirectoryProtocol>;

} // namespace verandel
