#include "mock/MockFileIO.h"

#include "foundation/FileSystemError.h"
#include "foundation/PosixFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>

namespace verandel::MockFileIO {

namespace {

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
    return PosixFile(path, O_RDONLY).readAll();
}

void writeInPlace(const QString &path, const QByteArray &data)
{
    createParentDirectory(path);
    PosixFile(path, O_WRONLY | O_CREAT | O_TRUNC, 0644).writeAll(data);
}

void append(const QString &path, const QByteArray &data)
{
    createParentDirectory(path);
    PosixFile(path, O_WRONLY | O_CREAT | O_APPEND, 0644).writeAll(data);
}

} // namespace verandel::MockFileIO
