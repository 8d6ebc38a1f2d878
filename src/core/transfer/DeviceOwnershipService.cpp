#include "transfer/DeviceOwnershipService.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"

namespace verandel {

namespace {

// Each address once, in the order first given.
QStringList uniqueAddresses(QStringList addresses)
{
    addresses.removeDuplicates();
    return addresses;
}

} // namespace

DeviceOwnershipService::DeviceOwnershipService(std::shared_ptr<PeerCommunicationHub> eventHub,
                                               DeviceStorageServicePtr deviceStorage,
                                               BluetoothDeviceManagerPtr bluetoothManager, LoggerFactory &loggerFactory,
                                               QObject *parent)
    : QObject(parent)
    , m_deviceStorage(std::move(deviceStorage))
    , m_bluetoothManager(std::move(bluetoothManager))
    , m_logger(loggerFactory.createLogger(QStringLiteral("DeviceOwnershipService")))
{
    connect(eventHub.get(), &PeerCommunicationHub::receivedPingRequests, this,
            [this](const PingRequestReceivedEvent &event) { mergePing(event.senderMacId, event.deviceMacAddresses); });
    connect(eventHub.get(), &PeerCommunicationHub::receivedPingResponses, this,
            [this](const PingResponseReceivedEvent &event) { mergePing(event.senderMacId, event.deviceMacAddresses); });
    m_logger->debug(QStringLiteral("Subscribed to ping request and response events"));
}

void DeviceOwnershipService::setOwner(const QUuid &macId, const QStringList &macAddresses)
{
    if (macAddresses.isEmpty()) {
        return;
    }
    const QStringList addresses = uniqueAddresses(macAddresses);
    for (const QString &address : addresses) {
        m_ownership.insert(address, macId);
    }
    m_logger->debug(QStringLiteral("Set owner %1 for %2 device(s)").arg(idText(macId)).arg(addresses.size()));
    Q_EMIT ownershipStateChanged(m_ownership);
    Q_EMIT ownerSet(macId, addresses);
}

std::optional<QUuid> DeviceOwnershipService::ownerOf(const QString &macAddress) const
{
    const auto it = m_ownership.constFind(macAddress);
    return it == m_ownership.constEnd() ? std::nullopt : std::optional<QUuid>(*it);
}

QStringList DeviceOwnershipService::devicesOwnedBy(const QUuid &macId) const
{
    QStringList addresses;
    for (auto it = m_ownership.cbegin(); it != m_ownership.cend(); ++it) {
        if (it.value() == macId) {
            addresses.append(it.key());
        }
    }
    return addresses;
}

QCoro::Task<QStringList> DeviceOwnershipService::devicesOwnedByAndConnected(QUuid macId)
{
    const auto self = shared_from_this();
    QList<Device> devices;
    try {
        devices = m_deviceStorage->listDevices();
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to get devices owned by and connected: ") + describeError(error));
        co_return QStringList();
    }
    QStringList connected;
    for (const Device &device : std::as_const(devices)) {
        // Read anew for every device: the map may change while a status request is pending.
        const QString address = device.macAddress();
        if (ownerOf(address) != macId) {
            continue;
        }
        const ConnectionStatus status = co_await m_bluetoothManager->getConnectionStatus(device);
        if (status != ConnectionStatus::Connected) {
            continue;
        }
        m_logger->debug(
            QStringLiteral("Device %1 is recognised as owned by %2 and connected").arg(address, idText(macId)));
        connected.append(address);
    }
    co_return connected;
}

void DeviceOwnershipService::clearOwnershipForMac(const QUuid &macId)
{
    const int removed = removeEntriesOwnedBy(macId);
    if (removed == 0) {
        return;
    }
    m_logger->debug(
        QStringLiteral("Cleared ownership for %1 device(s) (Mac %2 went offline)").arg(removed).arg(idText(macId)));
    Q_EMIT ownershipStateChanged(m_ownership);
}

void DeviceOwnershipService::mergePing(const QUuid &senderMacId, const QStringList &macAddresses)
{
    if (macAddresses.isEmpty()) {
        return;
    }
    const QStringList addresses = uniqueAddresses(macAddresses);
    removeEntriesOwnedBy(senderMacId);
    for (const QString &address : addresses) {
        m_ownership.insert(address, senderMacId);
    }
    m_logger->debug(QStringLiteral("Merged ownership from ping: %1 owns %2 device(s)")
                        .arg(idText(senderMacId))
                        .arg(addresses.size()));
    Q_EMIT ownershipStateChanged(m_ownership);
}

int DeviceOwnershipService::removeEntriesOwnedBy(const QUuid &macId)
{
    return static_cast<int>(m_ownership.removeIf([&macId](const auto &entry) { return entry.value() == macId; }));
}

} // namespace verandel
