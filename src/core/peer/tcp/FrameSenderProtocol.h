#pragma once

#include "peer/wire/EventEnvelope.h"
#include "records/DiscoverableMac.h"

#include <QCoro/QCoroTask>

#include <memory>

namespace verandel {

// Delivers one envelope to one computer. The payload is already its JSON bytes
// (EventEnvelopeCodec::toRawEnvelope), which encodes to the same frame as the typed envelope.
class FrameSenderProtocol
{
public:
    virtual ~FrameSenderProtocol() = default;

    // True when the frame was written; false otherwise, the reason logged by the sender. Never throws.
    virtual QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) = 0;
};

using FrameSenderPtr = std::shared_ptr<FrameSenderProtocol>;

} // namespace verandel
