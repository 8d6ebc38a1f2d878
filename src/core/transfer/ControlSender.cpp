#include "transfer/ControlSender.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "transfer/HandOverWait.h"
#include "transfer/TransferFlowReport.h"

namespace verandel {

ControlSender::ControlSender(ControlCoordinator &coordinator, HandOverWait &handOverWait,
                             std::shared_ptr<PeerCommunicationHub> eventHub, BluetoothDeviceManagerPtr bluetoothManager,
                             DeviceStorageServicePtr deviceStorage,
                             std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                             std::shared_ptr<PeerDirectoryServiceProtocol> peerDirectory,
                             MetricsPublisherPtr metricsPublisher, LoggerPtr logger, ClockPtr clock)
    : m_coordinator(coordinator)
    , m_handOverWait(handOverWait)
    , m_eventHub(std::move(eventHub))
    , m_bluetoothManager(std::move(bluetoothManager))
    , m_deviceStorage(std::move(deviceStorage))
    , m_macIdentifierService(std::move(macIdentifierService))
    , m_peerDirectory(std::move(peerDirectory))
    , m_metricsPublisher(std::move(metricsPublisher))
    , m_logger(std::move(logger))
    , m_clock(std::move(clock))
{ }

QCoro::Task<> ControlSender::performSendControl(QUuid targetMacId)
{
    const auto self = m_coordinator.shared_from_this();
    const ControlCoordinator::RunningFlow running(self);
    const FlowContext flow{ControlCoordinator::newTransactionId(), ControlTransferDirection::SendControl, targetMacId};
    const SystemPermissionStatus permission = co_await m_coordinator.ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = ControlCoordinator::gateStop(permission)) {
        m_coordinator.endFlow(flow, *stop);
        co_return;
    }
    const std::optional<QString> peerInstallation = m_coordinator.peerInstallationId(targetMacId);
    if (!peerInstallation) {
        m_logger->warning(QStringLiteral("Skipping send control: target peer is not connected ") + idText(targetMacId));
        m_coordinator.endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    // Devices unpaired for a computer that cannot be reached would only have to be paired again.
    if (!m_peerDirectory->isEligible(targetMacId)) {
        m_logger->warning(QStringLiteral("Skipping send control: target peer is not reachable ") + idText(targetMacId));
        m_coordinator.endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    const QList<Device> devices = co_await getConnectedSharedDevices();
    if (devices.isEmpty()) {
        m_logger->debug(QStringLiteral("No connected shared devices to send to Mac ") + idText(targetMacId));
        m_coordinator.endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::NoConnectedSharedDevices});
        co_return;
    }
    m_logger->info(
        QStringLiteral("Sending control of %1 device(s) to Mac %2").arg(devices.size()).arg(idText(targetMacId)));
    const QString recipientLabel = QStringLiteral("Mac");
    co_await giveUpDevices(flow, devices, *peerInstallation, recipientLabel);
}

QCoro::Task<> ControlSender::handleInboundTransferRequest(TransferRequestReceivedEvent event)
{
    const auto self = m_coordinator.shared_from_this();
    const ControlCoordinator::RunningFlow running(self);
    if (!m_coordinator.acceptsTransactionId(event.transactionId, event.senderMacId, "transfer request")) {
        co_return;
    }
    const FlowContext flow{event.transactionId, ControlTransferDirection::InboundTransfer, event.senderMacId};
    m_coordinator.publish(flow, ProgressStatus::InboundTransferRequestReceived{});
    const SystemPermissionStatus permission = co_await m_coordinator.ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = ControlCoordinator::gateStop(permission)) {
        m_coordinator.endFlow(flow, *stop);
        co_return;
    }
    const QString requester = idText(event.senderMacId);
    const std::optional<QString> peerInstallation = m_coordinator.peerInstallationId(event.senderMacId);
    if (!peerInstallation) {
        m_logger->warning(QStringLiteral("Skipping inbound transfer request: requester peer is not connected ")
                          + requester);
        m_coordinator.endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    const QList<Device> devices = co_await getConnectedSharedDevices();
    if (devices.isEmpty()) {
        m_logger->debug(QStringLiteral("No connected shared devices to transfer to requester ") + requester);
        m_coordinator.endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::NoConnectedSharedDevices});
        co_return;
    }
    m_logger->info(
        QStringLiteral("Transferring control of %1 device(s) to requester %2").arg(devices.size()).arg(requester));
    const QString recipientLabel = QStringLiteral("requester");
    co_await giveUpDevices(flow, devices, *peerInstallation, recipientLabel);
    m_logger->debug(QStringLiteral("Processed transfer request from ") + requester);
}

