#include "bluetooth/AvahiProbeSession.h"

#include "avahi/AvahiDBus.h"
#include "bluetooth/AvahiLocalNetworkProbe.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QPointer>

namespace verandel {

AvahiProbeSession::AvahiProbeSession(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{ }

AvahiProbeSession::~AvahiProbeSession()
{
    freeBrowser();
}

void AvahiProbeSession::start(const QString &serviceType)
{
    QDBusMessage prepare = QDBusMessage::createMethodCall(avahi::kService, avahi::kServerPath, avahi::kServer2Interface,
                                                          QStringLiteral("ServiceBrowserPrepare"));
    // Any interface, any protocol, the default domain, no flags.
    prepare << qint32(avahi::kInterfaceUnspecified) << qint32(avahi::kProtocolUnspecified) << serviceType << QString()
            << quint32(0);
    // The watcher outlives the session: a browser the daemon makes after we are gone must still be freed.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(prepare));
    const QPointer<AvahiProbeSession> session(this);
    QDBusConnection bus = m_bus;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [session, bus](QDBusPendingCallWatcher *call) {
                         if (session) {
                             session->onPrepared(call);
                             return;
                         }
                         call->deleteLater();
                         const QDBusMessage reply = call->reply();
                         if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                             const QString path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
                             avahi::sendFree(bus, path, avahi::kServiceBrowserInterface);
                         }
                     });
}

void AvahiProbeSession::onPrepared(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusMessage reply = watcher->reply();
    if (m_status) {
        // Stopped meanwhile; the browser, if any, is still ours to free.
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            m_browserPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
            freeBrowser();
        }
        return;
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        onError(reply.errorName(), reply.errorMessage());
        return;
    }
    if (reply.arguments().isEmpty()) {
        return;
    }
    m_browserPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    for (const QString &name :
         {QStringLiteral("ItemNew"), QStringLiteral("AllForNow"), QStringLiteral("CacheExhausted")}) {
        m_bus.connect(avahi::kService, m_browserPath, avahi::kServiceBrowserInterface, name, this,
                      SLOT(onBrowserAnswer(QDBusMessage)));
    }
    m_bus.connect(avahi::kService, m_browserPath, avahi::kServiceBrowserInterface, QStringLiteral("Failure"), this,
                  SLOT(onBrowserFailure(QString)));
    const QDBusMessage startCall = QDBusMessage::createMethodCall(
        avahi::kService, m_browserPath, avahi::kServiceBrowserInterface, QStringLiteral("Start"));
    auto *startWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(startCall), this);
    connect(startWatcher, &QDBusPendingCallWatcher::finished, this, &AvahiProbeSession::onStarted);
}

void AvahiProbeSession::onStarted(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusMessage reply = watcher->reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        onError(reply.errorName(), reply.errorMessage());
    }
}

void AvahiProbeSession::onBrowserAnswer(const QDBusMessage &message)
{
    Q_UNUSED(message);
    decide(SystemPermissionStatus::Authorized);
}

void AvahiProbeSession::onBrowserFailure(const QString &error)
{
    onError(QString(), error);
}

void AvahiProbeSession::onError(const QString &name, const QString &message)
{
    if (const auto status = AvahiLocalNetworkProbe::statusForError(name, message)) {
        decide(*status);
    }
}

void AvahiProbeSession::stop()
{
    decide(SystemPermissionStatus::Unknown);
}

void AvahiProbeSession::decide(SystemPermissionStatus status)
{
    if (m_status) {
        return;
    }
    m_status = status;
    freeBrowser();
    Q_EMIT decided(status);
}

void AvahiProbeSession::freeBrowser()
{
    if (m_browserPath.isEmpty()) {
        return;
    }
    for (const QString &name :
         {QStringLiteral("ItemNew"), QStringLiteral("AllForNow"), QStringLiteral("CacheExhausted")}) {
        m_bus.disconnect(avahi::kService, m_browserPath, avahi::kServiceBrowserInterface, name, this,
                         SLOT(onBrowserAnswer(QDBusMessage)));
    }
    m_bus.disconnect(avahi::kService, m_browserPath, avahi::kServiceBrowserInterface, QStringLiteral("Failure"), this,
                     SLOT(onBrowserFailure(QString)));
    avahi::sendFree(m_bus, m_browserPath, avahi::kServiceBrowserInterface);
    m_browserPath.clear();
}

} // namespace verandel
