#pragma once

#include <QByteArray>
#include <QString>

namespace verandel::MockFileIO {

// Mock mode's own files are edited by hand while the program runs and watched for changes, so they
// are written in place (the watch stays on the same file) rather than through the storage manager.
// Every call throws FileSystemError.

QByteArray readFile(const QString &path);

// Creates missing parent directories, then replaces the file's content in one write call.
void writeInPlace(const QString &path, const QByteArray &data);

// Creates missing parent directories and the file, then appends in one write call, so lines of
// concurrent writers never interleave.
void append(const QString &path, const QByteArray &data);

} // namespace verandel::MockFileIO
