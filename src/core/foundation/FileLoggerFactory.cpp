#include "foundation/FileLoggerFactory.h"

#include "foundation/FileLogger.h"
#include "foundation/FileSystemError.h"

namespace verandel {

FileLoggerFactory::FileLoggerFactory(QString fileURL)
    : m_writer(std::make_shared<FileLogWriter>(std::move(fileURL)))
{
    try {
        m_writer->createParentDirectory();
    } catch (const FileSystemError &) {
        // Every line tries again and reports its own failure.
    }
}

LoggerPtr FileLoggerFactory::createLogger(const QString &category, std::optional<LogLevel> minLevel)
{
    return std::make_shared<FileLogger>(category, m_writer, minLevel);
}

void FileLoggerFactory::waitForAllWrites()
{
    m_writer->waitForAllWrites();
}

} // namespace verandel
