#pragma once

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

// Names and helpers of Avahi's D-Bus API (org.freedesktop.Avahi, Avahi 0.8).
namespace verandel::avahi {

inline const QString kService = QStringLiteral("org.freedesktop.Avahi");
inline const QString kServerPath = QStringLiteral("/");
inline const QString kServerInterface = QStringLiteral("org.freedesktop.Avahi.Server");
// The ...Prepare methods exist only on Server2.
inline const QString kServer2Interface = QStringLiteral("org.freedesktop.Avahi.Server2");
inline const QString kEntryGroupInterface = QStringLiteral("org.freedesktop.Avahi.EntryGroup");
inline const QString kServiceBrowserInterface = QStringLiteral("org.freedesktop.Avahi.ServiceBrowser");
inline const QString kServiceResolverInterface = QStringLiteral("org.freedesktop.Avahi.ServiceResolver");
inline const QString kCollisionError = QStringLiteral("org.freedesktop.Avahi.CollisionError");

inline constexpr int kInterfaceUnspecified = -1;
inline constexpr int kProtocolUnspecified = -1;
inline constexpr int kProtocolInet = 0;
inline constexpr int kProtocolInet6 = 1;

// Server.GetState / Server.StateChanged.
inline constexpr int kServerRunning = 2;
// EntryGroup.StateChanged.
inline constexpr int kGroupUncommitted = 0;
inline constexpr int kGroupRegistering = 1;
inline constexpr int kGroupEstablished = 2;
inline constexpr int kGroupCollision = 3;
inline constexpr int kGroupFailure = 4;

// Every call is bounded: a daemon that hangs must not hang us.
inline constexpr int kCallTimeoutMs = 5000;

// Registers the D-Bus types Avahi uses (TXT records are aay). Safe to call repeatedly.
void registerTypes();

// Calls a method of the daemon and waits for the reply or error message (never throws).
QCoro::Task<QDBusMessage> call(QDBusConnection bus, QString path, QString interface, QString method,
                               QVariantList arguments = {});

// Frees a browser, resolver or entry group of ours; an empty path frees nothing. No reply is
// awaited: the daemon also frees a client's objects when its connection closes.
void sendFree(const QDBusConnection &bus, const QString &path, const QString &interface);

// The error text of a failed call ("name: message").
QString errorText(const QDBusMessage &reply);

inline bool isError(const QDBusMessage &reply)
{
    return reply.type() != QDBusMessage::ReplyMessage;
}

} // namespace verandel::avahi
