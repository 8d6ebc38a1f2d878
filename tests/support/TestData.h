#pragma once

#include "bluetooth/BluetoothDevice.h"
#include "linking/ConnectionRequest.h"
#include "mock/DebugDiscoverableMac.h"
#include "records/ConnectedMac.h"
#include "records/Device.h"
#include "records/DiscoverableMac.h"

#include <QUrl>

#include <exception>
#include <optional>

namespace verandel::test {

// A device record as the system's paired list makes it (placeholder telemetry id, fixed time).
inline Device makeDevice(const QString &address, const QString &name = QStringLiteral("Device"))
{
    return Device(address, name, QStringLiteral("00000000-0000-0000-0000-000000000000"), std::nullopt,
                  QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
}

// A failure of test scaffolding: a fixed domain and code, and a description.
class TestError final : public std::exception
{
public:
    TestError(QString domain, int code, QString description)
        : domain(std::move(domain))
        , code(code)
        , description(std::move(description))
        , m_what(this->description.toUtf8())
    { }

    const char *what() const noexcept override { return m_what.constData(); }

    QString domain;
    int code;
    QString description;

private:
    QByteArray m_what;
};

// Sample values of the system's records. With a seed a value is the same on every run: each call
// starts its own generator from the seed, and passes the same seed to the calls it makes. Without one
// the values come from the system's random source. Ids, installation ids and time stamps are always
// new.
namespace TestData {

using Seed = std::optional<qint64>;

// Characters of [a-zA-Z0-9]; a negative length gives the empty text.
QString randomString(qint64 length, Seed seed = std::nullopt);
// "A1:B2:…": six octets in upper-case hexadecimal, each the top byte of one value.
QString randomMACAddress(Seed seed = std::nullopt);
QString randomDeviceID(Seed seed = std::nullopt);
QString randomTelemetryDeviceId();
// Upper-case UUID text and a UUID; the seed is not used.
QString randomUUIDString(Seed seed = std::nullopt);
QUuid randomMacID(Seed seed = std::nullopt);
QString randomHttpURL(Seed seed = std::nullopt);
QString randomHttpsURL(Seed seed = std::nullopt);
// "https://<8 lower-case characters>.example".
QUrl randomHttpsBaseURL(Seed seed = std::nullopt);
// Four numbers from 1 to 254.
QString randomIPAddress(Seed seed = std::nullopt);
// A time within the last 365 days, as ISO-8601 text in UTC.
QString randomISO8601Timestamp(Seed seed = std::nullopt);
// Owner, model and five characters, separated by blanks: "Work Mac mini x3Fq9".
QString randomMacName(Seed seed = std::nullopt);
QString randomTransportType(Seed seed = std::nullopt);
// Characters of [0-9A-F]; with hyphens and a length of 4 or more, a "-" after the first half.
QString randomSecurityCode(qint64 length, bool includeHyphens, Seed seed = std::nullopt);

Device randomDevice(Seed seed = std::nullopt);
ConnectedMac randomConnectedMac(Seed seed = std::nullopt);
BluetoothDevice randomBluetoothDevice(Seed seed = std::nullopt);
DiscoverableMac randomDiscoverableMac(Seed seed = std::nullopt);
// Each part not given is drawn: the time stamp (a whole second between 1970 and now), then the
// state, then the direction, from one generator of the seed (the current second since 1970 when
// none is given); the security code from the seed on its own. The id, and the other computer's id
// when not given, are always new.
ConnectionRequest randomConnectionRequest(std::optional<QUuid> toMacId = std::nullopt,
                                          std::optional<QDateTime> timestamp = std::nullopt,
                                          std::optional<QString> securityCode = std::nullopt,
                                          std::optional<ConnectionRequestState> state = std::nullopt,
                                          std::optional<ConnectionDirection> direction = std::nullopt,
                                          Seed seed = std::nullopt);
DebugDiscoverableMac randomDebugDiscoverableMac(quint16 port, std::optional<QString> id = std::nullopt,
                                                std::optional<QString> securityCode = std::nullopt,
                                                std::optional<QString> name = std::nullopt,
                                                std::optional<QString> version = std::nullopt,
                                                Seed seed = std::nullopt);

// "Magic Keyboard", "Magic Mouse", "Magic Trackpad": made once, the same for the whole test run.
const QList<Device> &standardDevices();
// "MacBook Pro", "iMac", "Mac Studio": made once.
const QList<ConnectedMac> &standardConnectedMacs();
// "Test MacBook Pro" with the id 12345678-1234-1234-1234-123456789ABC.
ConnectedMac sampleConnectedMac();
// Domain "TestNetworkError", code 1001, "Network request timed out".
TestError sampleNetworkError();

// The builders' with… operations: a copy with one field replaced.
template <typename Builder, typename Field, typename Value>
Builder withField(Builder copy, Field Builder::*field, Value value)
{
    copy.*field = std::move(value);
    return copy;
}

class DeviceBuilder
{
public:
    DeviceBuilder();
    DeviceBuilder withMacAddress(QString macAddress) const
    {
        return withField(*this, &DeviceBuilder::m_macAddress, std::move(macAddress));
    }
    DeviceBuilder withName(QString name) const { return withField(*this, &DeviceBuilder::m_name, std::move(name)); }
    DeviceBuilder withTelemetryDeviceId(QString telemetryDeviceId) const
    {
        return withField(*this, &DeviceBuilder::m_telemetryDeviceId, std::move(telemetryDeviceId));
    }
    DeviceBuilder withTimestamp(QDateTime timestamp) const
    {
        return withField(*this, &DeviceBuilder::m_timestamp, std::move(timestamp));
    }
    Device build() const;

private:
    QString m_macAddress;
    QString m_name;
    QString m_telemetryDeviceId;
    QDateTime m_timestamp;
};

class ConnectedMacBuilder
{
public:
    ConnectedMacBuilder();
    ConnectedMacBuilder withID(QUuid id) const { return withField(*this, &ConnectedMacBuilder::m_id, id); }
    ConnectedMacBuilder withName(QString name) const
    {
        return withField(*this, &ConnectedMacBuilder::m_name, std::move(name));
    }
    ConnectedMacBuilder withTimestamp(QDateTime timestamp) const
    {
        return withField(*this, &ConnectedMacBuilder::m_timestamp, std::move(timestamp));
    }
    ConnectedMacBuilder withLastSeenTimestamp(QDateTime lastSeenTimestamp) const
    {
        return withField(*this, &ConnectedMacBuilder::m_lastSeenTimestamp, std::move(lastSeenTimestamp));
    }
    ConnectedMacBuilder withConnectionMetadata(ConnectionMetadata connectionMetadata) const
    {
        return withField(*this, &ConnectedMacBuilder::m_connectionMetadata, std::move(connectionMetadata));
    }
    // A new installation id on every call.
    ConnectedMac build() const;

private:
    QUuid m_id;
    QString m_name;
    QDateTime m_timestamp;
    QDateTime m_lastSeenTimestamp;
    ConnectionMetadata m_connectionMetadata;
};

class DiscoverableMacBuilder
{
public:
    DiscoverableMacBuilder();
    DiscoverableMacBuilder withID(QUuid id) const { return withField(*this, &DiscoverableMacBuilder::m_id, id); }
    DiscoverableMacBuilder withName(QString name) const
    {
        return withField(*this, &DiscoverableMacBuilder::m_name, std::move(name));
    }
    DiscoverableMacBuilder withVersion(QString version) const
    {
        return withField(*this, &DiscoverableMacBuilder::m_version, std::move(version));
    }
    DiscoverableMacBuilder withSecurityCode(std::optional<QString> securityCode) const
    {
        return withField(*this, &DiscoverableMacBuilder::m_securityCode, std::move(securityCode));
    }
    // A new installation id and the current time on every call; no endpoint.
    DiscoverableMac build() const;

private:
    QUuid m_id;
    QString m_name;
    QString m_version;
    std::optional<QString> m_securityCode;
};

// The name and the three flags are kept for the caller; the device itself holds only the address.
class BluetoothDeviceBuilder
{
public:
    BluetoothDeviceBuilder();
    BluetoothDeviceBuilder withName(QString name) const
    {
        return withField(*this, &BluetoothDeviceBuilder::m_name, std::move(name));
    }
    BluetoothDeviceBuilder withAddress(QString address) const
    {
        return withField(*this, &BluetoothDeviceBuilder::m_address, std::move(address));
    }
    BluetoothDeviceBuilder withConnectionStatus(bool isConnected) const
    {
        return withField(*this, &BluetoothDeviceBuilder::m_isConnected, isConnected);
    }
    BluetoothDeviceBuilder withPairingStatus(bool isPaired) const
    {
        return withField(*this, &BluetoothDeviceBuilder::m_isPaired, isPaired);
    }
    BluetoothDeviceBuilder withHIDSupport(bool supportsHID) const
    {
        return withField(*this, &BluetoothDeviceBuilder::m_supportsHID, supportsHID);
    }
    // Without asking BlueZ; an address that is not six hexadecimal pairs gives a new random one.
    BluetoothDevice build() const;

    const QString &name() const { return m_name; }
    bool isConnected() const { return m_isConnected; }
    bool isPaired() const { return m_isPaired; }
    bool supportsHID() const { return m_supportsHID; }

private:
    QString m_name;
    QString m_address;
    bool m_isConnected = false;
    bool m_isPaired = false;
    bool m_supportsHID = true;
};

} // namespace TestData

} // namespace verandel::test
