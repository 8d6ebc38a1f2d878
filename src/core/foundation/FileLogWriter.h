#pragma once

#include <QByteArray>
#include <QString>

#include <mutex>

namespace verandel {

// Appends whole lines to one log file, one at a time, opening and closing the file for each line.
// The file is only ever opened for appending, so an existing log is never replaced. A line that
// cannot be written is reported on standard output and dropped.
class FileLogWriter
{
public:
    explicit FileLogWriter(QString filePath);

    void append(const QByteArray &line);
    // Returns once every line handed to append() so far, from any thread, is written.
    void waitForAllWrites();

    const QString &filePath() const { return m_filePath; }
    // Creates the file's parent directory (and missing ancestors); throws FileSystemError.
    void createParentDirectory() const;

private:
    QString m_filePath;
    std::mutex m_mutex;
};

} // namespace verandel
