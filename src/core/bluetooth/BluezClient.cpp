#include "bluetooth/BluezClient.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>

namespace verandel {

namespace {

QDBusError errorOf(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ErrorMessage ? QDBusError(reply) : QDBusError();
}

QVariantMap toVariantMap(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>()) {
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    }
    return value.toMap();
}

} // namespace

BluezClient::BluezClient(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    Bluez::registerTypes();
    m_bus.connect(Bluez::service, QString(), Bluez::propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QDBusMessage)));
    m_bus.connect(Bluez::service, Bluez::rootPath, Bluez::objectManagerInterface, QStringLiteral("InterfacesAdded"),
                  this, SLOT(onInterfacesAdded(QDBusMessage)));
    m_bus.connect(Bluez::service, Bluez::rootPath, Bluez::objectManagerInterface, QStringLiteral("InterfacesRemoved"),
                  this, SLOT(onInterfacesRemoved(QDBusMessage)));
    // Filtered on the name: without it the bus wakes us for every name that changes hands.
    m_bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                  QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), {Bluez::service},
                  QString(), this, SLOT(onNameOwnerChanged(QString, QString, QString)));
}

QCoro::Task<QDBusMessage> BluezClient::call(QString path, QString interface, QString method, QVariantList arguments,
                                            int timeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Bluez::service, path, interface, method);
    message.setArguments(arguments);
    const QDBusPendingCall pending = m_bus.asyncCall(message, timeoutMs);
    const QDBusMessage reply = co_await pending;
    co_return reply;
}

QCoro::Task<QDBusError> BluezClient::callVoid(QString path, QString interface, QString method, QVariantList arguments,
                                              int timeoutMs)
{
    const QDBusMessage reply = co_await call(path, interface, method, arguments, timeoutMs);
    co_return errorOf(reply);
}

QCoro::Task<BluezReply<Bluez::ManagedObjects>> BluezClient::getManagedObjects()
{
    const QVariantList arguments{};

    const QDBusMessage reply
        = co_await call(Bluez::rootPath, Bluez::objectManagerInterface, QStringLiteral("GetManagedObjects"), arguments);
    BluezReply<Bluez::ManagedObjects> result;
    result.error = errorOf(reply);
    if (result.ok() && !reply.arguments().isEmpty()) {
        result.value = qdbus_cast<Bluez::ManagedObjects>(reply.arguments().constFirst().value<QDBusArgument>());
    }
    co_return result;
}

QCoro::Task<BluezReply<QVariant>> BluezClient::getProperty(QString path, QString interface, QString name)
{
    const QVariantList arguments{interface, name};

    const QDBusMessage reply = co_await call(path, Bluez::propertiesInterface, QStringLiteral("Get"), arguments);
    BluezReply<QVariant> result;
    result.error = errorOf(reply);
    if (result.ok() && !reply.arguments().isEmpty()) {
        result.value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    }
    co_return result;
}

QCoro::Task<BluezReply<QVariantMap>> BluezClient::getProperties(QString path, QString interface)
{
    const QVariantList arguments{interface};

    const QDBusMessage reply = co_await call(path, Bluez::propertiesInterface, QStringLiteral("GetAll"), arguments);
    BluezReply<QVariantMap> result;
    result.error = errorOf(reply);
    if (result.ok() && !reply.arguments().isEmpty()) {
        result.value = toVariantMap(reply.arguments().constFirst());
    }
    co_return result;
}

