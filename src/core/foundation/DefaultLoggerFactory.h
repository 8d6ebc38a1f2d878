#pragma once

#include "foundation/LoggerFactory.h"

#include <QHash>

namespace verandel {

class DefaultLoggerFactory final : public LoggerFactory
{
public:
    DefaultLoggerFactory(const QString &subsystem, bool enableStdout,
                         const QHash<QString, LogLevel> &categoryMinLevelMap = {},
                         std::optional<LogLevel> defaultMinLevel = std::nullopt);

    using LoggerFactory::createLogger;
    // The category's map entry wins over the argument, which wins over the factory default.
    LoggerPtr createLogger(const QString &category, std::optional<LogLevel> minLevel) override;

    const QString &subsystem() const { return m_subsystem; }
    bool enableStdout() const { return m_enableStdout; }
    const QHash<QString, LogLevel> &categoryMinLevelMap() const { return m_categoryMinLevelMap; }
    std::optional<LogLevel> defaultMinLevel() const { return m_defaultMinLevel; }

private:
    QString m_subsystem;
    bool m_enableStdout;
    QHash<QString, LogLevel> m_categoryMinLevelMap;
    std::optional<LogLevel> m_defaultMinLevel;
};

} // namespace verandel
