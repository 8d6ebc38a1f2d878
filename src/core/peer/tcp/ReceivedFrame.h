#pragma once

#include "peer/wire/EventEnvelope.h"

#include <QHostAddress>

namespace verandel {

// One frame as the listener hands it on: the envelope it decoded (its payload still the payload's own
// JSON bytes) and the address the connection came from. The envelope is decoded once, by the listener.
struct ReceivedFrame
{
    RawEventEnvelope envelope;
    QHostAddress sourceAddress;

    const QUuid &senderMacId() const { return envelope.senderMacId; }

    bool operator==(const ReceivedFrame &other) const
    {
        return envelope == other.envelope && sourceAddress == other.sourceAddress;
    }
};

} // namespace verandel
