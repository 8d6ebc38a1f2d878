#include "support/TestData.h"

#include "foundation/JsonFields.h"
#include "support/SeededRandomNumberGenerator.h"

#include <QRandomGenerator>

namespace verandel::test::TestData {

namespace {

const QString stringAlphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
const QString securityCodeAlphabet = QStringLiteral("0123456789ABCDEF");
const QStringList macModels{QStringLiteral("MacBook Pro"), QStringLiteral("MacBook Air"), QStringLiteral("iMac"),
                            QStringLiteral("Mac Studio"),  QStringLiteral("Mac Pro"),     QStringLiteral("Mac mini"),
                            QStringLiteral("MacBook"),     QStringLiteral("Power Mac"),   QStringLiteral("iBook"),
                            QStringLiteral("PowerBook")};
const QStringList owners{QStringLiteral("Tovin's"),   QStringLiteral("Orvane's"), QStringLiteral("Tilmet's"),
                         QStringLiteral("Pevra's"),   QStringLiteral("Holbin's"), QStringLiteral("Kestrin's"),
                         QStringLiteral("Wendrel's"), QStringLiteral("Brumet's"), QStringLiteral("Solvey's"),
                         QStringLiteral("Quillon's"), QStringLiteral("Work"),     QStringLiteral("Home"),
                         QStringLiteral("Studio")};
const QStringList transportTypes{QStringLiteral("bonjour"), QStringLiteral("udp_broadcast"),
                                 QStringLiteral("multipeer_connectivity")};

// The seeded generator when there is a seed, else the system's secure source.
class RandomSource
{
public:
    explicit RandomSource(Seed seed)
    {
        if (seed) {
            m_seeded.emplace(*seed);
        }
    }

    quint64 next() { return m_seeded ? m_seeded->next() : QRandomGenerator::system()->generate64(); }

