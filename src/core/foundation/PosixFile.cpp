#include "foundation/PosixFile.h"

#include "foundation/FileSystemError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace verandel {

PosixFile::PosixFile(const QString &path, int flags, mode_t mode)
    : m_path(path)
    , m_fd(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, mode))
{
    if (m_fd < 0) {
        throw FileSystemError::fromErrno(errno, m_path);
    }
}

PosixFile::~PosixFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void PosixFile::writeAll(const QByteArray &data)
{
    qsizetype offset = 0;
    while (offset < data.size()) {
        const ssize_t written = ::write(m_fd, data.constData() + offset, static_cast<size_t>(data.size() - offset));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileSystemError::fromErrno(errno, m_path);
        }
        offset += written;
    }
}

QByteArray PosixFile::readAll(qint64 maxSize)
{
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileSystemError::fromErrno(errno, m_path);
        }
        if (count == 0) {
            return data;
        }
        if (data.size() + count > maxSize) {
            throw FileSystemError::fromErrno(EFBIG, m_path);
        }
        data.append(buffer, count);
    }
}

void PosixFile::sync()
{
    if (::fsync(m_fd) != 0) {
        throw FileSystemError::fromErrno(errno, m_path);
    }
}

void PosixFile::close()
{
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        throw FileSystemError::fromErrno(errno, m_path);
    }
}

} // namespace verandel
