#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace verandel {

// The file-system calls the file store makes. Every failing call throws FileSystemError with the
// errno value, so tests can inject permission, disk-full and rename failures (root ignores modes).
class FileManagerProtocol
{
public:
    virtual ~FileManagerProtocol() = default;

    // Anything (file, directory, other) exists at the path.
    virtual bool exists(const QString &path) = 0;
    // Creates the directory and its missing parents, each with mode 0700.
    virtual void createDirectory(const QString &path) = 0;
    virtual QByteArray readFile(const QString &path) = 0;
    // Whether a new file must be on disk before the call returns.
    enum class Flush { ToDisk, Later };

    // Creates a new file (mode 0600; fails when one exists), writes everything and flushes it to disk.
    virtual void writeNewFile(const QString &path, const QByteArray &data) = 0;
    // Copies a file to a new file (mode 0600), flushed to disk when asked.
    virtual void copyFile(const QString &source, const QString &destination, Flush flush) = 0;
    // Renames source over destination in one step and flushes the directory entry.
    virtual void replaceFile(const QString &destination, const QString &source) = 0;
    virtual void removeFile(const QString &path) = 0;
    // Names of the directory's entries, without "." and "..".
    virtual QStringList listDirectory(const QString &path) = 0;
};

using FileManagerPtr = std::shared_ptr<FileManagerProtocol>;

} // namespace verandel