    // Lemire's multiply-and-reject: unbiased, and for a power of two simply the top bits.
    quint64 below(quint64 n)
    {
        const quint64 threshold = (0 - n) % n;
        for (;;) {
            const unsigned __int128 product = static_cast<unsigned __int128>(next()) * n;
            if (static_cast<quint64>(product) >= threshold) {
                return static_cast<quint64>(product >> 64);
            }
        }
    }

private:
    std::optional<SeededRandomNumberGenerator> m_seeded;
};

QString draw(const QString &alphabet, qint64 length, Seed seed)
{
    RandomSource random(seed);
    QString text;
    for (qint64 i = 0; i < length; ++i) {
        text.append(alphabet.at(qsizetype(random.below(quint64(alphabet.size())))));
    }
    return text;
}

bool randomBool()
{
    return (QRandomGenerator::system()->generate64() & (quint64(1) << 17)) == 0;
}

QString newLowerUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

QDateTime now()
{
    return QDateTime::currentDateTimeUtc();
}

QString randomUrl(const QString &scheme, Seed seed)
{
    return scheme + randomString(8, seed) + u'.' + randomString(3, seed) + u'/' + randomString(8, seed)
        + QStringLiteral(".xml");
}

} // namespace

QString randomString(qint64 length, Seed seed)
{
    return draw(stringAlphabet, length, seed);
}

QString randomMACAddress(Seed seed)
{
    RandomSource random(seed);
    QStringList octets;
    for (int i = 0; i < 6; ++i) {
        octets.append(QStringLiteral("%1").arg(random.next() >> 56, 2, 16, QLatin1Char('0')).toUpper());
    }
    return octets.join(u':');
}

QString randomDeviceID(Seed seed)
{
    return randomMACAddress(seed);
}

QString randomTelemetryDeviceId()
{
    return newLowerUuid();
}

QString randomUUIDString(Seed)
{
    return json::uuidToString(QUuid::createUuid());
}

QUuid randomMacID(Seed)
{
    return QUuid::createUuid();
}

QString randomHttpURL(Seed seed)
{
    return randomUrl(QStringLiteral("http://"), seed);
}

QString randomHttpsURL(Seed seed)
{
    return randomUrl(QStringLiteral("https://"), seed);
}

QUrl randomHttpsBaseURL(Seed seed)
{
    return QUrl(QStringLiteral("https://") + randomString(8, seed).toLower() + QStringLiteral(".example"));
}

QString randomIPAddress(Seed seed)
{
    RandomSource random(seed);
    QStringList numbers;
    for (int i = 0; i < 4; ++i) {
        numbers.append(QString::number(random.below(254) + 1));
    }
    return numbers.join(u'.');
}

QString randomISO8601Timestamp(Seed seed)
{
    RandomSource random(seed);
    const qint64 days = qint64(random.below(366)) - 365;
    return json::toIso8601(now().addDays(days));
}

QString randomMacName(Seed seed)
{
    const QString suffix = randomString(5, seed);
    RandomSource random(seed);
    const QString model = macModels.at(qsizetype(random.below(quint64(macModels.size()))));
    const QString owner = owners.at(qsizetype(random.below(quint64(owners.size()))));
    return owner + u' ' + model + u' ' + suffix;
}

QString randomTransportType(Seed seed)
{
    RandomSource random(seed);
    return transportTypes.at(qsizetype(random.below(quint64(transportTypes.size()))));
}

QString randomSecurityCode(qint64 length, bool includeHyphens, Seed seed)
{
    QString code = draw(securityCodeAlphabet, length, seed);
    if (includeHyphens && length >= 4) {
        code.insert(qsizetype(length / 2), u'-');
    }
    return code;
}

Device randomDevice(Seed seed)
{
    return Device(randomMACAddress(seed), QStringLiteral("Test Device ") + randomString(5, seed), newLowerUuid(),
                  std::nullopt, now());
}

ConnectedMac randomConnectedMac(Seed seed)
{
    return ConnectedMacBuilder().withName(QStringLiteral("Test Mac ") + randomString(5, seed)).build();
}

BluetoothDevice randomBluetoothDevice(Seed seed)
{
    return BluetoothDeviceBuilder()
        .withName(QStringLiteral("Test Bluetooth ") + randomString(5, seed))
        .withAddress(randomMACAddress(seed))
        .withConnectionStatus(randomBool())
        .withPairingStatus(randomBool())
        .withHIDSupport(randomBool())
        .build();
}

DiscoverableMac randomDiscoverableMac(Seed seed)
{
    return DiscoverableMacBuilder()
        .withName(randomMacName(seed))
        .withVersion(QStringLiteral("1.0.") + randomString(3, seed))
        .withSecurityCode(randomSecurityCode(6, false, seed))
        .build();
}

ConnectionRequest randomConnectionRequest(std::optional<QUuid> toMacId, std::optional<QDateTime> timestamp,
                                          std::optional<QString> securityCode,
                                          std::optional<ConnectionRequestState> state,
                                          std::optional<ConnectionDirection> direction, Seed seed)
{
    const qint64 nowSeconds = now().toSecsSinceEpoch();
    const qint64 requestSeed = seed.value_or(nowSeconds);
    RandomSource random(requestSeed);
    const QUuid otherMacId = toMacId.value_or(QUuid::createUuid());
    if (!timestamp) {
        const quint64 seconds = 1 + random.below(quint64(std::max<qint64>(nowSeconds, 1)));
        timestamp = QDateTime::fromSecsSinceEpoch(qint64(seconds), Qt::UTC);
    }
    const QString code = securityCode ? *securityCode : randomSecurityCode(6, false, requestSeed);
    if (!state) {
        state = allConnectionRequestStates.at(random.next() >> 62);
    }
    if (!direction) {
        direction = allConnectionDirections.at(random.next() >> 63);
    }
    return ConnectionRequest(QUuid::createUuid(), otherMacId, *timestamp, code, *state, *direction);
}

DebugDiscoverableMac randomDebugDiscoverableMac(quint16 port, std::optional<QString> id,
                                                std::optional<QString> securityCode, std::optional<QString> name,
                                                std::optional<QString> version, Seed seed)
{
    return DebugDiscoverableMac{id.value_or(json::uuidToString(QUuid::createUuid())), port,
                                name ? *name : randomMacName(seed), version.value_or(QStringLiteral("1.0.0")),
                                securityCode ? *securityCode : randomSecurityCode(6, false, seed)};
}

const QList<Device> &standardDevices()
{
    static const QList<Device> devices = [] {
        const QDateTime firstUse = now();
        QList<Device> made;
        for (const QString &name :
             {QStringLiteral("Magic Keyboard"), QStringLiteral("Magic Mouse"), QStringLiteral("Magic Trackpad")}) {
            made.append(Device(randomMACAddress(), name, newLowerUuid(), std::nullopt, firstUse));
        }
        return made;
    }();
    return devices;
}

const QList<ConnectedMac> &standardConnectedMacs()
{
    static const QList<ConnectedMac> macs{ConnectedMacBuilder().withName(QStringLiteral("MacBook Pro")).build(),
                                          ConnectedMacBuilder().withName(QStringLiteral("iMac")).build(),
                                          ConnectedMacBuilder().withName(QStringLiteral("Mac Studio")).build()};
    return macs;
}

ConnectedMac sampleConnectedMac()
{
    return ConnectedMacBuilder()
        .withID(QUuid(QStringLiteral("12345678-1234-1234-1234-123456789ABC")))
        .withName(QStringLiteral("Test MacBook Pro"))
        .build();
}

TestError sampleNetworkError()
{
    return TestError(QStringLiteral("TestNetworkError"), 1001, QStringLiteral("Network request timed out"));
}

DeviceBuilder::DeviceBuilder()
    : m_macAddress(randomMACAddress())
    , m_name(QStringLiteral("Test Device"))
    , m_telemetryDeviceId(newLowerUuid())
    , m_timestamp(now())
{ }

Device DeviceBuilder::build() const
{
    return Device(m_macAddress, m_name, m_telemetryDeviceId, std::nullopt, m_timestamp);
}

ConnectedMacBuilder::ConnectedMacBuilder()
    : m_id(QUuid::createUuid())
    , m_name(QStringLiteral("Test Mac"))
    , m_timestamp(now())
    , m_lastSeenTimestamp(m_timestamp)
{ }

ConnectedMac ConnectedMacBuilder::build() const
{
    return ConnectedMac(m_id, m_name, newLowerUuid(), m_timestamp, m_lastSeenTimestamp, m_connectionMetadata);
}

DiscoverableMacBuilder::DiscoverableMacBuilder()
    : m_id(QUuid::createUuid())
    , m_name(QStringLiteral("Test Discoverable Mac"))
    , m_version(QStringLiteral("1.0.0"))
{ }

DiscoverableMac DiscoverableMacBuilder::build() const
{
    return DiscoverableMac(m_id, m_name, m_version, std::nullopt, newLowerUuid(), m_securityCode, now());
}

BluetoothDeviceBuilder::BluetoothDeviceBuilder()
    : m_name(QStringLiteral("Test Bluetooth Device"))
    , m_address(randomMACAddress())
{ }

BluetoothDevice BluetoothDeviceBuilder::build() const
{
    if (std::optional<BluetoothDevice> device = BluetoothDevice::fromAddress(m_address)) {
        return *device;
    }
    return BluetoothDeviceBuilder().build();
}

} // namespace verandel::test::TestData
