#pragma once

#include <QString>

#include <memory>

namespace verandel {

// Asks for a dispatch cycle; returns at once, the caller never waits for the cycle.
class MetricsDispatchRequesting
{
public:
    virtual ~MetricsDispatchRequesting() = default;
    virtual void requestDispatch(const QString &reason) = 0;
};

using MetricsDispatchRequesterPtr = std::shared_ptr<MetricsDispatchRequesting>;

} // namespace verandel
