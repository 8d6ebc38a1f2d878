#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// The debug context file is missing.
class DebugContextError final : public std::exception
{
public:
    enum class Kind { FileNotFound };

    static DebugContextError fileNotFound(const QString &path) { return DebugContextError(Kind::FileNotFound, path); }

    Kind kind() const { return m_kind; }
    const QString &path() const { return m_path; }
    QString errorDescription() const;
    const char *what() const noexcept override { return m_what.constData(); }

private:
    DebugContextError(Kind kind, QString path);

    Kind m_kind;
    QString m_path;
    QByteArray m_what;
};

} // namespace verandel