QCoro::Task<QDBusError> BluezClient::setProperty(QString path, QString interface, QString name, QVariant value)
{
    const QVariantList arguments{interface, name, QVariant::fromValue(QDBusVariant(value))};

    const QDBusError error = co_await callVoid(path, Bluez::propertiesInterface, QStringLiteral("Set"), arguments);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::connectDevice(QString devicePath, int timeoutMs)
{
    const QVariantList arguments{};

    const QDBusError error
        = co_await callVoid(devicePath, Bluez::deviceInterface, QStringLiteral("Connect"), arguments, timeoutMs);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::pairDevice(QString devicePath, int timeoutMs)
{
    const QVariantList arguments{};

    const QDBusError error
        = co_await callVoid(devicePath, Bluez::deviceInterface, QStringLiteral("Pair"), arguments, timeoutMs);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::cancelPairing(QString devicePath)
{
    const QVariantList arguments{};

    const QDBusError error
        = co_await callVoid(devicePath, Bluez::deviceInterface, QStringLiteral("CancelPairing"), arguments);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::removeDevice(QString adapterPath, QString devicePath)
{
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(devicePath))};

    const QDBusError error
        = co_await callVoid(adapterPath, Bluez::adapterInterface, QStringLiteral("RemoveDevice"), arguments);
    co_return error;
}

QCoro::Task<BluezReply<QString>> BluezClient::connectDeviceByAddress(QString adapterPath, QString address)
{
    const QVariantMap parameters{{QStringLiteral("Address"), address}};
    const QVariantList arguments{QVariant::fromValue(parameters)};

    const QDBusMessage reply
        = co_await call(adapterPath, Bluez::adapterInterface, QStringLiteral("ConnectDevice"), arguments);
    BluezReply<QString> result;
    result.error = errorOf(reply);
    if (result.ok() && !reply.arguments().isEmpty()) {
        result.value = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    }
    co_return result;
}

QCoro::Task<QDBusError> BluezClient::setDiscoveryFilter(QString adapterPath, QVariantMap filter)
{
    const QVariantList arguments{QVariant::fromValue(filter)};

    const QDBusError error
        = co_await callVoid(adapterPath, Bluez::adapterInterface, QStringLiteral("SetDiscoveryFilter"), arguments);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::startDiscovery(QString adapterPath)
{
    const QVariantList arguments{};

    const QDBusError error
        = co_await callVoid(adapterPath, Bluez::adapterInterface, QStringLiteral("StartDiscovery"), arguments);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::stopDiscovery(QString adapterPath)
{
    const QVariantList arguments{};

    const QDBusError error
        = co_await callVoid(adapterPath, Bluez::adapterInterface, QStringLiteral("StopDiscovery"), arguments);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::registerAgent(QString agentPath, QString capability)
{
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(agentPath)), capability};

    const QDBusError error = co_await callVoid(Bluez::managerPath, Bluez::agentManagerInterface,
                                               QStringLiteral("RegisterAgent"), arguments);
    co_return error;
}

QCoro::Task<QDBusError> BluezClient::unregisterAgent(QString agentPath)
{
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(agentPath))};

    const QDBusError error = co_await callVoid(Bluez::managerPath, Bluez::agentManagerInterface,
                                               QStringLiteral("UnregisterAgent"), arguments);
    co_return error;
}

QCoro::Task<BluezReply<QString>> BluezClient::serviceOwner()
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    message << Bluez::service;
    const QDBusPendingCall pending = m_bus.asyncCall(message);
    const QDBusMessage reply = co_await pending;
    BluezReply<QString> result;
    result.error = errorOf(reply);
    if (result.ok() && !reply.arguments().isEmpty()) {
        result.value = reply.arguments().constFirst().toString();
    }
    co_return result;
}

void BluezClient::onPropertiesChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    Q_EMIT propertiesChanged(message.path(), arguments.at(0).toString(), toVariantMap(arguments.at(1)));
}

void BluezClient::onInterfacesAdded(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    const QString path = arguments.at(0).value<QDBusObjectPath>().path();
    const auto interfaces = qdbus_cast<Bluez::InterfaceMap>(arguments.at(1).value<QDBusArgument>());
    Q_EMIT interfacesAdded(path, interfaces);
}

void BluezClient::onInterfacesRemoved(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    Q_EMIT interfacesRemoved(arguments.at(0).value<QDBusObjectPath>().path(), arguments.at(1).toStringList());
}

void BluezClient::onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner)
{
    Q_UNUSED(oldOwner);
    if (name == Bluez::service) {
        Q_EMIT serviceOwnerChanged(newOwner);
    }
}

} // namespace verandel
