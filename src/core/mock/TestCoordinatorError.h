#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

class TestCoordinatorError final : public std::exception
{
public:
    enum class Kind { SignalNotReceived, WaitTimedOut };

    static TestCoordinatorError signalNotReceived(const QString &name) { return {Kind::SignalNotReceived, name, 0}; }
    static TestCoordinatorError waitTimedOut(const QString &name, double timeoutSeconds)
    {
        return {Kind::WaitTimedOut, name, timeoutSeconds};
    }

    Kind kind() const { return m_kind; }
    const QString &signalName() const { return m_name; }
    double timeoutSeconds() const { return m_timeout; }

    QString description() const;
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const TestCoordinatorError &other) const
    {
        return m_kind == other.m_kind && m_name == other.m_name && m_timeout == other.m_timeout;
    }

private:
    TestCoordinatorError(Kind kind, QString name, double timeout);

    Kind m_kind;
    QString m_name;
    double m_timeout;
    QByteArray m_what;
};

} // namespace verandel
