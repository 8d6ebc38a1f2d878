#pragma once

#include "foundation/LogLevel.h"

#include <QString>

#include <memory>
#include <type_traits>
#include <utility>

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

    // False when a line at this level would be dropped. Lines on a busy path (one per connection or
    // frame) are made only when they will be kept: debug(make) builds its text only then.
    virtual bool isEnabled(LogLevel) const { return true; }
    template <typename MakeMessage>
    requires std::is_invocable_r_v<QString, MakeMessage>
    void debug(MakeMessage &&makeMessage)
    {
        if (isEnabled(LogLevel::Debug)) {
            write(LogLevel::Debug, std::forward<MakeMessage>(makeMessage)());
        }
    }
};

using LoggerPtr = std::shared_ptr<LoggerProtocol>;

} // namespace verandel
