#pragma once

#include "peer/tcp/FrameSenderProtocol.h"

#include <QList>

namespace verandel::test {

// Keeps every envelope it is given and answers `answer`.
class RecordingFrameSender final : public FrameSenderProtocol
{
public:
    struct Sent
    {
        RawEventEnvelope envelope;
        DiscoverableMac recipient;
    };
    QList<Sent> sent;
    bool answer = true;

    explicit RecordingFrameSender(bool answer = true)
        : answer(answer)
    { }

    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override
    {
        sent.append(Sent{envelope, recipient});
        const bool result = answer;
        co_return result;
    }
};

} // namespace verandel::test
