#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "bluetooth/BluezClient.h"
#include "bluetooth/BluezConnectionSchedule.h"
#include "bluetooth/BluezDeviceProperties.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"

#include <QDBusConnection>
#include <QHash>

#include <memory>
#include <optional>
#include <variant>

namespace verandel {

enum class BluetoothSystemAccessMode { Live, Disabled };

// Bounds of the BlueZ calls that can take long; tests shorten them.
struct BluetoothDeviceManagerTiming
{
    // Pairing waits for the user's device and bluetoothd's own time-outs: far beyond QtDBus's 25 s.
    int pairCallTimeoutMs = 90000;
    int connectCallTimeoutMs = 15000;
    // How long to look for a device bluetoothd no longer knows.
    double discoverySeconds = 10.0;
    double discoveryPollSeconds = 1.0;
};

// The innermost Bluetooth layer: lists, queries, pairs, connects and unpairs devices through BlueZ.
// Pairing runs Device1.Pair with our own agent answering bluetoothd; a paired device is then trusted
// and connected on a fixed schedule whose pauses sleep on the clock, so nothing here blocks the loop.
class BluetoothDeviceManager final : public BluetoothDeviceManagerProtocol,
                                     public std::enable_shared_from_this<BluetoothDeviceManager>
{
    Q_OBJECT

public:
    using Timing = BluetoothDeviceManagerTiming;

    // Talks to bluetoothd through the given client, shared with the other users of the bus.
    static std::shared_ptr<BluetoothDeviceManager> create(std::shared_ptr<BluezClient> client, ClockPtr clock,
                                                          LoggerFactoryPtr loggerFactory,
                                                          BluetoothSystemAccessMode mode, bool deferInitialLoad = true,
                                                          Timing timing = {});
    // The same with a client of its own on the bus.
    static std::shared_ptr<BluetoothDeviceManager> create(QDBusConnection bus, ClockPtr clock,
                                                          LoggerFactoryPtr loggerFactory,
                                                          BluetoothSystemAccessMode mode, bool deferInitialLoad = true,
                                                          Timing timing = {});
    ~BluetoothDeviceManager() override;

    QList<Device> pairedDevices() const override { return m_pairedDevices; }
    QCoro::Task<QList<Device>> getPairedDevices() override;
    QCoro::Task<ConnectionStatus> getConnectionStatus(Device device) override;
    QCoro::Task<OperationResult> pairDevice(QString macAddress) override;
    QCoro::Task<OperationResult> unpairDevice(QString macAddress) override;
    QCoro::Task<> bootstrapBluetooth() override;

Q_SIGNALS:
    void pairingSlotFreed();

private:
    BluetoothDeviceManager(std::shared_ptr<BluezClient> client, ClockPtr clock, LoggerFactoryPtr loggerFactory,
                           BluetoothSystemAccessMode mode, Timing timing);
    void start(bool deferInitialLoad);

    struct Snapshot
    {
        Bluez::ManagedObjects objects;
        std::optional<BluezDeviceProperties> device;
    };
    using Located = std::variant<BluezDeviceProperties, OperationResult>;

    QCoro::Task<BluezReply<Snapshot>> snapshot(QString canonicalAddress);
    QCoro::Task<OperationResult> performPairing(QString address);
    QCoro::Task<Located> locateUnknownDevice(QString address, Bluez::ManagedObjects objects);
    // The error is StartDiscovery's, when the search could not start.
    QCoro::Task<BluezReply<std::optional<BluezDeviceProperties>>> discover(QString address, QString adapterPath);
    OperationResult adapterPoweredOff(const QString &address);
    QCoro::Task<OperationResult> runPairingSession(QString address, BluezDeviceProperties device);
    QCoro::Task<OperationResult> alreadyPaired(QString address, QString devicePath);
    QCoro::Task<> publishPairedDevices();
    void publish(const QList<Device> &devices);
    static QCoro::Task<> refreshAddresses(std::weak_ptr<BluetoothDeviceManager> weak, bool publish);

    void rememberAddresses(const Bluez::ManagedObjects &objects);
    void onPropertiesChanged(const QString &path, const QString &interface, const QVariantMap &changed);
    void onInterfacesAdded(const QString &path, const Bluez::InterfaceMap &interfaces);
    void onInterfacesRemoved(const QString &path, const QStringList &interfaces);
    void onServiceOwnerChanged(const QString &owner);
    void forgetAllDevices();
    static QCoro::Task<> publishConnectionChange(std::weak_ptr<BluetoothDeviceManager> weak, QString path,
                                                 bool connected);
    void emitConnectionChange(const QString &address, bool connected);

    std::shared_ptr<BluezClient> m_client;
    ClockPtr m_clock;
    LoggerFactoryPtr m_loggerFactory;
    LoggerPtr m_logger;
    BluetoothSystemAccessMode m_mode;
    Timing m_timing;
    BluezConnectionSchedule m_connectionSchedule;
    QList<Device> m_pairedDevices;
    // Whether a list was published at all: until then a returning bluetoothd publishes nothing.
    bool m_published = false;
    // Each listing meant for publication takes a number; a listing overtaken by a newer one, or by
    // bluetoothd going away, is not published.
    quint64 m_publicationTicket = 0;
    // Object path -> canonical address of every device object seen, so a signal on a path can be
    // reported by address without building paths from addresses.
    QHash<QString, QString> m_addresses;
    bool m_pairingInProgress = false;
};

} // namespace verandel
