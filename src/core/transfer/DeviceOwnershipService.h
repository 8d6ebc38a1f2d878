#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/LoggerFactory.h"
#include "linking/OwnedDevicesProtocol.h"
#include "peer/PeerCommunicationHub.h"
#include "records/DeviceStorageServiceProtocol.h"

#include <QHash>
#include <QObject>

#include <memory>
#include <optional>

namespace verandel {

// Which computer owns which shared Bluetooth device: device MAC address to the owning computer's id.
// Addresses come in their canonical form (lower case, colons) and are looked up exactly. This computer sets itself as
// owner of what it pairs or finds connected; every ping a linked computer sends replaces that computer's claims. Kept
// in memory only, on the main thread; always held by shared_ptr.
class DeviceOwnershipService final : public QObject,
                                     public OwnedDevicesProtocol,
                                     public std::enable_shared_from_this<DeviceOwnershipService>
{
    Q_OBJECT

public:
    using OwnershipMap = QHash<QString, QUuid>;

    // Merges every ping request and response the hub receives.
    DeviceOwnershipService(std::shared_ptr<PeerCommunicationHub> eventHub, DeviceStorageServicePtr deviceStorage,
                           BluetoothDeviceManagerPtr bluetoothManager, LoggerFactory &loggerFactory,
                           QObject *parent = nullptr);

    // Makes the computer owner of every address, each once; publishes the map for any non-empty list.
    void setOwner(const QUuid &macId, const QStringList &macAddresses);
    std::optional<QUuid> ownerOf(const QString &macAddress) const;
    // In no particular order.
    QStringList devicesOwnedBy(const QUuid &macId) const;
    QCoro::Task<QStringList> devicesOwnedByAndConnected(QUuid macId) override;
    // Forgets everything the computer owned (it went offline).
    void clearOwnershipForMac(const QUuid &macId);
    OwnershipMap currentOwnershipState() const { return m_ownership; }

Q_SIGNALS:
    // The whole map after each change.
    void ownershipStateChanged(const verandel::DeviceOwnershipService::OwnershipMap &ownership);
    // After each setOwner, with the addresses it was given, each once.
    void ownerSet(const QUuid &macId, const QStringList &macAddresses);

private:
    // The sender's claims replace its earlier ones in full; an empty list changes nothing; an address
    // listed twice counts once.
    void mergePing(const QUuid &senderMacId, const QStringList &macAddresses);
    int removeEntriesOwnedBy(const QUuid &macId);

    DeviceStorageServicePtr m_deviceStorage;
    BluetoothDeviceManagerPtr m_bluetoothManager;
    LoggerPtr m_logger;
    OwnershipMap m_ownership;
};

using DeviceOwnershipServicePtr = std::shared_ptr<DeviceOwnershipService>;

} // namespace verandel
