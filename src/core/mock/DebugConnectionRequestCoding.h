#pragma once

#include "linking/ConnectionRequest.h"

#include <QJsonValue>

namespace verandel {

// Link requests as the debug context file holds them: the keys and checks of the request's own JSON,
// except that the time stamp is a number of seconds since 2001-01-01 00:00:00 UTC (as envelopes carry
// their creation time), not ISO-8601 text. Time stamps keep millisecond precision.
struct DebugConnectionRequestCoding
{
    static QJsonValue encode(const ConnectionRequest &request);
    // Throws JsonDecodeError, also for a time stamp that is not a number or lies some 3000 years or
    // more from 2001.
    static ConnectionRequest decode(const QJsonValue &json);
};

} // namespace verandel
