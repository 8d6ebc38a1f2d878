#include "foundation/LogLevel.h"

#include <syslog.h>

namespace verandel {

int journalPriority(LogLevel level)
{
    // The system-log types are default, info, debug, error and fault; "default" is the journal's notice.
    switch (level) {
    case LogLevel::Log:
    case LogLevel::Notice: return LOG_NOTICE;
    case LogLevel::Debug: return LOG_DEBUG;
    case LogLevel::Info: return LOG_INFO;
    case LogLevel::Warning:
    case LogLevel::Error: return LOG_ERR;
    case LogLevel::Critical: return LOG_CRIT;
    }
    return LOG_NOTICE;
}

} // namespace verandel
