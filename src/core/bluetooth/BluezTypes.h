#pragma once

#include <QDBusObjectPath>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace verandel::Bluez {

inline const QString service = QStringLiteral("org.bluez");
inline const QString rootPath = QStringLiteral("/");
inline const QString managerPath = QStringLiteral("/org/bluez");
inline const QString adapterInterface = QStringLiteral("org.bluez.Adapter1");
inline const QString deviceInterface = QStringLiteral("org.bluez.Device1");
inline const QString agentManagerInterface = QStringLiteral("org.bluez.AgentManager1");
inline const QString agentInterface = QStringLiteral("org.bluez.Agent1");
inline const QString objectManagerInterface = QStringLiteral("org.freedesktop.DBus.ObjectManager");
inline const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
inline const QString rejectedError = QStringLiteral("org.bluez.Error.Rejected");

// a{sa{sv}}: interface name -> properties.
using InterfaceMap = QMap<QString, QVariantMap>;
// a{oa{sa{sv}}}: what ObjectManager.GetManagedObjects answers.
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

// Registers the container types with QtDBus; safe to call more than once.
void registerTypes();

} // namespace verandel::Bluez

Q_DECLARE_METATYPE(verandel::Bluez::InterfaceMap)
Q_DECLARE_METATYPE(verandel::Bluez::ManagedObjects)
