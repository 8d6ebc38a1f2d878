#pragma once

#include "bluetooth/BluezTypes.h"
#include "records/Device.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace verandel {

// What the program reads of one org.bluez.Device1 object. The address is in the canonical form
// (nothing when BlueZ gave none or one that is not six hex pairs).
struct BluezDeviceProperties
{
    QString path;
    std::optional<QString> macAddress;
    std::optional<QString> name;
    std::optional<QString> adapterPath;
    std::optional<quint32> classOfDevice;
    std::optional<quint16> vendorID;
    std::optional<quint16> productID;
    QStringList serviceNames;
    bool paired = false;
    bool connected = false;

    static BluezDeviceProperties fromProperties(const QString &path, const QVariantMap &properties);
    // The device object with that canonical address, if BlueZ lists one.
    static std::optional<BluezDeviceProperties> find(const Bluez::ManagedObjects &objects, const QString &address);
    // The device as the manager lists it, before storage gives it a telemetry id.
    Device toDevice(const QDateTime &now) const;
};

namespace BluezProperties {

struct ModaliasIds
{
    quint16 vendorID;
    quint16 productID;
};

// "usb:v05ACp0267d0001" or "bluetooth:v004Cp0267d0001"; nothing for any other source or shape.
std::optional<ModaliasIds> parseModalias(const QString &modalias);
// The assigned name of a well-known service UUID, nothing for others.
std::optional<QString> serviceName(const QString &uuid);
// The path of the first powered adapter, else of the first adapter; nothing when there is none.
std::optional<QString> firstAdapter(const Bluez::ManagedObjects &objects);
// The canonical form of an "Address" value; nothing when it is not six hexadecimal pairs. Every
// address read from BlueZ goes through here.
std::optional<QString> address(const QVariant &value);
// Array values come either as a plain list or still wrapped in a QDBusArgument.
QStringList stringList(const QVariant &value);

} // namespace BluezProperties

} // namespace verandel
