#include "mock/MockFileIO.h"

#include "foundation/FileSystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace verandel::MockFileIO {

namespace {

class Descriptor
{
public:
    Descriptor(const QString &path, int flags)
        : m_path(path)
        , m_fd(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0644))
    {
        if (m_fd < 0) {
            throw FileSystemError::fromErrno(errno, path);
        }
    }
    ~Descriptor() { ::close(m_fd); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    void writeAll(const QByteArray &data)
    {
        qsizetype written = 0;
        while (written < data.size()) {
            const ssize_t result = ::write(m_fd, data.constData() + written, size_t(data.size() - written));
            if (result < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw FileSystemError::fromErrno(errno, m_path);
            }
            written += result;
        }
    }

    QByteArray readAll()
    {
        QByteArray data;
        char buffer[16384];
        for (;;) {
            const ssize_t result = ::read(m_fd, buffer, sizeof buffer);
            if (result < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw FileSystemError::fromErrno(errno, m_path);
            }
            if (result == 0) {
                return data;
            }
            data.append(buffer, result);
        }
    }

private:
    QString m_path;
    int m_fd;
};

void createParentDirectory(const QString &path)
{
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        throw FileSystemError(EACCES, QStringLiteral("Could not create the directory: ") + directory);
    }
}

} // namespace

QByteArray readFile(const QString &path)
{
    Descriptor file(path, O_RDONLY);
    return file.readAll();
}

void writeInPlace(const QString &path, const QByteArray &data)
{
    createParentDirectory(path);
    Descriptor file(path, O_WRONLY | O_CREAT | O_TRUNC);
    file.writeAll(data);
}

void append(const QString &path, const QByteArray &data)
{
    createParentDirectory(path);
    Descriptor file(path, O_WRONLY | O_CREAT | O_APPEND);
    file.writeAll(data);
}

} // namespace verandel::MockFileIO
