#include "avahi/AvahiDBus.h"

#include <QByteArrayList>
#include <QCoro/QCoroDBusPendingCall>
#include <QDBusMetaType>
#include <QDBusPendingCall>

namespace verandel::avahi {

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<QList<QByteArray>>();
        return true;
    }();
    Q_UNUSED(registered);
}

QCoro::Task<QDBusMessage> call(QDBusConnection bus, QString path, QString interface, QString method,
                               QVariantList arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    // The awaiter keeps a reference to the pending call: it must live in this frame.
    const QDBusPendingCall pending = bus.asyncCall(message, kCallTimeoutMs);
    co_return co_await pending;
}

void sendFree(const QDBusConnection &bus, const QString &path, const QString &interface)
{
    if (!path.isEmpty()) {
        bus.send(QDBusMessage::createMethodCall(kService, path, interface, QStringLiteral("Free")));
    }
}

QString errorText(const QDBusMessage &reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return reply.errorMessage().isEmpty() ? reply.errorName()
                                              : reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
    }
    return QStringLiteral("unexpected reply from avahi-daemon");
}

} // namespace verandel::avahi
