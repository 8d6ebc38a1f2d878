#include "foundation/LogLevel.h"

#include "foundation/EnumText.h"

#include <syslog.h>

namespace verandel {

QString toString(LogLevel level)
{
    switch (level) {
    case LogLevel::Log: return QStringLiteral("log");
    case LogLevel::Info: return QStringLiteral("info");
    case LogLevel::Debug: return QStringLiteral("debug");
    case LogLevel::Notice: return QStringLiteral("notice");
    case LogLevel::Warning: return QStringLiteral("warning");
    case LogLevel::Error: return QStringLiteral("error");
    case LogLevel::Critical: return QStringLiteral("critical");
    }
    return {};
}

std::optional<LogLevel> logLevelFromString(QStringView text)
{
    return enumFromString(allLogLevels, text);
}

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
