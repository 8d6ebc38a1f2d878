#pragma once

#include "foundation/FileLogWriter.h"
#include "foundation/LoggerFactory.h"

#include <memory>

namespace verandel {

// A LoggerFactory whose loggers append their lines to one text file instead of the system log.
// Lines are written on the calling thread, in call order, and never interleave.
class FileLoggerFactory final : public LoggerFactory
{
public:
    // Creates the file's parent directory when missing; a failure here is retried on each line.
    explicit FileLoggerFactory(QString fileURL);

    using LoggerFactory::createLogger;
    // Exactly the given minimum level: no per-category map, no default.
    LoggerPtr createLogger(const QString &category, std::optional<LogLevel> minLevel) override;

    void waitForAllWrites();
    const QString &fileURL() const { return m_writer->filePath(); }

private:
    std::shared_ptr<FileLogWriter> m_writer;
};

} // namespace verandel
