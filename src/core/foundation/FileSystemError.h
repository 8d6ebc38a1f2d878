#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// A failed file-system call: the errno value decides how the file store classifies it.
class FileSystemError final : public std::exception
{
public:
    FileSystemError(int code, QString description)
        : m_code(code)
        , m_description(std::move(description))
        , m_what(m_description.toUtf8())
    { }

    // "<strerror>: <path>" for the given errno.
    static FileSystemError fromErrno(int code, const QString &path);

    int code() const { return m_code; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_code;
    QString m_description;
    QByteArray m_what;
};

} // namespace verandel
