#pragma once

#include <QObject>

namespace verandel {
class PeerCommunicationHub;
}

namespace verandel::fuzz {

// Counts every event a hub delivers and holds each to what the wire sanitizer promises before
// anything acts on peer input: addresses valid and already in the canonical form, transaction ids
// lower-case UUIDs, telemetry device ids UUIDs, names and codes free of control and bidi control
// characters, lists of at most 100 entries. A broken promise throws through require() from the
// delivery. The checks end with this object.
class DeliveredEventChecks
{
public:
    explicit DeliveredEventChecks(PeerCommunicationHub &hub);
    DeliveredEventChecks(const DeliveredEventChecks &) = delete;
    DeliveredEventChecks &operator=(const DeliveredEventChecks &) = delete;

    int count() const { return m_count; }
    void reset() { m_count = 0; }

private:
    QObject m_context;
    int m_count = 0;
};

} // namespace verandel::fuzz
