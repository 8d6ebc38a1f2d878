#include "peer/dnssd/TransportError.h"

#include "foundation/JsonFields.h"

namespace verandel {

QStringList TransportErrorCases::arguments(const Payload &payload)
{
    return {json::uuidToString(payload.macId), payload.detail};
}

} // namespace verandel
