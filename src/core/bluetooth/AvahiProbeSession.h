#pragma once

#include "bluetooth/SystemPermissionStatus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <optional>

class QDBusPendingCallWatcher;

namespace verandel {

// One service browser of the Local Network probe, from ServiceBrowserPrepare to Free. Emits
// decided() exactly once: on the browser's first answer, on a refusal, or when stopped.
class AvahiProbeSession final : public QObject
{
    Q_OBJECT

public:
    explicit AvahiProbeSession(QDBusConnection bus, QObject *parent = nullptr);
    ~AvahiProbeSession() override;

    void start(const QString &serviceType);
    // Gives up: decides unknown unless already decided.
    void stop();
    std::optional<SystemPermissionStatus> status() const { return m_status; }

Q_SIGNALS:
    void decided(verandel::SystemPermissionStatus status);

private Q_SLOTS:
    void onBrowserAnswer(const QDBusMessage &message);
    void onBrowserFailure(const QString &error);

private:
    void onPrepared(QDBusPendingCallWatcher *watcher);
    void onStarted(QDBusPendingCallWatcher *watcher);
    void onError(const QString &name, const QString &message);
    void decide(SystemPermissionStatus status);
    void freeBrowser();

    QDBusConnection m_bus;
    QString m_browserPath;
    std::optional<SystemPermissionStatus> m_status;
};

} // namespace verandel
