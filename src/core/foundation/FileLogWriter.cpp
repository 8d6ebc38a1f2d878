#include "foundation/FileLogWriter.h"

#include "foundation/FileSystemError.h"
#include "foundation/PosixFile.h"
#include "foundation/PosixFileManager.h"

#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>

namespace verandel {

FileLogWriter::FileLogWriter(QString filePath)
    : m_filePath(std::move(filePath))
{ }

void FileLogWriter::createParentDirectory() const
{
    const QString directory = QFileInfo(m_filePath).absolutePath();
    if (!QFileInfo(directory).isDir()) {
        PosixFileManager().createDirectory(directory);
    }
}

void FileLogWriter::append(const QByteArray &line)
{
    const std::lock_guard guard(m_mutex);
    try {
        createParentDirectory();
        PosixFile(m_filePath, O_WRONLY | O_CREAT | O_APPEND, 0600).writeAll(line);
    } catch (const FileSystemError &error) {
        const QByteArray report
            = (QStringLiteral("Failed to write to log file: ") + error.description()).toUtf8() + '\n';
        std::fwrite(report.constData(), 1, static_cast<size_t>(report.size()), stdout);
    }
}

void FileLogWriter::waitForAllWrites()
{
    const std::lock_guard guard(m_mutex);
}

} // namespace verandel
