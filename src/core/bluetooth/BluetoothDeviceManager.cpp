#include "bluetooth/BluetoothDeviceManager.h"

#include "bluetooth/BluetoothError.h"
#include "bluetooth/BluetoothPairingDelegate.h"
#include "bluetooth/PairingErrorMapping.h"
#include "records/MacAddress.h"

#include <QCoro/QCoroSignal>

#include <utility>

namespace verandel {

namespace {

const QString disabledMessage = QStringLiteral("Bluetooth system access is disabled for this manager instance");
const QString invalidAddressMessage = QStringLiteral("Invalid MAC address format or device not found: ");
// What bluetoothd answers for an adapter that is powered off.
const QString notReadyError = QStringLiteral("org.bluez.Error.NotReady");
// bluetoothd reports success a moment before the link is usable.
constexpr double pairingSettleSeconds = 0.5;

OperationResult busFailure(const QDBusError &error)
{
    const QString message = QStringLiteral("Bluetooth service error: %1 (%2)").arg(error.name(), error.message());
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
        return OperationResult::failure(message, OperationFailureCategory::NetworkUnavailable);
    case QDBusError::AccessDenied: return OperationResult::failure(message, OperationFailureCategory::PermissionDenied);
    default: return OperationResult::failure(message, OperationFailureCategory::Unknown);
    }
}

} // namespace

std::shared_ptr<BluetoothDeviceManager> BluetoothDeviceManager::create(std::shared_ptr<BluezClient> client,
                                                                       ClockPtr clock, LoggerFactoryPtr loggerFactory,
                                                                       BluetoothSystemAccessMode mode,
                                                                       bool deferInitialLoad, Timing timing)
{
    std::shared_ptr<BluetoothDeviceManager> manager(
        new BluetoothDeviceManager(std::move(client), std::move(clock), std::move(loggerFactory), mode, timing));
    manager->start(deferInitialLoad);
    return manager;
}

std::shared_ptr<BluetoothDeviceManager> BluetoothDeviceManager::create(QDBusConnection bus, ClockPtr clock,
                                                                       LoggerFactoryPtr loggerFactory,
                                                                       BluetoothSystemAccessMode mode,
                                                                       bool deferInitialLoad, Timing timing)
{
    return create(std::make_shared<BluezClient>(std::move(bus)), std::move(clock), std::move(loggerFactory), mode,
                  deferInitialLoad, timing);
}

BluetoothDeviceManager::BluetoothDeviceManager(std::shared_ptr<BluezClient> client, ClockPtr clock,
                                               LoggerFactoryPtr loggerFactory, BluetoothSystemAccessMode mode,
                                               Timing timing)
    : m_client(std::move(client))
    , m_clock(std::move(clock))
    , m_loggerFactory(std::move(loggerFactory))
    , m_logger(m_loggerFactory->createLogger(QStringLiteral("BluetoothDeviceManager")))
    , m_mode(mode)
    , m_timing(timing)
    , m_connectionSchedule(m_client, m_clock, m_logger, m_timing.connectCallTimeoutMs)
{ }

BluetoothDeviceManager::~BluetoothDeviceManager() = default;

void BluetoothDeviceManager::start(bool deferInitialLoad)
{
    m_logger->info(QStringLiteral("BluetoothDeviceManager initialized"));
    if (m_mode == BluetoothSystemAccessMode::Disabled) {
        m_logger->info(QStringLiteral("Bluetooth system access disabled for this manager instance"));
        return;
    }
    BluezClient *client = m_client.get();
    connect(client, &BluezClient::propertiesChanged, this, &BluetoothDeviceManager::onPropertiesChanged);
    connect(client, &BluezClient::interfacesAdded, this, &BluetoothDeviceManager::onInterfacesAdded);
    connect(client, &BluezClient::interfacesRemoved, this, &BluetoothDeviceManager::onInterfacesRemoved);
    connect(client, &BluezClient::serviceOwnerChanged, this, &BluetoothDeviceManager::onServiceOwnerChanged);
    refreshAddresses(weak_from_this(), !deferInitialLoad);
}

