#pragma once

#include "models/BluetoothRefreshSource.h"
#include "models/DevicesRefreshResult.h"
#include "models/SharedDevicesSource.h"

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "models/PermissionGuidanceConfiguration.h"
#include "records/DeviceClassifier.h"
#include "records/DeviceState.h"
#include "records/DeviceStorageServiceProtocol.h"
#include "telemetry/MetricsPublisherProtocol.h"

namespace verandel {

// The view model behind the Devices tab, and the list of allowed devices the Control Center shows. It
// joins the stored shared devices (allowed for transfer) with the devices the Bluetooth layer reports
// as paired, allows and stops devices, publishes one metrics event when a device is first allowed, and
// decides which Bluetooth card the tab shows. Devices match by exact address text.
//
// Two rebuilds of the lists may overlap (a refresh and a paired-list event, or two refreshes): each
// takes a generation when it reads its sources, and only the latest one assigns. Operations never
// throw: failures become errorMessage.
class DevicesViewModel : public SharedDevicesSource
{
    Q_OBJECT
    Q_PROPERTY(QList<verandel::DeviceState> verandelDevices READ verandelDevices NOTIFY verandelDevicesChanged)
    Q_PROPERTY(QList<verandel::DeviceState> otherDevices READ otherDevices NOTIFY otherDevicesChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)
    Q_PROPERTY(std::optional<verandel::BluetoothPermissionGuidanceState> bluetoothPermissionGuidanceState READ
                   bluetoothPermissionGuidanceState NOTIFY bluetoothPermissionGuidanceStateChanged)

public:
    DevicesViewModel(DeviceStorageServicePtr deviceStorageService, BluetoothDeviceManagerPtr discoveryService,
                     SystemPermissionCheckerPtr systemPermissionChecker, MetricsPublisherPtr metricsPublisher,
                     const QString &localInstallationId, std::shared_ptr<const DeviceClassifier> deviceClassifier,
                     ClockPtr clock, LoggerFactory &loggerFactory, QObject *parent = nullptr);

    // One entry per stored record, in the store's order, each shared.
    QList<DeviceState> verandelDevices() const override { return m_verandelDevices; }
    // One entry per paired device, in the Bluetooth layer's order; shared when a record has its address.
    QList<DeviceState> otherDevices() const { return m_otherDevices; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    // True while any refresh runs.
    bool isRefreshing() const { return m_runningRefreshes > 0; }
    std::optional<BluetoothPermissionGuidanceState> bluetoothPermissionGuidanceState() const
    {
        return m_bluetoothPermissionGuidanceState;
    }

    bool hasSharedDevices() const { return !m_verandelDevices.isEmpty(); }
    bool hasOtherDevices() const { return !m_otherDevices.isEmpty(); }
    // An allowed device that is paired counts twice.
    qsizetype totalDeviceCount() const { return m_verandelDevices.size() + m_otherDevices.size(); }
    qsizetype supportedDeviceCount() const;
    // A new configuration with new actions on every call; the actions do nothing once this is gone.
    std::optional<PermissionGuidanceConfiguration> permissionGuidanceConfiguration() const;

    QCoro::Task<DevicesRefreshResult> refreshDevices(BluetoothRefreshSource source);
    QCoro::Task<> refreshDevices();
    QCoro::Task<> startSharing(Device device);
    QCoro::Task<> stopSharing(Device device);
    QCoro::Task<> toggleDeviceSharing(DeviceState deviceState);

    QCoro::Task<> retryBluetoothPermissionGuidance();
    QCoro::Task<> continueBluetoothPermissionGuidance();
    // Without a settings program to start, the card says what to run instead.
    void openBluetoothSettings();
    void dismissBluetoothPermissionGuidance();
    void clearError();

    // Rebuilds the lists from a new paired-device list (the Bluetooth layer's announcement).
    QCoro::Task<> handleDevicesListUpdate(QList<Device> devices);

Q_SIGNALS:
    // verandelDevicesChanged() comes from SharedDevicesSource.
    void otherDevicesChanged();
    void errorMessageChanged();
    void isRefreshingChanged();
    void bluetoothPermissionGuidanceStateChanged();

private:
    struct Lists
    {
        QList<DeviceState> shared;
        QList<DeviceState> paired;
    };

    void subscribe();
    void handleConnectionStatusChange(const QString &macAddress, ConnectionStatus status);
    // Reads every device's status; touches no member, so it is safe across the view model's end.
    static QCoro::Task<Lists> processCombinedDevices(BluetoothDeviceManagerPtr bluetooth,
                                                     std::shared_ptr<const DeviceClassifier> classifier,
                                                     QList<Device> sharedDevices, QList<Device> discoveredDevices);
    void assignLists(quint64 generation, const Lists &lists);
    Device createSharedDevice(const Device &device);
    void endRefresh();

    void setErrorMessage(std::optional<QString> message);
    void setBluetoothPermissionGuidanceState(std::optional<BluetoothPermissionGuidanceState> state);

    LoggerPtr m_logger;
    DeviceStorageServicePtr m_deviceStorage;
    BluetoothDeviceManagerPtr m_discoveryService;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
    MetricsPublisherPtr m_metricsPublisher;
    QString m_localInstallationId;
    std::shared_ptr<const DeviceClassifier> m_deviceClassifier;
    ClockPtr m_clock;

    QList<DeviceState> m_verandelDevices;
    QList<DeviceState> m_otherDevices;
    std::optional<QString> m_errorMessage;
    int m_runningRefreshes = 0;
    std::optional<BluetoothPermissionGuidanceState> m_bluetoothPermissionGuidanceState;
    bool m_noBluetoothSettingsProgram = false;
    quint64 m_rebuildGeneration = 0;
};

} // namespace verandel
