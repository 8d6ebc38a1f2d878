#pragma once

#include <QByteArray>
#include <QString>

#include <limits>

#include <sys/types.h>

namespace verandel {

// One open file descriptor, closed when the object goes. Every failing call throws FileSystemError
// with the errno value and the path; interrupted reads and writes are retried.
class PosixFile
{
public:
    // O_CLOEXEC is added to the flags; the mode applies when O_CREAT makes the file.
    PosixFile(const QString &path, int flags, mode_t mode = 0);
    ~PosixFile();
    PosixFile(const PosixFile &) = delete;
    PosixFile &operator=(const PosixFile &) = delete;

    void writeAll(const QByteArray &data);
    // To the end of the file; a longer file than maxSize fails with EFBIG.
    QByteArray readAll(qint64 maxSize = std::numeric_limits<qint64>::max());
    // Flushes what was written (or the directory entries, for a directory) to disk.
    void sync();
    // Closes now and reports a failing close; the destructor closes without a report.
    void close();

private:
    QString m_path;
    int m_fd;
};

} // namespace verandel
