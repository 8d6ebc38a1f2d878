#pragma once

#include "support/HelperProcess.h"
#include "support/PrivateDBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace verandel::test {

// bluetoothd as python3-dbusmock's bluez5 template models it, on a private bus of its own. The
// template keeps object-manager bookkeeping only: tests set the properties that real BlueZ would
// change (Connected after Connect, for one) and replace methods to inject errors.
class FakeBluez
{
public:
    FakeBluez();
    ~FakeBluez();

    // Starts the bus and the mock and waits until org.bluez is owned.
    bool start();
    // Stops the mock (bluetoothd going away); the bus stays.
    void stopBluez();
    // Starts the mock again on the same bus, empty like a fresh template, and waits for its name.
    bool startBluez();

    QDBusConnection connection() const { return m_bus.connection(); }
    QString busAddress() const { return m_bus.address(); }

    // Returns the object path ("/org/bluez/hci0").
    QString addAdapter(const QString &name = QStringLiteral("hci0"),
                       const QString &alias = QStringLiteral("test-host"));
    // A device bluetoothd knows but has not paired; returns its object path.
    QString addDevice(const QString &adapter, const QString &address, const QString &name);
    // Stores the properties and emits PropertiesChanged, as BlueZ does when a device changes.
    void updateProperties(const QString &path, const QString &interface, const QVariantMap &properties);
    void updateDevice(const QString &path, const QVariantMap &properties);
    QVariant property(const QString &path, const QString &interface, const QString &name);
    // Replaces (or adds) a method; the Python code sees self, args and objects (see dbusmock).
    void addMethod(const QString &path, const QString &interface, const QString &name, const QString &inSignature,
                   const QString &outSignature, const QString &code);
    // Makes the method fail with the given BlueZ error.
    void failMethod(const QString &path, const QString &interface, const QString &name, const QString &inSignature,
                    const QString &errorName, const QString &errorMessage);
    // Names of the methods called on the object so far, in order.
    QStringList calledMethods(const QString &path);
    bool objectExists(const QString &path);

    static QString devicePath(const QString &adapter, const QString &address);

private:
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments);

    PrivateDBus m_bus;
    std::unique_ptr<HelperProcess> m_mock;
};

} // namespace verandel::test
