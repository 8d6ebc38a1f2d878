#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "records/DeviceStorageServiceProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"
#include "telemetry/MetricsPublisherProtocol.h"
#include "transfer/ControlCoordinator.h"
#include "transfer/DeviceOwnershipService.h"

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

namespace verandel {

class HandOverWait;

// Pairs the devices another computer gave up and listed in a devices-ready command, one by one:
// stores each paired device as shared, makes this computer its owner and tells the linked computers
// at once. Part of ControlCoordinator, which owns it and publishes for it.
class DeviceReceiver
{
public:
    DeviceReceiver(ControlCoordinator &coordinator, HandOverWait &handOverWait,
                   DeviceOwnershipServicePtr deviceOwnership, BluetoothDeviceManagerPtr bluetoothManager,
                   DeviceStorageServicePtr deviceStorage,
                   std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                   MetricsPublisherPtr metricsPublisher, LoggerPtr logger, ClockPtr clock);

    QCoro::Task<> handleDevicesReadyForPairing(DevicesReadyForPairingReceivedEvent event);

private:
    QCoro::Task<std::optional<QString>> savePairedDeviceToRepository(TransferDeviceDescriptor descriptor);
    // Each address once; a device listed again is dropped with a warning.
    QList<TransferDeviceDescriptor> checkedDescriptors(const DevicesReadyForPairingReceivedEvent &event) const;
    // The stored shared device at that address.
    std::optional<Device> findStoredDevice(const QString &address);

    ControlCoordinator &m_coordinator;
    HandOverWait &m_handOverWait;
    DeviceOwnershipServicePtr m_deviceOwnership;
    BluetoothDeviceManagerPtr m_bluetoothManager;
    DeviceStorageServicePtr m_deviceStorage;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifierService;
    MetricsPublisherPtr m_metricsPublisher;
    LoggerPtr m_logger;
    ClockPtr m_clock;
};

} // namespace verandel
