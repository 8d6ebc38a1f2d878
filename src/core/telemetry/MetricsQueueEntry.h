#pragma once

#include "telemetry/MetricsEvent.h"

#include <QDateTime>
#include <QJsonValue>

namespace verandel {

// One event waiting to be sent, stamped with the clock when it was queued.
struct MetricsQueueEntry
{
    MetricsEvent event;
    QDateTime enqueuedAt;

    bool operator==(const MetricsQueueEntry &other) const = default;

    // "event" and "enqueuedAt" (whole seconds), both required.
    QJsonValue toJson() const;
    static MetricsQueueEntry fromJson(const QJsonValue &json);
};

} // namespace verandel
