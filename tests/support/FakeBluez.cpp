#include "support/FakeBluez.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace verandel::test {

namespace {
const QString bluez = QStringLiteral("org.bluez");
const QString mockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString bluezMockInterface = QStringLiteral("org.bluez.Mock");
} // namespace

FakeBluez::FakeBluez() = default;

FakeBluez::~FakeBluez()
{
    stopBluez();
}

bool FakeBluez::start()
{
    return m_bus.start() && startBluez();
}

bool FakeBluez::startBluez()
{
    // Debian's python: another python3 first on PATH may lack the dbusmock module.
    m_mock = std::make_unique<HelperProcess>(QStringLiteral("/usr/bin/python3"),
                                             QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                                         QStringLiteral("--system"), QStringLiteral("--template"),
                                                         QStringLiteral("bluez5")},
                                             m_bus.environment());
    if (!m_mock->start()) {
        return false;
    }
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (connection().interface()->isServiceRegistered(bluez)) {
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

void FakeBluez::stopBluez()
{
    if (!m_mock) {
        return;
    }
    m_mock->stop();
    m_mock.reset();
    // The bus drops the name only once it has noticed the closed connection; until then calls
    // still go to the dead process instead of failing as "no such service".
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && connection().interface()->isServiceRegistered(bluez)) {
        QThread::msleep(5);
    }
}

QDBusMessage FakeBluez::call(const QString &path, const QString &interface, const QString &method,
                             const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(bluez, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = connection().call(message, QDBus::Block, 10000);
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage)
        << method.toStdString() << " on " << path.toStdString() << ": " << reply.errorMessage().toStdString();
    return reply;
}

QString FakeBluez::addAdapter(const QString &name, const QString &alias)
{
    const QDBusMessage reply
        = call(QStringLiteral("/"), bluezMockInterface, QStringLiteral("AddAdapter"), {name, alias});
    return reply.arguments().value(0).toString();
}

QString FakeBluez::addDevice(const QString &adapter, const QString &address, const QString &name)
{
    const QDBusMessage reply
        = call(QStringLiteral("/"), bluezMockInterface, QStringLiteral("AddDevice"), {adapter, address, name});
    return reply.arguments().value(0).toString();
}

void FakeBluez::updateProperties(const QString &path, const QString &interface, const QVariantMap &properties)
{
    call(path, mockInterface, QStringLiteral("UpdateProperties"), {interface, QVariant::fromValue(properties)});
}

void FakeBluez::updateDevice(const QString &path, const QVariantMap &properties)
{
    updateProperties(path, QStringLiteral("org.bluez.Device1"), properties);
}

QVariant FakeBluez::property(const QString &path, const QString &interface, const QString &name)
{
    const QDBusMessage reply
        = call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void FakeBluez::addMethod(const QString &path, const QString &interface, const QString &name,
                          const QString &inSignature, const QString &outSignature, const QString &code)
{
    call(path, mockInterface, QStringLiteral("AddMethod"), {interface, name, inSignature, outSignature, code});
}

void FakeBluez::failMethod(const QString &path, const QString &interface, const QString &name,
                           const QString &inSignature, const QString &errorName, const QString &errorMessage)
{
    addMethod(path, interface, name, inSignature, QString(),
              QStringLiteral("raise dbus.exceptions.DBusException('%1', name='%2')").arg(errorMessage, errorName));
}

QStringList FakeBluez::calledMethods(const QString &path)
{
    const QDBusMessage reply = call(path, mockInterface, QStringLiteral("GetCalls"), {});
    QStringList names;
    const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        quint64 timestamp = 0;
        QString method;
        QVariantList arguments;
        calls.beginStructure();
        calls >> timestamp >> method >> arguments;
        calls.endStructure();
        names.append(method);
    }
    calls.endArray();
    return names;
}

bool FakeBluez::objectExists(const QString &path)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        bluez, path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QDBusMessage reply = connection().call(message, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage
        && reply.arguments().value(0).toString().contains(QStringLiteral("org.bluez.Device1"));
}

QString FakeBluez::devicePath(const QString &adapter, const QString &address)
{
    return QStringLiteral("/org/bluez/") + adapter + QStringLiteral("/dev_")
        + QString(address).replace(QLatin1Char(':'), QLatin1Char('_')).toUpper();
}

} // namespace verandel::test