void BluetoothDeviceManager::onServiceOwnerChanged(const QString &owner)
{
    forgetAllDevices();
    if (m_published) {
        // Whatever listing is under way describes the bluetoothd that left.
        ++m_publicationTicket;
        if (!m_pairedDevices.isEmpty()) {
            m_logger->info(QStringLiteral("Bluetooth service went away, clearing the paired device list"));
            publish({});
        }
    }
    if (!owner.isEmpty()) {
        if (m_published) {
            m_logger->info(QStringLiteral("Bluetooth service is back, listing paired devices again"));
        }
        refreshAddresses(weak_from_this(), m_published);
    }
}

QCoro::Task<> BluetoothDeviceManager::refreshAddresses(std::weak_ptr<BluetoothDeviceManager> weak, bool publish)
{
    auto self = weak.lock();
    if (!self) {
        co_return;
    }
    if (publish) {
        co_await self->publishPairedDevices();
        co_return;
    }
    const BluezReply<Bluez::ManagedObjects> reply = co_await self->m_client->getManagedObjects();
    if (!reply.ok()) {
        co_return;
    }
    self->rememberAddresses(reply.value);
    // The adapter may have come before we listened for it.
    if (BluezProperties::firstAdapter(reply.value)) {
        Q_EMIT self->bluetoothServiceAppeared();
    }
}

void BluetoothDeviceManager::rememberAddresses(const Bluez::ManagedObjects &objects)
{
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it) {
        const auto device = it->constFind(Bluez::deviceInterface);
        if (device == it->constEnd()) {
            continue;
        }
        if (const auto address = BluezProperties::address(device->value(QStringLiteral("Address")))) {
            m_addresses.insert(it.key().path(), *address);
        }
    }
}

QCoro::Task<QList<Device>> BluetoothDeviceManager::getPairedDevices()
{
    if (m_mode == BluetoothSystemAccessMode::Disabled) {
        co_return QList<Device>{};
    }
    const auto self = shared_from_this();
    const BluezReply<Bluez::ManagedObjects> reply = co_await m_client->getManagedObjects();
    QList<Device> devices;
    if (!reply.ok()) {
        m_logger->debug(QStringLiteral("Unable to list Bluetooth devices: ") + reply.error.message());
        co_return devices;
    }
    rememberAddresses(reply.value);
    for (auto it = reply.value.constBegin(); it != reply.value.constEnd(); ++it) {
        const auto device = it->constFind(Bluez::deviceInterface);
        if (device == it->constEnd()) {
            continue;
        }
        const BluezDeviceProperties properties = BluezDeviceProperties::fromProperties(it.key().path(), *device);
        if (properties.paired) {
            devices.append(properties.toDevice(m_clock->now()));
        }
    }
    co_return devices;
}

QCoro::Task<> BluetoothDeviceManager::publishPairedDevices()
{
    const auto self = shared_from_this();
    const quint64 ticket = ++m_publicationTicket;
    const QList<Device> devices = co_await getPairedDevices();
    if (ticket == m_publicationTicket) {
        publish(devices);
    }
}

void BluetoothDeviceManager::publish(const QList<Device> &devices)
{
    m_published = true;
    m_pairedDevices = devices;
    Q_EMIT pairedDevicesChanged(m_pairedDevices);
}

QCoro::Task<> BluetoothDeviceManager::bootstrapBluetooth()
{
    const auto self = shared_from_this();
    co_await publishPairedDevices();
}

QCoro::Task<BluezReply<BluetoothDeviceManager::Snapshot>> BluetoothDeviceManager::snapshot(QString canonicalAddress)
{
    const BluezReply<Bluez::ManagedObjects> reply = co_await m_client->getManagedObjects();
    BluezReply<Snapshot> result;
    result.error = reply.error;
    if (reply.ok()) {
        rememberAddresses(reply.value);
        result.value.objects = reply.value;
        result.value.device = BluezDeviceProperties::find(reply.value, canonicalAddress);
    }
    co_return result;
}

