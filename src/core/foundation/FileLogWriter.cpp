#include "foundation/FileLogWriter.h"

#include "foundation/FileSystemError.h"
#include "foundation/PosixFileManager.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace verandel {

namespace {

void appendToFile(const QString &path, const QByteArray &data)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw FileSystemError::fromErrno(errno, path);
    }
    qsizetype offset = 0;
    while (offset < data.size()) {
        const ssize_t written = ::write(fd, data.constData() + offset, static_cast<size_t>(data.size() - offset));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            const int code = errno;
            ::close(fd);
            throw FileSystemError::fromErrno(code, path);
        }
        offset += written;
    }
    ::close(fd);
}

} // namespace

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
        appendToFile(m_filePath, line);
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