QCoro::Task<QList<Device>> ControlSender::getConnectedSharedDevices()
{
    const auto self = m_coordinator.shared_from_this();
    QList<Device> stored;
    try {
        stored = m_deviceStorage->listDevices();
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to get connected shared devices: ") + describeError(error));
        co_return QList<Device>();
    }
    QList<Device> connected;
    for (const Device &device : std::as_const(stored)) {
        const ConnectionStatus status = co_await m_bluetoothManager->getConnectionStatus(device);
        if (status == ConnectionStatus::Connected) {
            connected.append(device);
        }
    }
    co_return connected;
}

QCoro::Task<ControlSender::UnpairSummary>
ControlSender::unpairConnectedSharedDevicesForTransfer(QList<Device> devices, QString localInstallationId,
                                                       QString peerInstallationId, FlowContext flow)
{
    const auto self = m_coordinator.shared_from_this();
    UnpairSummary summary;
    for (const Device &device : std::as_const(devices)) {
        const TransferDeviceDescriptor descriptor = TransferDeviceDescriptor::fromDevice(device);
        const QString address = descriptor.macAddress;
        m_metricsPublisher->publish(MetricsEvent::transferRequested(
            localInstallationId, m_clock->now(), peerInstallationId, flow.transactionId, device.telemetryDeviceId(),
            descriptor.deviceVendorID, descriptor.deviceProductID, descriptor.classOfDevice));
        const OperationResult result = co_await m_bluetoothManager->unpairDevice(address);
        m_coordinator.publish(flow, ProgressStatus::UnpairResult{address, result.success, result.failureCategory});
        m_metricsPublisher->publish(MetricsEvent::deviceUnpairResult(
            localInstallationId, m_clock->now(), device.telemetryDeviceId(), TransferFlowReport::metricsResult(result),
            TransferFlowReport::metricsFailureReason(result), descriptor.deviceVendorID, descriptor.deviceProductID,
            descriptor.classOfDevice));
        if (result.success) {
            m_logger->debug(QStringLiteral("Successfully unpaired device %1 (%2)")
                                .arg(TransferFlowReport::nameText(device), address));
            summary.unpairedDescriptors.append(descriptor);
            continue;
        }
        m_logger->warning(
            QStringLiteral("Failed to unpair device %1 (%2): %3")
                .arg(TransferFlowReport::nameText(device), address, TransferFlowReport::messageOf(result)));
        summary.lastFailureCategory = result.failureCategory;
        if (result.failureCategory == OperationFailureCategory::PermissionDenied) {
            summary.permissionDenied = true;
            co_await m_coordinator.refreshBluetoothPermissionGuidanceState();
            break;
        }
    }
    co_return summary;
}

QCoro::Task<> ControlSender::giveUpDevices(FlowContext flow, QList<Device> devices, QString peerInstallationId,
                                           QString recipientLabel)
{
    const auto self = m_coordinator.shared_from_this();
    m_coordinator.publish(flow, ProgressStatus::OperationStarted{});
    m_coordinator.publish(flow, ProgressStatus::UnpairingStarted{static_cast<int>(devices.size())});
    const QString localInstallation = m_macIdentifierService->installationId();
    const UnpairSummary summary
        = co_await unpairConnectedSharedDevicesForTransfer(devices, localInstallation, peerInstallationId, flow);
    const QList<TransferDeviceDescriptor> &descriptors = summary.unpairedDescriptors;
    if (descriptors.isEmpty()) {
        m_logger->info(QStringLiteral("No devices were successfully unpaired, not sending devices ready command"));
        m_coordinator.endFlow(flow, TransferFlowReport::outcomeOfFailure(summary.lastFailureCategory),
                              TransferFlowReport::handedOverText({}, {}));
        co_return;
    }
    const QUuid recipient = *flow.peerMacId;
    const QStringList addresses = TransferDeviceDescriptor::addressesOf(descriptors);
    const HandOverWait::HandOverPtr handOver = m_handOverWait.open(flow, addresses);
    DevicesReadyForPairingCommand command(recipient, flow.transactionId, descriptors);
    const bool delivered = co_await m_eventHub->send(std::move(command));
    if (delivered) {
        m_coordinator.publish(flow, ProgressStatus::DevicesReadySent{static_cast<int>(descriptors.size())});
        m_logger->info(QStringLiteral("Sent devices ready command to %1 %2 for %3 device(s)")
                           .arg(recipientLabel, idText(recipient))
                           .arg(descriptors.size()));
        m_handOverWait.awaitReceiver(handOver);
        co_return;
    }
    m_handOverWait.drop(handOver);
    // Nobody else will pair them: the devices come back here rather than being lost.
    m_logger->error(QStringLiteral("Devices ready command to %1 %2 was not delivered; pairing %3 device(s) here again")
                        .arg(recipientLabel, idText(recipient))
                        .arg(descriptors.size()));
    const HandOverWait::PairedBack back = co_await m_handOverWait.pairBack(flow, addresses);
    m_coordinator.endFlow(flow, ProgressStatus::Failed{OperationFailureCategory::PeerUnavailable},
                          TransferFlowReport::handedOverText({}, back.paired, back.failed));
}

} // namespace verandel
