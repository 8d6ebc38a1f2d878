#include "foundation/VerandelError.h"

namespace verandel {

VerandelError::VerandelError(Kind kind, QString payload)
    : m_kind(kind)
    , m_payload(std::move(payload))
    , m_what(errorDescription().toUtf8())
{ }

QString VerandelError::errorDescription() const
{
    switch (m_kind) {
    case Kind::DeviceNotFound: return QStringLiteral("Device not found: ") + m_payload;
    case Kind::PairingFailed: return QStringLiteral("Pairing failed: ") + m_payload;
    case Kind::ConnectionFailed: return QStringLiteral("Connection failed: ") + m_payload;
    case Kind::InvalidAddress: return QStringLiteral("Invalid MAC address format: ") + m_payload;
    case Kind::BluetoothUnavailable: return QStringLiteral("Bluetooth is not available or disabled");
    case Kind::AuthenticationFailed: return QStringLiteral("Biometric authentication failed");
    case Kind::OperationTimeout: return QStringLiteral("Operation timed out");
    case Kind::PermissionDenied: return QStringLiteral("Permission denied - Bluetooth access required");
    }
    return {};
}

} // namespace verandel
