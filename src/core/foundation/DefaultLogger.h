#pragma once

#include "foundation/LoggerProtocol.h"
#include "foundation/SystemLogHandle.h"

#include <QDateTime>

#include <optional>

namespace verandel {

// Writes to the system journal and, when asked, echoes each line to standard output.
class DefaultLogger final : public LoggerProtocol
{
public:
    DefaultLogger(const QString &subsystem, const QString &category, bool enableStdout,
                  std::optional<LogLevel> minLevel);

    void write(LogLevel level, const QString &message) override;

    const QString &category() const { return m_category; }
    bool enableStdout() const { return m_enableStdout; }
    std::optional<LogLevel> minLevel() const { return m_minLevel; }

    // "[TAG] [yyyy-MM-dd HH:mm:ss.SSS] [category] message", in local time, without the newline.
    static QString stdoutLine(LogLevel level, const QString &category, const QString &message,
                              const QDateTime &localTime);
    static bool passes(LogLevel level, std::optional<LogLevel> minLevel) { return !minLevel || !(level < *minLevel); }
    bool isEnabled(LogLevel level) const override { return passes(level, m_minLevel); }

private:
    SystemLogHandle m_logger;
    QString m_category;
    bool m_enableStdout;
    std::optional<LogLevel> m_minLevel;
};

} // namespace verandel
