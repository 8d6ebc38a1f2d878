#include "foundation/DefaultLoggerFactory.h"

#include "foundation/DefaultLogger.h"

namespace verandel {

DefaultLoggerFactory::DefaultLoggerFactory(const QString &subsystem, bool enableStdout,
                                           const QHash<QString, LogLevel> &categoryMinLevelMap,
                                           std::optional<LogLevel> defaultMinLevel)
    : m_subsystem(subsystem)
    , m_enableStdout(enableStdout)
    , m_categoryMinLevelMap(categoryMinLevelMap)
    , m_defaultMinLevel(defaultMinLevel)
{ }

LoggerPtr DefaultLoggerFactory::createLogger(const QString &category, std::optional<LogLevel> minLevel)
{
    std::optional<LogLevel> chosen = m_defaultMinLevel;
    if (const auto it = m_categoryMinLevelMap.constFind(category); it != m_categoryMinLevelMap.constEnd()) {
        chosen = it.value();
    } else if (minLevel) {
        chosen = minLevel;
    }
    return std::make_shared<DefaultLogger>(m_subsystem, category, m_enableStdout, chosen);
}

} // namespace verandel
