#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// Declared in the order the levels are listed; filtering uses severity(), where debug ranks below info.
enum class LogLevel { Log, Info, Debug, Notice, Warning, Error, Critical };

template <>
inline constexpr auto enumTexts<LogLevel> = std::to_array<EnumText<LogLevel>>({
    {LogLevel::Log, u"log"},
    {LogLevel::Info, u"info"},
    {LogLevel::Debug, u"debug"},
    {LogLevel::Notice, u"notice"},
    {LogLevel::Warning, u"warning"},
    {LogLevel::Error, u"error"},
    {LogLevel::Critical, u"critical"},
});

inline constexpr auto allLogLevels = enumValues<LogLevel>();

// Exact, case-sensitive match of the seven lower-case names.
inline std::optional<LogLevel> logLevelFromString(QStringView text)
{
    return enumFromString<LogLevel>(text);
}

constexpr int severity(LogLevel level)
{
    switch (level) {
    case LogLevel::Log: return 0;
    case LogLevel::Debug: return 1;
    case LogLevel::Info: return 2;
    case LogLevel::Notice: return 3;
    case LogLevel::Warning: return 4;
    case LogLevel::Error: return 5;
    case LogLevel::Critical: return 6;
    }
    return 0;
}

// These replace the built-in enumeration comparisons, which would follow declaration order.
constexpr bool operator<(LogLevel a, LogLevel b)
{
    return severity(a) < severity(b);
}
constexpr bool operator>(LogLevel a, LogLevel b)
{
    return b < a;
}
constexpr bool operator<=(LogLevel a, LogLevel b)
{
    return !(b < a);
}
constexpr bool operator>=(LogLevel a, LogLevel b)
{
    return !(a < b);
}

// The priority a level is sent to the system journal with (syslog numbering).
int journalPriority(LogLevel level);

} // namespace verandel
