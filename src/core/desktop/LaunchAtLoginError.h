#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// Launch at login could not be turned on or off; the description names the file and the cause.
class LaunchAtLoginError final : public std::exception
{
public:
    explicit LaunchAtLoginError(QString description)
        : m_description(std::move(description))
        , m_what(m_description.toUtf8())
    { }

    const QString &errorDescription() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};

} // namespace verandel
