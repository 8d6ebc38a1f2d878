#include "models/DevicesViewModel.h"

#include "models/PermissionGuidanceCards.h"

#include "foundation/LogText.h"
#include "foundation/UserFacingError.h"
#include "telemetry/TelemetryDeviceIdPolicy.h"

#include <QPointer>

#include <algorithm>

namespace verandel {

namespace {

qsizetype indexOfAddress(const QList<DeviceState> &states, const QString &macAddress)
{
    for (qsizetype i = 0; i < states.size(); ++i) {
        if (states.at(i).device().macAddress() == macAddress) {
            return i;
        }
    }
    return -1;
}

} // namespace

DevicesViewModel::DevicesViewModel(DeviceStorageServicePtr deviceStorageService,
                                   BluetoothDeviceManagerPtr discoveryService,
                                   SystemPermissionCheckerPtr systemPermissionChecker,
                                   MetricsPublisherPtr metricsPublisher, const QString &localInstallationId,
                                   std::shared_ptr<const DeviceClassifier> deviceClassifier, ClockPtr clock,
                                   LoggerFactory &loggerFactory, QObject *parent)
    : SharedDevicesSource(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("DevicesViewModel")))
    , m_deviceStorage(std::move(deviceStorageService))
    , m_discoveryService(std::move(discoveryService))
    , m_systemPermissionChecker(std::move(systemPermissionChecker))
    , m_metricsPublisher(std::move(metricsPublisher))
    , m_localInstallationId(localInstallationId.toLower())
    , m_deviceClassifier(std::move(deviceClassifier))
    , m_clock(std::move(clock))
{
    subscribe();
}

void DevicesViewModel::subscribe()
{
    // Queued: the Bluetooth layer may announce from inside one of our own calls.
    connect(
        m_discoveryService.get(), &BluetoothDeviceManagerProtocol::pairedDevicesChanged, this,
        [this](const QList<Device> &devices) { handleDevicesListUpdate(devices); }, Qt::QueuedConnection);
    connect(m_discoveryService.get(), &BluetoothDeviceManagerProtocol::connectionStatusChanged, this,
            &DevicesViewModel::handleConnectionStatusChange, Qt::QueuedConnection);
}

qsizetype DevicesViewModel::supportedDeviceCount() const
{
    const auto supported = [](const DeviceState &state) { return state.isSupported(); };
    return std::count_if(m_verandelDevices.cbegin(), m_verandelDevices.cend(), supported)
        + std::count_if(m_otherDevices.cbegin(), m_otherDevices.cend(), supported);
}

// Refresh ------------------------------------------------------------------------------------------

QCoro::Task<> DevicesViewModel::refreshDevices()
{
    co_await refreshDevices(BluetoothRefreshSource::UserInitiated);
}

QCoro::Task<DevicesRefreshResult> DevicesViewModel::refreshDevices(BluetoothRefreshSource source)
{
    const QPointer<DevicesViewModel> self(this);
    const SystemPermissionCheckerPtr checker = m_systemPermissionChecker;
    const BluetoothDeviceManagerPtr bluetooth = m_discoveryService;
    const std::shared_ptr<const DeviceClassifier> classifier = m_deviceClassifier;

    m_logger->debug(QStringLiteral("Refreshing devices from source: ") + toString(source));
    ++m_runningRefreshes;
    Q_EMIT isRefreshingChanged();
    setErrorMessage(std::nullopt);

    const SystemPermissionStatus access = co_await checker->refreshBluetoothAccess();
    if (!self) {
        co_return DevicesRefreshResult::refreshed();
    }
    if (const std::optional<BluetoothPermissionGuidanceState> card = PermissionGuidanceCards::bluetoothState(access)) {
        // The lists keep what they show; nothing is read without access.
        setBluetoothPermissionGuidanceState(card);
        endRefresh();
        co_return DevicesRefreshResult::blocked(*card);
    }
    setBluetoothPermissionGuidanceState(std::nullopt);
    QList<Device> stored;
    try {
        stored = m_deviceStorage->listDevices();
    } catch (const std::exception &error) {
        setErrorMessage(QStringLiteral("Failed to refresh devices: ") + userDescription(error));
        endRefresh();
        co_return DevicesRefreshResult::refreshed();
    }
    const quint64 generation = ++m_rebuildGeneration;
    const QList<Device> paired = co_await bluetooth->getPairedDevices();
    const Lists lists = co_await processCombinedDevices(bluetooth, classifier, stored, paired);
    if (!self) {
        co_return DevicesRefreshResult::refreshed();
    }
    assignLists(generation, lists);
    endRefresh();
    co_return DevicesRefreshResult::refreshed();
}

