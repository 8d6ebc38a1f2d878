#include "foundation/PosixFileManager.h"

#include "foundation/FileSystemError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verandel {

namespace {

QByteArray encodedPath(const QString &path)
{
    return QFile::encodeName(path);
}

[[noreturn]] void throwErrno(const QString &path)
{
    throw FileSystemError::fromErrno(errno, path);
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    { }
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

void writeAll(int fd, const QByteArray &data, const QString &path)
{
    qsizetype offset = 0;
    while (offset < data.size()) {
        const ssize_t written = ::write(fd, data.constData() + offset, static_cast<size_t>(data.size() - offset));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(path);
        }
        offset += written;
    }
}

void syncAndClose(FileDescriptor &file, const QString &path)
{
    if (::fsync(file.get()) != 0) {
        throwErrno(path);
    }
    if (::close(file.release()) != 0) {
        throwErrno(path);
    }
}

void syncDirectoryOf(const QString &path)
{
    const QString directory = QFileInfo(path).absolutePath();
    FileDescriptor dir(::open(encodedPath(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) {
        throwErrno(directory);
    }
    if (::fsync(dir.get()) != 0) {
        throwErrno(directory);
    }
}

} // namespace

bool PosixFileManager::exists(const QString &path)
{
    struct stat info
    { };
    return ::lstat(encodedPath(path).constData(), &info) == 0;
}

void PosixFileManager::createDirectory(const QString &path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    for (const QString &part : parts) {
        current += QLatin1Char('/') + part;
        if (::mkdir(encodedPath(current).constData(), 0700) != 0 && errno != EEXIST) {
            throwErrno(current);
        }
    }
    struct stat info
    { };
    if (::stat(encodedPath(absolute).constData(), &info) != 0) {
        throwErrno(absolute);
    }
    if (!S_ISDIR(info.st_mode)) {
        throw FileSystemError::fromErrno(ENOTDIR, absolute);
    }
}

QByteArray PosixFileManager::readFile(const QString &path)
{
    FileDescriptor file(::open(encodedPath(path).constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        throwErrno(path);
    }
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(path);
        }
        if (count == 0) {
            break;
        }
        if (data.size() + count > maxFileSize) {
            throw FileSystemError::fromErrno(EFBIG, path);
        }
        data.append(buffer, count);
    }
    return data;
}

void PosixFileManager::writeNewFile(const QString &path, const QByteArray &data)
{
    FileDescriptor file(::open(encodedPath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        throwErrno(path);
    }
    writeAll(file.get(), data, path);
    syncAndClose(file, path);
}

void PosixFileManager::copyFile(const QString &source, const QString &destination)
{
    writeNewFile(destination, readFile(source));
}

void PosixFileManager::replaceFile(const QString &destination, const QString &source)
{
    if (::rename(encodedPath(source).constData(), encodedPath(destination).constData()) != 0) {
        throwErrno(destination);
    }
    syncDirectoryOf(destination);
}

void PosixFileManager::removeFile(const QString &path)
{
    if (::unlink(encodedPath(path).constData()) != 0) {
        throwErrno(path);
    }
}

QStringList PosixFileManager::listDirectory(const QString &path)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(encodedPath(path).constData()), ::closedir);
    if (!dir) {
        throwErrno(path);
    }
    QStringList names;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                throwErrno(path);
            }
            return names;
        }
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.append(QFile::decodeName(name));
        }
    }
}

} // namespace verandel
