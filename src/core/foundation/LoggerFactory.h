#pragma once

#include "foundation/LoggerProtocol.h"

#include <optional>

namespace verandel {

class LoggerFactory
{
public:
    virtual ~LoggerFactory() = default;

    virtual LoggerPtr createLogger(const QString &category, std::optional<LogLevel> minLevel) = 0;
    LoggerPtr createLogger(const QString &category) { return createLogger(category, std::nullopt); }
};

using LoggerFactoryPtr = std::shared_ptr<LoggerFactory>;

} // namespace verandel
