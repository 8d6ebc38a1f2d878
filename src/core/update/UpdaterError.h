#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// An error of the update flow as the user driver sees it: a domain, a code within it and the text
// shown to the user. The engine's own failures use updaterDomain; the refused background check
// comes from the controller holder's gate with its own domain.
class UpdaterError final : public std::exception
{
public:
    static inline const QString updaterDomain = QStringLiteral("Verandel.Updater");

    enum Code {
        notConfigured = 1,
        feedFailed = 2,
        feedInvalid = 3,
        downloadFailed = 4,
        signatureInvalid = 5,
        installFailed = 6,
        noUpdate = 7,
        // A build without an update feed: by design, not a fault (development and mock builds).
        noFeed = 8,
    };

    UpdaterError(QString domain, int code, QString localizedDescription)
        : m_domain(std::move(domain))
        , m_code(code)
        , m_localizedDescription(std::move(localizedDescription))
        , m_what(m_localizedDescription.toUtf8())
    { }
    UpdaterError(Code code, QString localizedDescription)
        : UpdaterError(updaterDomain, code, std::move(localizedDescription))
    { }

    // A failed install step, in the one wording the user sees for all of them.
    static UpdaterError installFailure(const QString &reason)
    {
        return UpdaterError(installFailed, QStringLiteral("The update could not be installed: %1").arg(reason));
    }

    const QString &domain() const { return m_domain; }
    int code() const { return m_code; }
    const QString &localizedDescription() const { return m_localizedDescription; }
    // For log lines: domain, code and text.
    QString description() const
    {
        return QStringLiteral("%1 %2: %3").arg(m_domain).arg(m_code).arg(m_localizedDescription);
    }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_domain;
    int m_code;
    QString m_localizedDescription;
    QByteArray m_what;
};

} // namespace verandel
