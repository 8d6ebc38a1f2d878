#pragma once

#include "foundation/LogLevel.h"

#include <QString>

#include <memory>

namespace verandel {

// A logger bound to one category. Implementations only provide write(); the seven level
// operations are the interface every caller uses.
class LoggerProtocol
{
public:
    virtual ~LoggerProtocol() = default;

    void log(const QString &message) { write(LogLevel::Log, message); }
    void info(const QString &message) { write(LogLevel::Info, message); }
    void debug(const QString &message) { write(LogLevel::Debug, message); }
    void notice(const QString &message) { write(LogLevel::Notice, message); }
    void warning(const QString &message) { write(LogLevel::Warning, message); }
    void error(const QString &message) { write(LogLevel::Error, message); }
    void critical(const QString &message) { write(LogLevel::Critical, message); }

    virtual void write(LogLevel level, const QString &message) = 0;
};

using LoggerPtr = std::shared_ptr<LoggerProtocol>;

} // namespace verandel
