#include "support/PreviewFixtures.h"

#include "records/PeerNamePolicy.h"

namespace verandel::test {

namespace {

QUuid fixedId(char kind, int index)
{
    return QUuid::fromString(
        QStringLiteral("%1%2-0000-4000-8000-000000000000").arg(QLatin1Char(kind)).arg(index, 7, 10, QLatin1Char('0')));
}

// A computer's name as this program keeps it when another computer sends it, so that a picture of a
// hostile name shows what a user would see.
QString received(const QString &name)
{
    return sanitizedPeerName(name).value_or(QString());
}

} // namespace

const QDateTime &PreviewFixtures::now()
{
    static const QDateTime fixed(QDate(2026, 3, 2), QTime(9, 30), Qt::UTC);
    return fixed;
}

ConnectedMac PreviewFixtures::linkedMac(int index, const QString &name)
{
    return ConnectedMac(fixedId('a', index), received(name), QStringLiteral("installation-%1").arg(index), now(), now(),
                        {});
}

DeviceState PreviewFixtures::sharedDevice(int index, const QString &name, ConnectionStatus status, DeviceType type)
{
    const Device device(QStringLiteral("AA:BB:CC:00:00:%1").arg(index, 2, 10, QLatin1Char('0')), name,
                        QStringLiteral("00000000-0000-0000-0000-000000000000"), std::nullopt, now());
    return DeviceState(device, status, SharingStatus::Shared, true, type);
}

DeviceState PreviewFixtures::localDevice(int index, const QString &name, ConnectionStatus status)
{
    return sharedDevice(index, name, status).withSharingStatus(SharingStatus::Local);
}

QList<ConnectedMac> PreviewFixtures::linkedMacs()
{
    return {linkedMac(1, QStringLiteral("Design Studio")), linkedMac(2, QStringLiteral("Living Room")),
            linkedMac(3, QStringLiteral("Workshop"))};
}

DiscoverableMac PreviewFixtures::nearbyMac(int index, const QString &name, std::optional<QString> code)
{
    return DiscoverableMac(fixedId('d', index), received(name), QStringLiteral("1.0.0"), std::nullopt,
                           QStringLiteral("nearby-%1").arg(index), std::move(code), now());
}

QList<DiscoverableMac> PreviewFixtures::nearbyMacs()
{
    return {nearbyMac(1, QStringLiteral("Studio"), QStringLiteral("K7Q2ZX")),
            nearbyMac(2, QStringLiteral("Kitchen PC"), QStringLiteral("4MW9PA")),
            nearbyMac(3, QStringLiteral("Office"), QStringLiteral("HB35TR"))};
}

ConnectionRequest PreviewFixtures::request(const QUuid &otherMacId, ConnectionRequestState state,
                                           ConnectionDirection direction, int secondsAfterNow)
{
    const QUuid id = QUuid::createUuidV5(
        otherMacId, QStringLiteral("%1 %2 %3").arg(toString(state), toString(direction)).arg(secondsAfterNow));
    return ConnectionRequest(id, otherMacId, now().addSecs(secondsAfterNow), QStringLiteral("K7Q2ZX"), state,
                             direction);
}

Device PreviewFixtures::device(int index, const QString &name)
{
    return Device(QStringLiteral("A4:83:E7:00:00:%1").arg(index, 2, 16, QLatin1Char('0')).toUpper(), name,
                  QStringLiteral("00000000-0000-0000-0000-000000000000"), std::nullopt, now());
}

QList<Device> PreviewFixtures::devices()
{
    return {device(1, QStringLiteral("Magic Keyboard")), device(2, QStringLiteral("Magic Trackpad")),
            device(3, QStringLiteral("Magic Mouse")), device(4, QStringLiteral("MX Keys"))};
}

} // namespace verandel::test
