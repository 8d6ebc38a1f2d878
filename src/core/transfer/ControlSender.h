#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "peer/PeerCommunicationHub.h"
#include "peer/PeerDirectoryServiceProtocol.h"
#include "records/DeviceStorageServiceProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"
#include "telemetry/MetricsPublisherProtocol.h"
#include "transfer/ControlCoordinator.h"

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

namespace verandel {

class HandOverWait;

// Gives this computer's connected shared devices to another computer: when the user sends control,
// and when another computer asks for them with a transfer request. Unpairs them one by one and sends
// those unpaired to the peer; the hand-over wait then waits for the peer's confirmation. Part of
// ControlCoordinator, which owns it and publishes for it.
class ControlSender
{
public:
    using FlowContext = ControlCoordinator::FlowContext;

    ControlSender(ControlCoordinator &coordinator, HandOverWait &handOverWait,
                  std::shared_ptr<PeerCommunicationHub> eventHub, BluetoothDeviceManagerPtr bluetoothManager,
                  DeviceStorageServicePtr deviceStorage,
                  std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                  std::shared_ptr<PeerDirectoryServiceProtocol> peerDirectory, MetricsPublisherPtr metricsPublisher,
                  LoggerPtr logger, ClockPtr clock);

    QCoro::Task<> performSendControl(QUuid targetMacId);
    QCoro::Task<> handleInboundTransferRequest(TransferRequestReceivedEvent event);

private:
    // What unpairing for a transfer achieved.
    struct UnpairSummary
    {
        // One per device unpaired, in order.
        QList<TransferDeviceDescriptor> unpairedDescriptors;
        bool permissionDenied = false;
        std::optional<OperationFailureCategory> lastFailureCategory;
    };

    // The stored shared devices that Bluetooth reports connected, in store order.
    QCoro::Task<QList<Device>> getConnectedSharedDevices();
    QCoro::Task<UnpairSummary> unpairConnectedSharedDevicesForTransfer(QList<Device> devices,
                                                                       QString localInstallationId,
                                                                       QString peerInstallationId, FlowContext flow);
    // Unpairs the devices, sends those unpaired to the peer and waits for the delivery; when it
    // fails, pairs them here again rather than lose them; when it succeeds, leaves the outcome to the
    // wait for the peer's confirmation. Publishes every step.
    QCoro::Task<> giveUpDevices(FlowContext flow, QList<Device> devices, QString peerInstallationId,
                                QString recipientLabel);

    ControlCoordinator &m_coordinator;
    HandOverWait &m_handOverWait;
    std::shared_ptr<PeerCommunicationHub> m_eventHub;
    BluetoothDeviceManagerPtr m_bluetoothManager;
    DeviceStorageServicePtr m_deviceStorage;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifierService;
    std::shared_ptr<PeerDirectoryServiceProtocol> m_peerDirectory;
    MetricsPublisherPtr m_metricsPublisher;
    LoggerPtr m_logger;
    ClockPtr m_clock;
};

} // namespace verandel
