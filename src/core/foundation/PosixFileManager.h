#pragma once

#include "foundation/FileManagerProtocol.h"

namespace verandel {

class PosixFileManager final : public FileManagerProtocol
{
public:
    // Documents are small; anything larger than this is treated as unreadable rather than loaded.
    static constexpr qint64 maxFileSize = 64 * 1024 * 1024;

    bool exists(const QString &path) override;
    void createDirectory(const QString &path) override;
    QByteArray readFile(const QString &path) override;
    void writeNewFile(const QString &path, const QByteArray &data) override;
    void copyFile(const QString &source, const QString &destination, Flush flush) override;
    void replaceFile(const QString &destination, const QString &source) override;
    void removeFile(const QString &path) override;
    QStringList listDirectory(const QString &path) override;
};

} // namespace verandel
