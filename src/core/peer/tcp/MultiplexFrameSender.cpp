#include "peer/tcp/MultiplexFrameSender.h"

#include "foundation/JsonFields.h"

namespace verandel {

MultiplexFrameSender::MultiplexFrameSender(QList<FrameSenderPtr> senders, const LoggerFactoryPtr &loggerFactory)
    : m_senders(std::move(senders))
    , m_logger(loggerFactory->createLogger(QStringLiteral("MultiplexFrameSender")))
{ }

QCoro::Task<bool> MultiplexFrameSender::send(RawEventEnvelope envelope, DiscoverableMac recipient)
{
    // Copies: this sender may go away while a send is suspended.
    const QList<FrameSenderPtr> senders = m_senders;
    const LoggerPtr logger = m_logger;
    if (senders.isEmpty()) {
        logger->debug(QStringLiteral("MultiplexFrameSender.send() - no senders configured, returning false"));
        co_return false;
    }
    logger->debug(QStringLiteral("MultiplexFrameSender.send() - sending envelope %1 to %2 senders")
                      .arg(json::uuidToString(envelope.id), QString::number(senders.size())));
    for (qsizetype index = 0; index < senders.size(); ++index) {
        const bool sent = co_await senders.at(index)->send(envelope, recipient);
        if (!sent) {
            logger->warning(QStringLiteral("MultiplexFrameSender.send() - sender %1 failed, short-circuiting")
                                .arg(QString::number(index)));
            co_return false;
        }
        logger->debug(QStringLiteral("MultiplexFrameSender.send() - sender %1 succeeded").arg(QString::number(index)));
    }
    logger->debug(
        QStringLiteral("MultiplexFrameSender.send() - all %1 senders succeeded").arg(QString::number(senders.size())));
    co_return true;
}

} // namespace verandel
