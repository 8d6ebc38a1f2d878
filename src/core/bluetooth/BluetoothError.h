#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct BluetoothErrorCases
{
    enum class Kind {
        InvalidMACAddress,
        DeviceNotFound,
        PairingFailed,
        UnpairingFailed,
        ConnectionFailed,
        AlreadyPaired,
        NotPaired,
        Timeout,
    };
    // The address or the daemon's text, and the error code of pairingFailed and connectionFailed.
    struct Payload
    {
        QString text;
        qint32 code = 0;
        bool operator==(const Payload &) const = default;
    };
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::InvalidMACAddress, u"Invalid MAC address: %1"},
        {Kind::DeviceNotFound, u"Device not found: %1"},
        {Kind::PairingFailed, u"Pairing failed (code %2): %1"},
        {Kind::UnpairingFailed, u"Unpairing failed: %1"},
        {Kind::ConnectionFailed, u"Connection failed with error code: %2"},
        {Kind::AlreadyPaired, u"Device is already paired"},
        {Kind::NotPaired, u"Device is not paired"},
        {Kind::Timeout, u"Operation timed out"},
    });
    static QStringList arguments(const Payload &payload) { return {payload.text, QString::number(payload.code)}; }
};

// Descriptions of Bluetooth failures. Operations report failures as results, never by throwing
// this; it exists so every layer words the same failure the same way.
class BluetoothError final : public KindError<BluetoothErrorCases>
{
public:
    static BluetoothError invalidMACAddress(QString address) { return {Kind::InvalidMACAddress, {std::move(address)}}; }
    static BluetoothError deviceNotFound(QString address) { return {Kind::DeviceNotFound, {std::move(address)}}; }
    static BluetoothError pairingFailed(qint32 code, QString description)
    {
        return {Kind::PairingFailed, {std::move(description), code}};
    }
    static BluetoothError unpairingFailed(QString text) { return {Kind::UnpairingFailed, {std::move(text)}}; }
    static BluetoothError connectionFailed(qint32 code) { return {Kind::ConnectionFailed, {{}, code}}; }
    static BluetoothError alreadyPaired() { return {Kind::AlreadyPaired, {}}; }
    static BluetoothError notPaired() { return {Kind::NotPaired, {}}; }
    static BluetoothError timeout() { return {Kind::Timeout, {}}; }

    QString errorDescription() const { return description(); }

private:
    using KindError::KindError;
};

} // namespace verandel