void DevicesViewModel::endRefresh()
{
    --m_runningRefreshes;
    Q_EMIT isRefreshingChanged();
}

QCoro::Task<> DevicesViewModel::handleDevicesListUpdate(QList<Device> devices)
{
    const QPointer<DevicesViewModel> self(this);
    const BluetoothDeviceManagerPtr bluetooth = m_discoveryService;
    const std::shared_ptr<const DeviceClassifier> classifier = m_deviceClassifier;

    m_logger->debug(QStringLiteral("Handling device list update with %1 devices").arg(devices.size()));
    QList<Device> stored;
    try {
        stored = m_deviceStorage->listDevices();
    } catch (const std::exception &error) {
        setErrorMessage(QStringLiteral("Failed to update devices: ") + userDescription(error));
        co_return;
    }
    const quint64 generation = ++m_rebuildGeneration;
    const Lists lists = co_await processCombinedDevices(bluetooth, classifier, stored, devices);
    if (self) {
        assignLists(generation, lists);
    }
}

QCoro::Task<DevicesViewModel::Lists>
DevicesViewModel::processCombinedDevices(BluetoothDeviceManagerPtr bluetooth,
                                         std::shared_ptr<const DeviceClassifier> classifier,
                                         QList<Device> sharedDevices, QList<Device> discoveredDevices)
{
    Lists lists;
    for (const Device &device : std::as_const(sharedDevices)) {
        const ConnectionStatus status = co_await bluetooth->getConnectionStatus(device);
        const DeviceClassification kind = classifier->classifyAndCheckSupport(device);
        lists.shared.append(DeviceState(device, status, SharingStatus::Shared, kind.isSupported, kind.type));
    }
    for (const Device &device : std::as_const(discoveredDevices)) {
        const ConnectionStatus status = co_await bluetooth->getConnectionStatus(device);
        const DeviceClassification kind = classifier->classifyAndCheckSupport(device);
        const bool stored = std::any_of(sharedDevices.cbegin(), sharedDevices.cend(), [&device](const Device &record) {
            return record.macAddress() == device.macAddress();
        });
        lists.paired.append(DeviceState(device, status, stored ? SharingStatus::Shared : SharingStatus::Local,
                                        kind.isSupported, kind.type));
    }
    co_return lists;
}

void DevicesViewModel::assignLists(quint64 generation, const Lists &lists)
{
    // A rebuild that read its sources before a later one started would show older lists over newer.
    if (generation != m_rebuildGeneration) {
        m_logger->debug(QStringLiteral("Dropping device lists of an earlier rebuild"));
        return;
    }
    m_verandelDevices = lists.shared;
    Q_EMIT verandelDevicesChanged();
    m_otherDevices = lists.paired;
    Q_EMIT otherDevicesChanged();
}

void DevicesViewModel::handleConnectionStatusChange(const QString &macAddress, ConnectionStatus status)
{
    const QString address = escapeControlCharacters(macAddress);
    const QString text = displayName(status);
    m_logger->debug(QStringLiteral("Handling connection status change for ") + address + QStringLiteral(": ") + text);
    const qsizetype shared = indexOfAddress(m_verandelDevices, macAddress);
    if (shared >= 0) {
        m_verandelDevices[shared] = m_verandelDevices.at(shared).withConnectionStatus(status);
        Q_EMIT verandelDevicesChanged();
        m_logger->debug(QStringLiteral("Updated verandelDevices[%1] connection status to ").arg(shared) + text);
    }
    const qsizetype paired = indexOfAddress(m_otherDevices, macAddress);
    if (paired >= 0) {
        m_otherDevices[paired] = m_otherDevices.at(paired).withConnectionStatus(status);
        Q_EMIT otherDevicesChanged();
        m_logger->debug(QStringLiteral("Updated otherDevices[%1] connection status to ").arg(paired) + text);
    }
}

// Allowing and stopping ----------------------------------------------------------------------------

QCoro::Task<> DevicesViewModel::toggleDeviceSharing(DeviceState deviceState)
{
    m_logger->debug(QStringLiteral("Toggling device sharing for ") + escapeControlCharacters(deviceState.name()));
    if (deviceState.isShared()) {
        co_await stopSharing(deviceState.device());
    } else {
        co_await startSharing(deviceState.device());
    }
}

