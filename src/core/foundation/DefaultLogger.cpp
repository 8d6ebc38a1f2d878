#include "foundation/DefaultLogger.h"

#include <cstdio>

namespace verandel {

DefaultLogger::DefaultLogger(const QString &subsystem, const QString &category, bool enableStdout,
                             std::optional<LogLevel> minLevel)
    : m_logger(subsystem, category)
    , m_category(category)
    , m_enableStdout(enableStdout)
    , m_minLevel(minLevel)
{ }

QString DefaultLogger::stdoutLine(LogLevel level, const QString &category, const QString &message,
                                  const QDateTime &localTime)
{
    return QLatin1Char('[') + toString(level).toUpper() + QStringLiteral("] [")
        + localTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("] [") + category
        + QStringLiteral("] ") + message;
}

void DefaultLogger::write(LogLevel level, const QString &message)
{
    if (!isEnabled(level)) {
        return;
    }
    m_logger.send(level, message);
    if (m_enableStdout) {
        // One fwrite per line: stdio holds the stream lock for the whole call, so lines never interleave.
        const QByteArray line
            = (stdoutLine(level, m_category, message, QDateTime::currentDateTime()) + QLatin1Char('\n')).toUtf8();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        // Redirected to a file or a pipe, stdout is block-buffered: a line must not wait for 4 KiB more.
        std::fflush(stdout);
    }
}

} // namespace verandel
