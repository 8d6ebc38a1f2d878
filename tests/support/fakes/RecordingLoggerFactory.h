#pragma once

#include "foundation/LoggerFactory.h"

#include <QList>
#include <QStringList>

#include <memory>
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

    explicit RecordingLoggerFactory(Keeping keeping = Keeping::Lines);

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

    // Loggers share the lines with the factory: an object a test leaves behind (a watcher firing while
    // the test program drains its loop) may still log after the factory is gone.
    struct Lines
    {
        Keeping keeping;
        mutable std::mutex mutex;
        QList<LogRecord> records;
        void append(LogRecord record);
    };

private:
    std::shared_ptr<Lines> m_lines;
};

} // namespace verandel::test