QCoro::Task<> DevicesViewModel::startSharing(Device device)
{
    try {
        if (m_deviceStorage->getDeviceByMacAddress(device.macAddress())) {
            m_deviceStorage->saveOrUpdateDevice(device);
        } else {
            const Device created = createSharedDevice(device);
            const std::optional<DeviceDetectionAttributes> attributes = created.detectionAttributes();
            m_metricsPublisher->publish(MetricsEvent::sharedDeviceAdded(
                m_localInstallationId, m_clock->now(), created.telemetryDeviceId(),
                attributes ? attributes->vendorID : std::nullopt, attributes ? attributes->productID : std::nullopt,
                attributes ? attributes->classOfDevice : std::nullopt));
        }
    } catch (const std::exception &error) {
        setErrorMessage(QStringLiteral("Failed to update device sharing: ") + userDescription(error));
        co_return;
    }
    co_await refreshDevices(BluetoothRefreshSource::UserInitiated);
}

Device DevicesViewModel::createSharedDevice(const Device &device)
{
    const DeviceInput input{device.macAddress(), device.name(), TelemetryDeviceIdPolicy::newStoredDeviceId(),
                            device.detectionAttributes()};
    return m_deviceStorage->addDevice(input);
}

QCoro::Task<> DevicesViewModel::stopSharing(Device device)
{
    bool removed = false;
    try {
        removed = m_deviceStorage->deleteDeviceByMacAddress(device.macAddress());
    } catch (const std::exception &error) {
        setErrorMessage(QStringLiteral("Failed to update device sharing: ") + userDescription(error));
        co_return;
    }
    if (!removed) {
        setErrorMessage(QStringLiteral("Failed to remove device from sharing"));
        co_return;
    }
    co_await refreshDevices(BluetoothRefreshSource::UserInitiated);
}

// Bluetooth card -----------------------------------------------------------------------------------

std::optional<PermissionGuidanceConfiguration> DevicesViewModel::permissionGuidanceConfiguration() const
{
    if (!m_bluetoothPermissionGuidanceState) {
        return std::nullopt;
    }
    // The actions run later, on a user's click, and change the model then; reading it changes nothing.
    const QPointer<DevicesViewModel> self(const_cast<DevicesViewModel *>(this));
    PermissionGuidanceActions actions;
    actions.proceed = [self] {
        if (self) {
            self->continueBluetoothPermissionGuidance();
        }
    };
    actions.dismiss = [self] {
        if (self) {
            self->dismissBluetoothPermissionGuidance();
        }
    };
    actions.openSettings = [self] {
        if (self) {
            self->openBluetoothSettings();
        }
    };
    actions.retry = [self] {
        if (self) {
            self->retryBluetoothPermissionGuidance();
        }
    };
    const PermissionGuidanceConfiguration card
        = PermissionGuidanceCards::bluetoothDevices(*m_bluetoothPermissionGuidanceState, actions);
    return m_noBluetoothSettingsProgram ? PermissionGuidanceCards::withoutBluetoothSettingsProgram(card) : card;
}

QCoro::Task<> DevicesViewModel::retryBluetoothPermissionGuidance()
{
    const QPointer<DevicesViewModel> self(this);
    const SystemPermissionCheckerPtr checker = m_systemPermissionChecker;
    const SystemPermissionStatus status = co_await checker->refreshBluetoothAccess();
    if (self) {
        setBluetoothPermissionGuidanceState(PermissionGuidanceCards::bluetoothState(status));
    }
}

QCoro::Task<> DevicesViewModel::continueBluetoothPermissionGuidance()
{
    const QPointer<DevicesViewModel> self(this);
    const SystemPermissionCheckerPtr checker = m_systemPermissionChecker;
    const SystemPermissionStatus status = co_await checker->requestBluetoothAccess();
    if (self) {
        setBluetoothPermissionGuidanceState(PermissionGuidanceCards::bluetoothState(status));
    }
}

void DevicesViewModel::openBluetoothSettings()
{
    if (!m_systemPermissionChecker->openBluetoothSettings() && !m_noBluetoothSettingsProgram) {
        m_noBluetoothSettingsProgram = true;
        Q_EMIT bluetoothPermissionGuidanceStateChanged();
    }
}

void DevicesViewModel::dismissBluetoothPermissionGuidance()
{
    setBluetoothPermissionGuidanceState(std::nullopt);
}

void DevicesViewModel::clearError()
{
    setErrorMessage(std::nullopt);
}

// Published values ---------------------------------------------------------------------------------

void DevicesViewModel::setErrorMessage(std::optional<QString> message)
{
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}

void DevicesViewModel::setBluetoothPermissionGuidanceState(std::optional<BluetoothPermissionGuidanceState> state)
{
    m_bluetoothPermissionGuidanceState = state;
    Q_EMIT bluetoothPermissionGuidanceStateChanged();
}

} // namespace verandel
