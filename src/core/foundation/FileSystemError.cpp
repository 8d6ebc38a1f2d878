#include "foundation/FileSystemError.h"

#include <cstring>

namespace verandel {

FileSystemError FileSystemError::fromErrno(int code, const QString &path)
{
    return FileSystemError(code, QString::fromLocal8Bit(std::strerror(code)) + QStringLiteral(": ") + path);
}

} // namespace verandel
