#include "foundation/PosixFileManager.h"

#include "foundation/FileSystemError.h"
#include "foundation/PosixFile.h"

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

void createFile(const QString &path, const QByteArray &data, FileManagerProtocol::Flush flush)
{
    PosixFile file(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
    file.writeAll(data);
    if (flush == FileManagerProtocol::Flush::ToDisk) {
        file.sync();
    }
    file.close();
}

void syncDirectoryOf(const QString &path)
{
    PosixFile(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY).sync();
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
    return PosixFile(path, O_RDONLY).readAll(maxFileSize);
}

void PosixFileManager::writeNewFile(const QString &path, const QByteArray &data)
{
    createFile(path, data, Flush::ToDisk);
}

void PosixFileManager::copyFile(const QString &source, const QString &destination, Flush flush)
{
    createFile(destination, readFile(source), flush);
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
