#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// A document or value that does not have the expected shape, when read or when written.
class JsonDecodeError final : public std::exception
{
public:
    explicit JsonDecodeError(QString description)
        : m_description(std::move(description))
        , m_what(m_description.toUtf8())
    { }

    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};

// A value that cannot be written as a JSON document.
using JsonEncodeError = JsonDecodeError;

} // namespace verandel
