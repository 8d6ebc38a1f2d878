#pragma once

#include "foundation/LoggerFactory.h"

#include <QList>
#include <QStringList>

#include <mutex>

namespace verandel::test {

struct LogRecord
{
    QString category;
    LogLevel level;
    QString message;
};

// Keeps every line, from any thread, for assertions; applies the minimum level a logger was made with.
// Made with Keeping::Nothing it formats every line as usual and keeps none (a fuzz target runs millions).
class RecordingLoggerFactory final : public LoggerFactory
{
public:
    enum class Keeping { Lines, Nothing };

    explicit RecordingLoggerFactory(Keeping keeping = Keeping::Lines)
        : m_keeping(keeping)
    { }

    using LoggerFactory::createLogger;
    LoggerPtr createLogger(const QString &category, std::optional<LogLevel> minLevel) override;

    QList<LogRecord> records() const;
    // Messages at the level (optionally of one category), in order.
    QStringList messages(LogLevel level, const QString &category = {}) const;
    QStringList allMessages() const;
    bool contains(LogLevel level, const QString &message) const;
    bool containsSubstring(LogLevel level, const QString &part) const;
    void clear();

    void append(LogRecord record);

private:
    Keeping m_keeping;
    mutable std::mutex m_mutex;
    QList<LogRecord> m_records;
};

} // namespace verandel::test
