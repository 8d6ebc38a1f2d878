#include "foundation/FileLogger.h"

#include "foundation/DefaultLogger.h"

namespace verandel {

namespace {

QString operationName(LogLevel level)
{
    return toString(level) + QStringLiteral("(_:)");
}

} // namespace

FileLogger::FileLogger(QString category, std::shared_ptr<FileLogWriter> writer, std::optional<LogLevel> minLevel)
    : m_category(std::move(category))
    , m_writer(std::move(writer))
    , m_minLevel(minLevel)
{ }

QString FileLogger::formatLine(LogLevel level, const QString &category, const QString &message,
                               const QDateTime &localTime, int line)
{
    return localTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral(" [")
        + toString(level).toUpper() + QStringLiteral("] [") + category + QStringLiteral("] ") + message
        + QStringLiteral(" (:") + QString::number(line) + QLatin1Char(' ') + operationName(level)
        + QStringLiteral(")\n");
}

void FileLogger::write(LogLevel level, const QString &message)
{
    if (!isEnabled(level)) {
        return;
    }
    m_writer->append(formatLine(level, m_category, message, QDateTime::currentDateTime(), __LINE__).toUtf8());
}

bool FileLogger::isEnabled(LogLevel level) const
{
    return DefaultLogger::passes(level, m_minLevel);
}

} // namespace verandel
