#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct VerandelErrorCases
{
    enum class Kind {
        DeviceNotFound,
        PairingFailed,
        ConnectionFailed,
        InvalidAddress,
        BluetoothUnavailable,
        AuthenticationFailed,
        OperationTimeout,
        PermissionDenied,
    };
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::DeviceNotFound, u"Device not found: %1"},
        {Kind::PairingFailed, u"Pairing failed: %1"},
        {Kind::ConnectionFailed, u"Connection failed: %1"},
        {Kind::InvalidAddress, u"Invalid MAC address format: %1"},
        {Kind::BluetoothUnavailable, u"Bluetooth is not available or disabled"},
        {Kind::AuthenticationFailed, u"Biometric authentication failed"},
        {Kind::OperationTimeout, u"Operation timed out"},
        {Kind::PermissionDenied, u"Permission denied - Bluetooth access required"},
    });
};

// The general failure of device and Bluetooth operations.
class VerandelError final : public KindError<VerandelErrorCases>
{
public:
    static VerandelError deviceNotFound(const QString &device) { return {Kind::DeviceNotFound, device}; }
    static VerandelError pairingFailed(const QString &reason) { return {Kind::PairingFailed, reason}; }
    static VerandelError connectionFailed(const QString &reason) { return {Kind::ConnectionFailed, reason}; }
    static VerandelError invalidAddress(const QString &address) { return {Kind::InvalidAddress, address}; }
    static VerandelError bluetoothUnavailable() { return {Kind::BluetoothUnavailable, {}}; }
    static VerandelError authenticationFailed() { return {Kind::AuthenticationFailed, {}}; }
    static VerandelError operationTimeout() { return {Kind::OperationTimeout, {}}; }
    static VerandelError permissionDenied() { return {Kind::PermissionDenied, {}}; }

    using KindError::payload;
    QString errorDescription() const { return description(); }

private:
    using KindError::KindError;
};

} // namespace verandel
