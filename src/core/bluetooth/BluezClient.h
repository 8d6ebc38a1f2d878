#pragma once

#include "bluetooth/BluezTypes.h"

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusError>
#include <QObject>
#include <QStringList>
#include <QVariant>

namespace verandel {

// The answer of one BlueZ call: a value, or the D-Bus error that came back instead.
template <typename T>
struct BluezReply
{
    T value{};
    QDBusError error;

    bool ok() const { return !error.isValid(); }
};

// The thin asynchronous layer over bluetoothd's D-Bus API. Knows names and signatures, nothing about
// what the program does with them; every call reports failure as a D-Bus error instead of throwing.
// Each client subscribes to bluetoothd's signals on construction, so one client per bus is made
// and shared by everything that talks to bluetoothd on it.
class BluezClient final : public QObject
{
    Q_OBJECT

public:
    // Default call time-out; pairing passes its own, much longer one.
    static constexpr int defaultTimeoutMs = 25000;

    explicit BluezClient(QDBusConnection bus, QObject *parent = nullptr);

    QDBusConnection connection() const { return m_bus; }

    QCoro::Task<BluezReply<Bluez::ManagedObjects>> getManagedObjects();
    QCoro::Task<BluezReply<QVariant>> getProperty(QString path, QString interface, QString name);
    QCoro::Task<BluezReply<QVariantMap>> getProperties(QString path, QString interface);
    QCoro::Task<QDBusError> setProperty(QString path, QString interface, QString name, QVariant value);

    QCoro::Task<QDBusError> connectDevice(QString devicePath, int timeoutMs = defaultTimeoutMs);
    QCoro::Task<QDBusError> pairDevice(QString devicePath, int timeoutMs);
    QCoro::Task<QDBusError> cancelPairing(QString devicePath);
    QCoro::Task<QDBusError> removeDevice(QString adapterPath, QString devicePath);
    // Adapter1.ConnectDevice: creates (and connects) a device bluetoothd does not know yet.
    QCoro::Task<BluezReply<QString>> connectDeviceByAddress(QString adapterPath, QString address);
    QCoro::Task<QDBusError> setDiscoveryFilter(QString adapterPath, QVariantMap filter);
    QCoro::Task<QDBusError> startDiscovery(QString adapterPath);
    QCoro::Task<QDBusError> stopDiscovery(QString adapterPath);

    QCoro::Task<QDBusError> registerAgent(QString agentPath, QString capability);
    QCoro::Task<QDBusError> unregisterAgent(QString agentPath);

    // The unique bus name that owns org.bluez now, or an error when nobody does.
    QCoro::Task<BluezReply<QString>> serviceOwner();

Q_SIGNALS:
    void propertiesChanged(const QString &path, const QString &interface, const QVariantMap &changed);
    void interfacesAdded(const QString &path, const verandel::Bluez::InterfaceMap &interfaces);
    void interfacesRemoved(const QString &path, const QStringList &interfaces);
    // bluetoothd appeared, went away or restarted; an empty owner means it is gone.
    void serviceOwnerChanged(const QString &newOwner);

private Q_SLOTS:
    void onPropertiesChanged(const QDBusMessage &message);
    void onInterfacesAdded(const QDBusMessage &message);
    void onInterfacesRemoved(const QDBusMessage &message);
    void onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    QCoro::Task<QDBusMessage> call(QString path, QString interface, QString method, QVariantList arguments,
                                   int timeoutMs = defaultTimeoutMs);
    QCoro::Task<QDBusError> callVoid(QString path, QString interface, QString method, QVariantList arguments,
                                     int timeoutMs = defaultTimeoutMs);

    QDBusConnection m_bus;
};

} // namespace verandel