QCoro::Task<ConnectionStatus> BluetoothDeviceManager::getConnectionStatus(Device device)
{
    const QString address = device.macAddress();
    if (m_mode == BluetoothSystemAccessMode::Disabled) {
        m_logger->debug(QStringLiteral("Bluetooth system access disabled, returning notPaired for device: ") + address);
        co_return ConnectionStatus::NotPaired;
    }
    const auto self = shared_from_this();
    const std::optional<QString> canonical = MacAddress::canonicalize(address);
    std::optional<BluezDeviceProperties> found;
    if (canonical) {
        const BluezReply<Snapshot> reply = co_await snapshot(*canonical);
        found = reply.value.device;
    }
    if (!found) {
        m_logger->warning(QStringLiteral("Failed to create BluetoothDevice from MAC address: ") + address);
        co_return ConnectionStatus::NotPaired;
    }
    co_return connectionStatusFromBluetooth(found->paired, found->connected);
}

QCoro::Task<OperationResult> BluetoothDeviceManager::pairDevice(QString macAddress)
{
    if (m_mode == BluetoothSystemAccessMode::Disabled) {
        co_return OperationResult::failure(disabledMessage, OperationFailureCategory::PermissionDenied);
    }
    const auto self = shared_from_this();
    m_logger->debug(QStringLiteral("Pairing device: ") + macAddress);
    const std::optional<QString> canonical = MacAddress::canonicalize(macAddress);
    if (!canonical) {
        m_logger->warning(invalidAddressMessage + macAddress);
        co_return OperationResult::failure(invalidAddressMessage + macAddress,
                                           OperationFailureCategory::ValidationFailed);
    }
    // One pairing at a time: bluetoothd talks to one agent about one device.
    while (m_pairingInProgress) {
        co_await qCoro(this, &BluetoothDeviceManager::pairingSlotFreed);
    }
    m_pairingInProgress = true;
    const OperationResult result = co_await performPairing(*canonical);
    m_pairingInProgress = false;
    Q_EMIT pairingSlotFreed();
    co_return result;
}

QCoro::Task<OperationResult> BluetoothDeviceManager::performPairing(QString address)
{
    const BluezReply<Snapshot> reply = co_await snapshot(address);
    if (!reply.ok()) {
        m_logger->warning(
            QStringLiteral("Unable to reach BlueZ while pairing %1: %2").arg(address, reply.error.message()));
        co_return busFailure(reply.error);
    }
    BluezDeviceProperties device;
    if (reply.value.device) {
        device = *reply.value.device;
    } else {
        // BlueZ forgets a device once its pairing is removed (on this or another computer).
        const Located located = co_await locateUnknownDevice(address, reply.value.objects);
        if (const auto *failure = std::get_if<OperationResult>(&located)) {
            co_return *failure;
        }
        device = std::get<BluezDeviceProperties>(located);
    }
    if (device.paired) {
        const OperationResult result = co_await alreadyPaired(address, device.path);
        co_return result;
    }
    const OperationResult result = co_await runPairingSession(address, device);
    co_return result;
}

QCoro::Task<BluetoothDeviceManager::Located> BluetoothDeviceManager::locateUnknownDevice(QString address,
                                                                                         Bluez::ManagedObjects objects)
{
    const std::optional<QString> adapter = BluezProperties::firstAdapter(objects);
    if (!adapter) {
        m_logger->warning(QStringLiteral("No Bluetooth adapter available to pair device: ") + address);
        co_return OperationResult::failure(QStringLiteral("No Bluetooth adapter is available"),
                                           OperationFailureCategory::NetworkUnavailable);
    }
    const QString busAddress = address.toUpper();
    const BluezReply<QString> created = co_await m_client->connectDeviceByAddress(*adapter, busAddress);
    if (created.ok()) {
        const BluezReply<Snapshot> reply = co_await snapshot(address);
        if (reply.value.device) {
            co_return *reply.value.device;
        }
    } else if (created.error.name() == notReadyError) {
        co_return adapterPoweredOff(address);
    } else {
        m_logger->debug(QStringLiteral("ConnectDevice unavailable for %1 (%2), searching for it instead")
                            .arg(address, created.error.name()));
    }
    const BluezReply<std::optional<BluezDeviceProperties>> discovered = co_await discover(address, *adapter);
    if (discovered.value) {
        co_return *discovered.value;
    }
    if (discovered.error.name() == notReadyError) {
        co_return adapterPoweredOff(address);
    }
    const QString message = BluetoothError::deviceNotFound(address).errorDescription();
    m_logger->warning(message);
    co_return OperationResult::failure(message, OperationFailureCategory::Timeout);
}

