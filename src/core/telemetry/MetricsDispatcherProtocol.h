#pragma once

#include <QCoro/QCoroTask>

#include <memory>

namespace verandel {

// One dispatch cycle. Never throws: failures are the dispatcher's own log lines.
class MetricsDispatcherProtocol
{
public:
    virtual ~MetricsDispatcherProtocol() = default;
    virtual QCoro::Task<> dispatchNextPendingEvent() = 0;
};

using MetricsDispatcherPtr = std::shared_ptr<MetricsDispatcherProtocol>;

} // namespace verandel
