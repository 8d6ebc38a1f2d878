#pragma once

#include "foundation/FileLogWriter.h"
#include "foundation/LoggerProtocol.h"

#include <QDateTime>

#include <memory>
#include <optional>

namespace verandel {

// A logger of FileLoggerFactory: appends one line per message to the factory's file.
class FileLogger final : public LoggerProtocol
{
public:
    FileLogger(QString category, std::shared_ptr<FileLogWriter> writer, std::optional<LogLevel> minLevel);

    void write(LogLevel level, const QString &message) override;
    bool isEnabled(LogLevel level) const override;

    const QString &category() const { return m_category; }
    std::optional<LogLevel> minLevel() const { return m_minLevel; }
    QString description() const { return QStringLiteral("[FileLogger: ") + m_category + QLatin1Char(']'); }

    // "yyyy-MM-dd HH:mm:ss.SSS [LEVEL] [category] message (:LINE function(_:))" and a newline.
    static QString formatLine(LogLevel level, const QString &category, const QString &message,
                              const QDateTime &localTime, int line);

private:
    QString m_category;
    std::shared_ptr<FileLogWriter> m_writer;
    std::optional<LogLevel> m_minLevel;
};

} // namespace verandel
