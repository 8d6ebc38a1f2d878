#include "bluetooth/BluetoothError.h"

namespace verandel {

QString BluetoothError::errorDescription() const
{
    switch (m_kind) {
    case Kind::InvalidMACAddress: return QStringLiteral("Invalid MAC address: ") + m_text;
    case Kind::DeviceNotFound: return QStringLiteral("Device not found: ") + m_text;
    case Kind::PairingFailed:
        return QStringLiteral("Pairing failed (code %1): %2").arg(QString::number(m_code), m_text);
    case Kind::UnpairingFailed: return QStringLiteral("Unpairing failed: ") + m_text;
    case Kind::ConnectionFailed: return QStringLiteral("Connection failed with error code: ") + QString::number(m_code);
    case Kind::AlreadyPaired: return QStringLiteral("Device is already paired");
    case Kind::NotPaired: return QStringLiteral("Device is not paired");
    case Kind::Timeout: return QStringLiteral("Operation timed out");
    }
    return {};
}

} // namespace verandel
