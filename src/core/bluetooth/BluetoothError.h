#pragma once

#include <QString>

namespace verandel {

// Descriptions of Bluetooth failures. Operations report failures as results, never by throwing
// this; it exists so every layer words the same failure the same way.
class BluetoothError final
{
public:
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

    static BluetoothError invalidMACAddress(QString address)
    {
        return {Kind::InvalidMACAddress, 0, std::move(address)};
    }
    static BluetoothError deviceNotFound(QString address) { return {Kind::DeviceNotFound, 0, std::move(address)}; }
    static BluetoothError pairingFailed(qint32 code, QString description)
    {
        return {Kind::PairingFailed, code, std::move(description)};
    }
    static BluetoothError unpairingFailed(QString text) { return {Kind::UnpairingFailed, 0, std::move(text)}; }
    static BluetoothError connectionFailed(qint32 code) { return {Kind::ConnectionFailed, code, {}}; }
    static BluetoothError alreadyPaired() { return {Kind::AlreadyPaired, 0, {}}; }
    static BluetoothError notPaired() { return {Kind::NotPaired, 0, {}}; }
    static BluetoothError timeout() { return {Kind::Timeout, 0, {}}; }

    Kind kind() const { return m_kind; }
    QString errorDescription() const;

private:
    BluetoothError(Kind kind, qint32 code, QString text)
        : m_kind(kind)
        , m_code(code)
        , m_text(std::move(text))
    { }

    Kind m_kind;
    qint32 m_code;
    QString m_text;
};

} // namespace verandel
