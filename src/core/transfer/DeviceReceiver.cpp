#include "transfer/DeviceReceiver.h"

#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "transfer/HandOverWait.h"
#include "transfer/TransferFlowReport.h"

#include <QSet>

namespace verandel {

DeviceReceiver::DeviceReceiver(ControlCoordinator &coordinator, HandOverWait &handOverWait,
                               DeviceOwnershipServicePtr deviceOwnership, BluetoothDeviceManagerPtr bluetoothManager,
                               DeviceStorageServicePtr deviceStorage,
                               std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                               MetricsPublisherPtr metricsPublisher, LoggerPtr logger, ClockPtr clock)
    : m_coordinator(coordinator)
    , m_handOverWait(handOverWait)
    , m_deviceOwnership(std::move(deviceOwnership))
    , m_bluetoothManager(std::move(bluetoothManager))
    , m_deviceStorage(std::move(deviceStorage))
    , m_macIdentifierService(std::move(macIdentifierService))
    , m_metricsPublisher(std::move(metricsPublisher))
    , m_logger(std::move(logger))
    , m_clock(std::move(clock))
{ }

QList<TransferDeviceDescriptor>
DeviceReceiver::checkedDescriptors(const DevicesReadyForPairingReceivedEvent &event) const
{
    QList<TransferDeviceDescriptor> checked;
    QSet<QString> seen;
    for (const TransferDeviceDescriptor &descriptor : event.deviceDescriptors) {
        const QString &address = descriptor.macAddress;
        if (seen.contains(address)) {
            m_logger->warning(
                QStringLiteral("Skipping device %1 listed twice by Mac %2").arg(address, idText(event.senderMacId)));
            continue;
        }
        seen.insert(address);
        checked.append(descriptor);
    }
    return checked;
}

QCoro::Task<> DeviceReceiver::handleDevicesReadyForPairing(DevicesReadyForPairingReceivedEvent event)
{
    const auto self = m_coordinator.shared_from_this();
    const ControlCoordinator::RunningFlow running(self);
    if (!m_coordinator.acceptsTransactionId(event.transactionId, event.senderMacId, "devices ready for pairing")) {
        co_return;
    }
    const QString transactionId = event.transactionId;
    const QUuid sender = event.senderMacId;
    const QList<TransferDeviceDescriptor> descriptors = checkedDescriptors(event);
    LocalTakeControlPendingTargetsStore &pending = m_coordinator.m_localTakeControlPendingTargetsStore;
    const bool answersOwnRequest = pending.hasTransaction(transactionId);
    pending.markAnswered(transactionId, sender);
    const ControlCoordinator::FlowContext flow{
        transactionId,
        answersOwnRequest ? ControlTransferDirection::TakeControl : ControlTransferDirection::InboundTransfer, sender};
    QStringList savedAddresses;
    const auto finish = [&](const ControlTransferProgressStatus &status) {
        QStringList notPaired = TransferDeviceDescriptor::addressesOf(descriptors);
        for (const QString &address : std::as_const(savedAddresses)) {
            notPaired.removeOne(address);
        }
        m_coordinator.endFlow(flow, status, TransferFlowReport::pairedHereText(savedAddresses, notPaired));
        pending.clearTargetIfTerminal(transactionId, sender, status);
    };

    const SystemPermissionStatus permission = co_await m_coordinator.ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = ControlCoordinator::gateStop(permission)) {
        finish(*stop);
        co_return;
    }
    m_logger->info(QStringLiteral("Received devices ready for pairing from Mac %1: %2 device(s)")
                       .arg(idText(sender))
                       .arg(descriptors.size()));
    m_coordinator.publish(flow, ProgressStatus::PairingStarted{static_cast<int>(descriptors.size())});
    const QString localInstallation = m_macIdentifierService->installationId();
    const std::optional<QString> peerInstallation = m_coordinator.peerInstallationId(sender);
    if (!peerInstallation) {
        m_logger->error(QStringLiteral("Dropping devices ready for pairing: missing peer installationId for sender ")
                        + idText(sender));
        finish(ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    m_metricsPublisher->publish(MetricsEvent::devicesReadyForPairingReceived(
        localInstallation, m_clock->now(), *peerInstallation, static_cast<int>(descriptors.size())));
    if (descriptors.isEmpty()) {
        // Nothing will follow for this transfer: end it rather than leave the requester waiting.
        m_logger->info(QStringLiteral("Pairing completed: 0 paired, 0 failed"));
        finish(ProgressStatus::Failed{});
        co_return;
    }

    int pairedCount = 0;
    int failedCount = 0;
    std::optional<OperationFailureCategory> lastFailureCategory;
    QList<TransferDeviceDescriptor> savedDescriptors;
    for (const TransferDeviceDescriptor &descriptor : descriptors) {
        const QString address = descriptor.macAddress;
        const OperationResult result = co_await m_bluetoothManager->pairDevice(address);
        m_coordinator.publish(flow, ProgressStatus::PairResult{address, result.success, result.failureCategory});
        m_metricsPublisher->publish(MetricsEvent::devicePairResult(
            localInstallation, m_clock->now(), *peerInstallation, descriptor.telemetryDeviceId,
            TransferFlowReport::metricsResult(result), TransferFlowReport::metricsFailureReason(result),
            descriptor.deviceVendorID, descriptor.deviceProductID, descriptor.classOfDevice));
        if (result.success) {
            m_logger->debug(QStringLiteral("Successfully paired device with MAC address: ") + address);
            m_handOverWait.settleHandedDevice(address);
            const std::optional<QString> saved = co_await savePairedDeviceToRepository(descriptor);
            if (saved) {
                ++pairedCount;
                savedAddresses.append(*saved);
                savedDescriptors.append(descriptor);
                // The sender counts the device as handed over only once our ping lists it: tell it now.
                m_deviceOwnership->setOwner(m_coordinator.currentMacId(), {*saved});
                m_coordinator.forceHealthChecksOfLinkedMacs();
            } else {
                m_logger->warning(QStringLiteral("Pair succeeded for %1 but device was not persisted/reloaded on "
                                                 "destination; excluding from transfer success")
                                      .arg(address));
                ++failedCount;
            }
            continue;
        }
        m_logger->warning(QStringLiteral("Failed to pair device with MAC address %1: %2")
                              .arg(address, TransferFlowReport::messageOf(result)));
        ++failedCount;
        lastFailureCategory = result.failureCategory;
        if (lastFailureCategory == OperationFailureCategory::PermissionDenied) {
            co_await m_coordinator.refreshBluetoothPermissionGuidanceState();
            m_coordinator.publish(flow, ProgressStatus::UserActionRequired{});
            break;
        }
    }

    if (!savedAddresses.isEmpty()) {
        for (const TransferDeviceDescriptor &descriptor : std::as_const(savedDescriptors)) {
            m_metricsPublisher->publish(MetricsEvent::transferOwnershipUpdated(
                localInstallation, m_clock->now(), transactionId, descriptor.telemetryDeviceId,
                MetricsOwnershipState::Local, descriptor.deviceVendorID, descriptor.deviceProductID,
                descriptor.classOfDevice));
        }
        m_coordinator.publish(flow, ProgressStatus::OwnershipUpdated{static_cast<int>(savedAddresses.size())});
        m_logger->info(QStringLiteral("Updated ownership for %1 device(s)").arg(savedAddresses.size()));
    }
    m_logger->info(QStringLiteral("Pairing completed: %1 paired, %2 failed").arg(pairedCount).arg(failedCount));
    finish(pairedCount > 0 ? ControlTransferProgressStatus(ProgressStatus::Success{})
                           : TransferFlowReport::outcomeOfFailure(lastFailureCategory));
}

std::optional<Device> DeviceReceiver::findStoredDevice(const QString &address)
{
    try {
        const QList<Device> devices = m_deviceStorage->listDevices();
        for (const Device &device : devices) {
            if (device.macAddress() == address) {
                return device;
            }
        }
    } catch (const std::exception &) {
        // Counts as not stored: saving will meet the same error and report it.
    }
    return std::nullopt;
}

QCoro::Task<std::optional<QString>> DeviceReceiver::savePairedDeviceToRepository(TransferDeviceDescriptor descriptor)
{
    const auto self = m_coordinator.shared_from_this();
    const QString address = descriptor.macAddress;
    m_logger->debug(QStringLiteral("Saving paired device %1 to shared device repository").arg(address));
    const QList<Device> paired = co_await m_bluetoothManager->getPairedDevices();
    const auto listed = std::find_if(paired.cbegin(), paired.cend(),
                                     [&](const Device &device) { return device.macAddress() == address; });
    if (listed == paired.cend()) {
        m_logger->warning(
            QStringLiteral("Could not find device with MAC address %1 in available devices, skipping save")
                .arg(address));
        co_return std::nullopt;
    }
    const std::optional<Device> stored = findStoredDevice(address);
    const Device device(address, listed->name(), descriptor.telemetryDeviceId, listed->detectionAttributes(),
                        listed->timestamp());
    try {
        m_deviceStorage->saveOrUpdateDevice(device);
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to save device %1 to shared device repository: %2")
                            .arg(TransferFlowReport::nameText(device), describeError(error)));
        co_return std::nullopt;
    }
    if (!stored) {
        const std::optional<DeviceDetectionAttributes> &attributes = device.detectionAttributes();
        m_metricsPublisher->publish(MetricsEvent::sharedDeviceAdded(
            m_macIdentifierService->installationId(), m_clock->now(), descriptor.telemetryDeviceId,
            attributes ? attributes->vendorID : std::nullopt, attributes ? attributes->productID : std::nullopt,
            attributes ? attributes->classOfDevice : std::nullopt));
    }
    m_logger->info(QStringLiteral("Saved device %1 (%2) to shared device repository")
                       .arg(TransferFlowReport::nameText(device), address));
    co_return address;
}

} // namespace verandel