OperationResult BluetoothDeviceManager::adapterPoweredOff(const QString &address)
{
    // Searching cannot find anything with the radio off: say so instead of "not found".
    m_logger->warning(QStringLiteral("Bluetooth adapter is powered off, unable to pair device: ") + address);
    return OperationResult::failure(QStringLiteral("The Bluetooth adapter is powered off"),
                                    OperationFailureCategory::NetworkUnavailable);
}

QCoro::Task<BluezReply<std::optional<BluezDeviceProperties>>> BluetoothDeviceManager::discover(QString address,
                                                                                               QString adapterPath)
{
    BluezReply<std::optional<BluezDeviceProperties>> result;
    m_logger->debug(QStringLiteral("Searching for device: ") + address);
    const QVariantMap filter{{QStringLiteral("Transport"), QStringLiteral("auto")}};
    const QDBusError filterError = co_await m_client->setDiscoveryFilter(adapterPath, filter);
    if (filterError.isValid()) {
        m_logger->debug(QStringLiteral("Unable to set the discovery filter: ") + filterError.message());
    }
    result.error = co_await m_client->startDiscovery(adapterPath);
    if (!result.ok()) {
        m_logger->warning(QStringLiteral("Unable to start discovery: ") + result.error.message());
        co_return result;
    }
    for (double waited = 0; waited < m_timing.discoverySeconds && !result.value;
         waited += m_timing.discoveryPollSeconds) {
        co_await m_clock->sleep(m_timing.discoveryPollSeconds);
        const BluezReply<Snapshot> reply = co_await snapshot(address);
        result.value = reply.value.device;
    }
    const QDBusError stopError = co_await m_client->stopDiscovery(adapterPath);
    if (stopError.isValid()) {
        m_logger->debug(QStringLiteral("Unable to stop discovery: ") + stopError.message());
    }
    co_return result;
}

QCoro::Task<OperationResult> BluetoothDeviceManager::alreadyPaired(QString address, QString devicePath)
{
    m_logger->debug(QStringLiteral("Device is already paired: ") + address);
    const bool connected = co_await m_connectionSchedule.isConnected(devicePath);
    if (connected) {
        m_logger->debug(QStringLiteral("Device is already paired and connected: ") + address);
        co_return OperationResult::succeeded(QStringLiteral("Device is already paired and connected"));
    }
    m_logger->debug(QStringLiteral("Device is already paired but not connected: ") + address);
    co_return OperationResult::succeeded(QStringLiteral("Device is already paired"));
}

