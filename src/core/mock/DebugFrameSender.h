#pragma once

#include "foundation/LoggerFactory.h"
#include "peer/tcp/FrameSenderProtocol.h"

namespace verandel {

// Mock mode's record of every envelope this computer sends: each is appended to the data file as one
// line of its wire JSON. A config file whose "failAll" is true makes every send fail instead (read
// once, at construction). Put first in a multiplexing sender, it stops the network send when it fails.
class DebugFrameSender final : public FrameSenderProtocol
{
public:
    DebugFrameSender(LoggerFactory &loggerFactory, QString dataFilePath, QString configFilePath);

    // True when the line was appended; the recipient is not used (the envelope names it).
    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override;

    bool failAll() const { return m_failAll; }

private:
    void loadConfig();
    bool append(const RawEventEnvelope &envelope, const QString &id);

    LoggerPtr m_logger;
    QString m_dataFilePath;
    QString m_configFilePath;
    bool m_failAll = false;
};

} // namespace verandel
