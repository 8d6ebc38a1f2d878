#pragma once

#include "foundation/LoggerProtocol.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

namespace verandel {

class SingleInstanceAdaptor;

// One running program per user session (and per debug profile): the first launch owns a name on the
// session bus and exports one method, Reopen(s screen, s activationToken); a later launch calls it and
// exits. Any process of the user's session may call it, so the call is all it accepts: the screen must
// be empty or an open-screen word, and the token is a bounded printable text used only to bring a
// window forward.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    static inline const QString baseServiceName = QStringLiteral("com.verandel.Verandel");
    static inline const QString interfaceName = QStringLiteral("com.verandel.Verandel");
    static inline const QString objectPath = QStringLiteral("/com/verandel/Verandel");
    static inline const QString reopenMethod = QStringLiteral("Reopen");
    static constexpr int maxActivationTokenLength = 256;

    // Whether a screen text names an open screen.
    using ScreenValidator = std::function<bool(const QString &screen)>;

    enum class Claim {
        // This process owns the name and answers Reopen.
        Primary,
        // Another process owns it.
        Secondary,
        // No session bus: the program runs without the single-instance guard.
        NoBus,
    };

    // The base name, and in debug mode ".p_" with the profile's UTF-8 bytes in hex (no element of a
    // bus name may start with a digit), so that no two profiles and no profile and the installed
    // program share a name. A profile too long for a bus name is named by its SHA-256 (".h_").
    static QString serviceName(bool debugMode, const std::optional<QString> &debugProfileName);

    // Whether Reopen accepts these arguments.
    static bool isAcceptableToken(const QString &activationToken);

    // What a second launch prints once it has called the running instance (or failed to).
    static QString handOverLine(const std::optional<QString> &debugProfileName, bool answered);

    SingleInstance(QDBusConnection bus, QString serviceName, ScreenValidator isKnownScreen, LoggerPtr logger,
                   QObject *parent = nullptr);
    ~SingleInstance() override;

    // How long a relaunch waits for the bus to hand over the name of the process it replaced.
    static constexpr std::chrono::milliseconds handoverLimit{5000};

    // Exports the object, then asks for the name, so a second launch never finds the name without it.
    // `endedOwnerPid`, for a relaunch after an update: the process that held the name has ended, but
    // the bus may not have read its hang-up yet. The name is then asked for in the bus's queue and
    // taken when the bus lets go of the ended owner (within handoverLimit); a name held by any other
    // process is left to it, as for a second launch.
    Claim claim(std::optional<qint64> endedOwnerPid = std::nullopt);
    // How many other instances (other debug profiles, or the installed program) owned their names
    // when this one claimed its own: its windows then open offset, so they do not hide theirs.
    int otherInstanceCount() const { return m_otherInstances; }

    // The second launch's side; true when the first instance answered.
    static bool callReopen(QDBusConnection bus, const QString &serviceName, const QString &screen,
                           const QString &activationToken, int timeoutMs = 5000);

Q_SIGNALS:
    // An accepted Reopen: the screen is empty or an open-screen word.
    void reopenRequested(const QString &screen, const QString &activationToken);

private:
    friend class SingleInstanceAdaptor;
    // Waits in the queue behind the ended owner; true once this connection owns the name.
    bool waitForHandover(qint64 endedOwnerPid);
    // The error text when refused, none when accepted.
    std::optional<QString> accept(const QString &screen, const QString &activationToken);

    QDBusConnection m_bus;
    QString m_serviceName;
    ScreenValidator m_isKnownScreen;
    LoggerPtr m_logger;
    SingleInstanceAdaptor *m_adaptor;
    bool m_exported = false;
    bool m_ownsName = false;
    int m_otherInstances = 0;
};

} // namespace verandel