QCoro::Task<OperationResult> BluetoothDeviceManager::runPairingSession(QString address, BluezDeviceProperties device)
{
    m_logger->debug(QStringLiteral("Starting pairing process for device: ") + address);
    BluetoothPairingDelegate delegate(BluetoothPairingDelegate::defaultPin, {device.path, device.name, address},
                                      m_client.get(), *m_loggerFactory);
    if (!delegate.exportObject()) {
        co_return OperationResult::failure(QStringLiteral("Failed to create pairing session"),
                                           OperationFailureCategory::Unknown);
    }
    const QDBusError registerError
        = co_await m_client->registerAgent(BluetoothPairingDelegate::objectPath, BluetoothPairingDelegate::capability);
    const bool registered = !registerError.isValid();
    if (!registered && !PairingErrorMapping::isAlreadyPaired(registerError.name())) {
        // Pairing can still succeed without our agent when the device needs no input.
        m_logger->warning(QStringLiteral("Unable to register the pairing agent: ") + registerError.message());
    }
    m_logger->debug(QStringLiteral("Pairing started on Main Thread..."));
    const QDBusError pairError = co_await m_client->pairDevice(device.path, m_timing.pairCallTimeoutMs);
    if (pairError.type() == QDBusError::NoReply) {
        // We stopped waiting, bluetoothd did not: end its attempt so the next one is not refused as
        // already in progress.
        m_logger->warning(QStringLiteral("Pairing did not finish in time, cancelling it"));
        co_await m_client->cancelPairing(device.path);
    }
    if (registered) {
        co_await m_client->unregisterAgent(BluetoothPairingDelegate::objectPath);
    }
    delegate.unexportObject();

    if (pairError.isValid() && PairingErrorMapping::isAlreadyPaired(pairError.name())) {
        const OperationResult result = co_await alreadyPaired(address, device.path);
        co_return result;
    }
    const OperationResult result = delegate.pairingFinished(pairError);
    if (!result.success) {
        co_return result;
    }
    co_await m_clock->sleep(pairingSettleSeconds);

    const BluezReply<QVariant> paired
        = co_await m_client->getProperty(device.path, Bluez::deviceInterface, QStringLiteral("Paired"));
    if (!paired.value.toBool()) {
        m_logger->error(QStringLiteral("Pairing reported success but device is not paired"));
        co_return OperationResult::failure(QStringLiteral("Pairing reported success but device is not paired"),
                                           OperationFailureCategory::Unknown);
    }
    m_logger->info(QStringLiteral("Successfully paired with device: ") + address);
    // Trusted lets the device reconnect by itself later (input devices do).
    const QDBusError trustError
        = co_await m_client->setProperty(device.path, Bluez::deviceInterface, QStringLiteral("Trusted"), true);
    if (trustError.isValid()) {
        m_logger->warning(QStringLiteral("Unable to mark device %1 as trusted: %2").arg(address, trustError.message()));
    }
    m_logger->debug(QStringLiteral("Attempting to connect to newly paired device: ") + address);
    const bool connected = co_await m_connectionSchedule.connectWithRetries(address, device.path);
    co_await publishPairedDevices();
    if (connected) {
        m_logger->info(QStringLiteral("Device ") + address + QStringLiteral(" paired and connected successfully"));
        co_return OperationResult::succeeded(QStringLiteral("Device paired and connected successfully"));
    }
    m_logger->warning(QStringLiteral("Device ") + address
                      + QStringLiteral(" paired successfully but connection failed"));
    co_return OperationResult::succeeded(
        QStringLiteral("Device paired successfully but connection failed. You may need to manually connect later."));
}

QCoro::Task<OperationResult> BluetoothDeviceManager::unpairDevice(QString macAddress)
{
    if (m_mode == BluetoothSystemAccessMode::Disabled) {
        co_return OperationResult::failure(disabledMessage, OperationFailureCategory::PermissionDenied);
    }
    const auto self = shared_from_this();
    m_logger->debug(QStringLiteral("Unpairing device: ") + macAddress);
    const std::optional<QString> canonical = MacAddress::canonicalize(macAddress);
    std::optional<BluezDeviceProperties> device;
    if (canonical) {
        const BluezReply<Snapshot> reply = co_await snapshot(*canonical);
        if (!reply.ok()) {
            m_logger->warning(
                QStringLiteral("Unable to reach BlueZ while unpairing %1: %2").arg(macAddress, reply.error.message()));
            co_return busFailure(reply.error);
        }
        device = reply.value.device;
    }
    if (!device) {
        m_logger->warning(invalidAddressMessage + macAddress);
        co_return OperationResult::failure(invalidAddressMessage + macAddress,
                                           OperationFailureCategory::ValidationFailed);
    }
    const QString address = *canonical;
    if (!device->paired) {
        m_logger->debug(QStringLiteral("Device is not paired: ") + address);
        co_return OperationResult::failure(QStringLiteral("Device is not paired: ") + address,
                                           OperationFailureCategory::Conflict);
    }
    if (!device->adapterPath) {
        m_logger->error(QStringLiteral("Unpairing method not available for device: ") + address);
        co_return OperationResult::failure(QStringLiteral("Unpairing method not available for device: ") + address,
                                           OperationFailureCategory::UnsupportedDevice);
    }
    const QDBusError error = co_await m_client->removeDevice(*device->adapterPath, device->path);
    if (error.isValid()) {
        const QString message
            = BluetoothError::unpairingFailed(QStringLiteral("%1 (%2)").arg(error.name(), error.message()))
                  .errorDescription();
        m_logger->error(message);
        co_return OperationResult::failure(
            message,
            PairingErrorMapping::bluezFailureCategory(error.name()).value_or(OperationFailureCategory::Unknown));
    }
    m_logger->info(QStringLiteral("Successfully sent unpair command to device: ") + address);
    const quint64 ticket = ++m_publicationTicket;
    const QList<Device> remaining = co_await getPairedDevices();
    QStringList addresses;
    for (const Device &remainingDevice : remaining) {
        addresses.append(remainingDevice.macAddress());
    }
    m_logger->debug(QStringLiteral("Unpaired device: ") + address + QStringLiteral(", remaining devices: ")
                    + addresses.join(QStringLiteral(", ")));
    if (ticket == m_publicationTicket) {
        publish(remaining);
    }
    co_return OperationResult::succeeded(QStringLiteral("Device unpaired successfully"));
}

