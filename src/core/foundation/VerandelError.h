#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// The general failure of device and Bluetooth operations.
class VerandelError final : public std::exception
{
public:
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

    static VerandelError deviceNotFound(const QString &device) { return {Kind::DeviceNotFound, device}; }
    static VerandelError pairingFailed(const QString &reason) { return {Kind::PairingFailed, reason}; }
    static VerandelError connectionFailed(const QString &reason) { return {Kind::ConnectionFailed, reason}; }
    static VerandelError invalidAddress(const QString &address) { return {Kind::InvalidAddress, address}; }
    static VerandelError bluetoothUnavailable() { return {Kind::BluetoothUnavailable, {}}; }
    static VerandelError authenticationFailed() { return {Kind::AuthenticationFailed, {}}; }
    static VerandelError operationTimeout() { return {Kind::OperationTimeout, {}}; }
    static VerandelError permissionDenied() { return {Kind::PermissionDenied, {}}; }

    Kind kind() const { return m_kind; }
    const QString &payload() const { return m_payload; }
    QString errorDescription() const;

    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const VerandelError &other) const { return m_kind == other.m_kind && m_payload == other.m_payload; }

private:
    VerandelError(Kind kind, QString payload);

    Kind m_kind;
    QString m_payload;
    QByteArray m_what;
};

} // namespace verandel
