#include "support/fakes/RecordingLoggerFactory.h"

#include "foundation/DefaultLogger.h"

namespace verandel::test {

namespace {

class RecordingLogger final : public LoggerProtocol
{
public:
    RecordingLogger(std::shared_ptr<RecordingLoggerFactory::Lines> lines, QString category,
                    std::optional<LogLevel> minLevel)
        : m_lines(std::move(lines))
        , m_category(std::move(category))
        , m_minLevel(minLevel)
    { }

    void write(LogLevel level, const QString &message) override
    {
        if (DefaultLogger::passes(level, m_minLevel)) {
            m_lines->append({m_category, level, message});
        }
    }

private:
    std::shared_ptr<RecordingLoggerFactory::Lines> m_lines;
    QString m_category;
    std::optional<LogLevel> m_minLevel;
};

} // namespace

RecordingLoggerFactory::RecordingLoggerFactory(Keeping keeping)
    : m_lines(std::make_shared<Lines>())
{
    m_lines->keeping = keeping;
}

LoggerPtr RecordingLoggerFactory::createLogger(const QString &category, std::optional<LogLevel> minLevel)
{
    return std::make_shared<RecordingLogger>(m_lines, category, minLevel);
}

void RecordingLoggerFactory::Lines::append(LogRecord record)
{
    if (keeping == Keeping::Nothing) {
        return;
    }
    std::lock_guard guard(mutex);
    records.append(std::move(record));
}

void RecordingLoggerFactory::append(LogRecord record)
{
    m_lines->append(std::move(record));
}

QList<LogRecord> RecordingLoggerFactory::records() const
{
    std::lock_guard guard(m_lines->mutex);
    return m_lines->records;
}

QStringList RecordingLoggerFactory::messages(LogLevel level, const QString &category) const
{
    std::lock_guard guard(m_lines->mutex);
    QStringList result;
    for (const LogRecord &record : m_lines->records) {
        if (record.level == level && (category.isEmpty() || record.category == category)) {
            result.append(record.message);
        }
    }
    return result;
}

QStringList RecordingLoggerFactory::allMessages() const
{
    std::lock_guard guard(m_lines->mutex);
    QStringList result;
    for (const LogRecord &record : m_lines->records) {
        result.append(record.message);
    }
    return result;
}

bool RecordingLoggerFactory::contains(LogLevel level, const QString &message) const
{
    return messages(level).contains(message);
}

bool RecordingLoggerFactory::containsSubstring(LogLevel level, const QString &part) const
{
    for (const QString &message : messages(level)) {
        if (message.contains(part)) {
            return true;
        }
    }
    return false;
}

void RecordingLoggerFactory::clear()
{
    std::lock_guard guard(m_lines->mutex);
    m_lines->records.clear();
}

} // namespace verandel::test
