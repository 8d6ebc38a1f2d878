#pragma once

#include "foundation/LoggerFactory.h"
#include "peer/tcp/FrameSenderProtocol.h"

#include <QList>

namespace verandel {

// Hands every envelope to its senders one after another and succeeds only when all do; the first
// failure ends the send (what earlier senders did stands).
class MultiplexFrameSender final : public FrameSenderProtocol
{
public:
    MultiplexFrameSender(QList<FrameSenderPtr> senders, const LoggerFactoryPtr &loggerFactory);

    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override;

private:
    QList<FrameSenderPtr> m_senders;
    LoggerPtr m_logger;
};

} // namespace verandel
