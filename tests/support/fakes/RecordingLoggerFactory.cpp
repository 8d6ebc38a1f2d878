#include "support/fakes/RecordingLoggerFactory.h"

#include "foundation/DefaultLogger.h"

namespace verandel::test {

namespace {

class RecordingLogger final : public LoggerProtocol
{
public:
    RecordingLogger(RecordingLoggerFactory &factory, QString category, std::optional<LogLevel> minLevel)
        : m_factory(factory)
        , m_category(std::move(category))
        , m_minLevel(minLevel)
    { }

    void write(LogLevel level, const QString &message) override
    {
        if (DefaultLogger::passes(level, m_minLevel)) {
            m_factory.append({m_category, level, message});
        }
    }

private:
    RecordingLoggerFactory &m_factory;
    QString m_category;
    std::optional<LogLevel> m_minLevel;
};

} // namespace

LoggerPtr RecordingLoggerFactory::createLogger(const QString &category, std::optional<LogLevel> minLevel)
{
    return std::make_shared<RecordingLogger>(*this, category, minLevel);
}

void RecordingLoggerFactory::append(LogRecord record)
{
    if (m_keeping == Keeping::Nothing) {
        return;
    }
    std::lock_guard guard(m_mutex);
    m_records.append(std::move(record));
}

QList<LogRecord> RecordingLoggerFactory::records() const
{
    std::lock_guard guard(m_mutex);
    return m_records;
}

QStringList RecordingLoggerFactory::messages(LogLevel level, const QString &category) const
{
    std::lock_guard guard(m_mutex);
    QStringList result;
    for (const LogRecord &record : m_records) {
        if (record.level == level && (category.isEmpty() || record.category == category)) {
            result.append(record.message);
        }
    }
    return result;
}

QStringList RecordingLoggerFactory::allMessages() const
{
    std::lock_guard guard(m_mutex);
    QStringList result;
    for (const LogRecord &record : m_records) {
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
    std::lock_guard guard(m_mutex);
    m_records.clear();
}

} // namespace verandel::test