void BluetoothDeviceManager::onPropertiesChanged(const QString &path, const QString &interface,
                                                 const QVariantMap &changed)
{
    if (interface != Bluez::deviceInterface) {
        return;
    }
    const auto connected = changed.constFind(QStringLiteral("Connected"));
    if (connected == changed.constEnd()) {
        return;
    }
    if (const auto address = m_addresses.constFind(path); address != m_addresses.constEnd()) {
        emitConnectionChange(*address, connected->toBool());
        return;
    }
    publishConnectionChange(weak_from_this(), path, connected->toBool());
}

QCoro::Task<> BluetoothDeviceManager::publishConnectionChange(std::weak_ptr<BluetoothDeviceManager> weak, QString path,
                                                              bool connected)
{
    auto self = weak.lock();
    if (!self) {
        co_return;
    }
    const BluezReply<QVariant> reply
        = co_await self->m_client->getProperty(path, Bluez::deviceInterface, QStringLiteral("Address"));
    const std::optional<QString> address = BluezProperties::address(reply.value);
    if (!address) {
        co_return;
    }
    self->m_addresses.insert(path, *address);
    self->emitConnectionChange(*address, connected);
}

void BluetoothDeviceManager::emitConnectionChange(const QString &address, bool connected)
{
    m_logger->info((connected ? QStringLiteral("Device connected: ") : QStringLiteral("Device disconnected: "))
                   + address);
    Q_EMIT connectionStatusChanged(address,
                                   connected ? ConnectionStatus::Connected : ConnectionStatus::PairedNotConnected);
}

void BluetoothDeviceManager::onInterfacesAdded(const QString &path, const Bluez::InterfaceMap &interfaces)
{
    if (interfaces.contains(Bluez::adapterInterface)) {
        // A starting bluetoothd takes its name before its adapters appear, and brings their paired
        // devices along with them; so does an adapter that is plugged in.
        if (m_published) {
            refreshAddresses(weak_from_this(), true);
        }
        Q_EMIT bluetoothServiceAppeared();
    }
    const auto device = interfaces.constFind(Bluez::deviceInterface);
    if (device == interfaces.constEnd()) {
        return;
    }
    if (const auto address = BluezProperties::address(device->value(QStringLiteral("Address")))) {
        m_addresses.insert(path, *address);
    }
}

void BluetoothDeviceManager::forgetAllDevices()
{
    // A bluetoothd that exits or crashes takes its objects along without InterfacesRemoved; whatever
    // was known about them (a connection, above all) is no longer true.
    const QHash<QString, QString> addresses = std::exchange(m_addresses, {});
    for (const QString &address : addresses) {
        m_logger->debug(QStringLiteral("Device gone with bluetoothd: ") + address);
        Q_EMIT deviceRemoved(address);
    }
}

void BluetoothDeviceManager::onInterfacesRemoved(const QString &path, const QStringList &interfaces)
{
    if (!interfaces.contains(Bluez::deviceInterface)) {
        return;
    }
    const QString address = m_addresses.take(path);
    if (address.isEmpty()) {
        return;
    }
    m_logger->debug(QStringLiteral("Device removed by BlueZ: ") + address);
    Q_EMIT deviceRemoved(address);
}

} // namespace verandel
