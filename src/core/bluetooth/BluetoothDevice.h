#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace verandel {

// A Bluetooth device as the system knows it: its address in the canonical form and, once BlueZ has
// an object for it, that object's path. The path always comes from BlueZ, never from the address.
class BluetoothDevice
{
public:
    // None when the text is not six hexadecimal pairs (see MacAddress).
    static std::optional<BluetoothDevice> fromAddress(QStringView address,
                                                      std::optional<QString> objectPath = std::nullopt);

    const QString &address() const { return m_address; }
    const std::optional<QString> &objectPath() const { return m_objectPath; }

    bool operator==(const BluetoothDevice &) const = default;

private:
    BluetoothDevice(QString address, std::optional<QString> objectPath);

    QString m_address;
    std::optional<QString> m_objectPath;
};

} // namespace verandel
