#pragma once

#include "peer/dnssd/ServiceResolverProtocol.h"
#include "peer/dnssd/TransportError.h"

#include <QUuid>

namespace verandel::test {

// Resolves every service instance to `answer`; without one, the resolve fails as an unknown instance.
class FakeServiceResolver final : public ServiceResolverProtocol
{
public:
    std::optional<PeerEndpoint> answer;
    QUuid failingRecipient;
    int calls = 0;

    QCoro::Task<PeerEndpoint> resolve(PeerEndpoint, std::stop_token) override
    {
        ++calls;
        if (!answer) {
            throw TransportError::connectionFailed(failingRecipient, QStringLiteral("instance not found"));
        }
        const PeerEndpoint resolved = *answer;
        co_return resolved;
    }
};

} // namespace verandel::test
