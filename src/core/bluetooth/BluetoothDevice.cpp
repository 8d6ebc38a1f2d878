#include "bluetooth/BluetoothDevice.h"

#include "records/MacAddress.h"

namespace verandel {

BluetoothDevice::BluetoothDevice(QString address, std::optional<QString> objectPath)
    : m_address(std::move(address))
    , m_objectPath(std::move(objectPath))
{ }

std::optional<BluetoothDevice> BluetoothDevice::fromAddress(QStringView address, std::optional<QString> objectPath)
{
    std::optional<QString> canonical = MacAddress::canonicalize(address);
    if (!canonical) {
        return std::nullopt;
    }
    return BluetoothDevice(std::move(*canonical), std::move(objectPath));
}

} // namespace verandel
