#pragma once

#include "telemetry/MetricsDispatchRequesting.h"

#include <QStringList>

namespace verandel::test {

// Keeps the reason of every request, in order.
class RecordingMetricsDispatchRequester final : public MetricsDispatchRequesting
{
public:
    QStringList reasons;
    void requestDispatch(const QString &reason) override { reasons.append(reason); }
};

} // namespace verandel::test
