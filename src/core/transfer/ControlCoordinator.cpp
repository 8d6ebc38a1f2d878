#include "transfer/ControlCoordinator.h"

#include "foundation/CancellationError.h"
#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "records/MacAddress.h"

#include <QSet>

namespace verandel {

namespace {

QString newTransactionId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

std::optional<BluetoothPermissionGuidanceState> guidanceFor(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown: return BluetoothPermissionGuidanceState::Preflight;
    case SystemPermissionStatus::Authorized: return std::nullopt;
    case SystemPermissionStatus::Denied: return BluetoothPermissionGuidanceState::DeniedRecovery;
    }
    return std::nullopt;
}

MetricsFailureReason failureReason(std::optional<OperationFailureCategory> category)
{
    if (!category) {
        return MetricsFailureReason::Unknown;
    }
    switch (*category) {
    case OperationFailureCategory::Timeout: return MetricsFailureReason::Timeout;
    case OperationFailureCategory::Cancelled: return MetricsFailureReason::Cancelled;
    case OperationFailureCategory::PermissionDenied: return MetricsFailureReason::PermissionDenied;
    case OperationFailureCategory::NetworkUnavailable: return MetricsFailureReason::NetworkUnavailable;
    case OperationFailureCategory::PeerUnavailable: return MetricsFailureReason::PeerUnavailable;
    case OperationFailureCategory::ValidationFailed: return MetricsFailureReason::ValidationFailed;
    case OperationFailureCategory::UnsupportedDevice: return MetricsFailureReason::UnsupportedDevice;
    case OperationFailureCategory::Conflict: return MetricsFailureReason::Conflict;
    case OperationFailureCategory::Unknown: return MetricsFailureReason::Unknown;
    }
    return MetricsFailureReason::Unknown;
}

MetricsResult metricsResult(const OperationResult &result)
{
    return result.success ? MetricsResult::Success : MetricsResult::Failure;
}

std::optional<MetricsFailureReason> metricsFailureReason(const OperationResult &result)
{
    return result.success ? std::nullopt : std::optional(failureReason(result.failureCategory));
}

// How a transfer ends when no device made it, by the category of the last failure.
ControlTransferProgressStatus outcomeOfFailure(std::optional<OperationFailureCategory> lastFailureCategory)
{
    if (lastFailureCategory == OperationFailureCategory::PermissionDenied) {
        return ProgressStatus::UserActionRequired{};
    }
    if (lastFailureCategory == OperationFailureCategory::Cancelled) {
        return ProgressStatus::Cancelled{};
    }
    return ProgressStatus::Failed{lastFailureCategory};
}

// Device names come from the devices themselves.
QString nameText(const Device &device)
{
    return escapeControlCharacters(device.name());
}

QString messageOf(const OperationResult &result)
{
    return result.message.value_or(QStringLiteral("Unknown error"));
}

QString addressList(const QStringList &addresses)
{
    return addresses.isEmpty() ? QStringLiteral("none") : addresses.join(QStringLiteral(", "));
}

QStringList addressesOf(const QList<TransferDeviceDescriptor> &descriptors)
{
    QStringList addresses;
    for (const TransferDeviceDescriptor &descriptor : descriptors) {
        addresses.append(descriptor.macAddress);
    }
    return addresses;
}

// What became of the devices a flow gave up, for the line that ends it.
QString handedOverText(const QStringList &confirmed, const QStringList &pairedBack,
                       const QStringList &notPairedBack = {})
{
    QString text
        = QStringLiteral("confirmed: %1; paired back: %2").arg(addressList(confirmed), addressList(pairedBack));
    if (!notPairedBack.isEmpty()) {
        text += QStringLiteral("; failed to pair back: ") + addressList(notPairedBack);
    }
    return text;
}

// What became of the devices a flow was given.
QString pairedHereText(const QStringList &paired, const QStringList &notPaired)
{
    return QStringLiteral("paired here: %1; not paired: %2").arg(addressList(paired), addressList(notPaired));
}

} // namespace

ControlCoordinator::ControlCoordinator(
    std::shared_ptr<PeerCommunicationHub> eventHub, DeviceOwnershipServicePtr deviceOwnership,
    BluetoothDeviceManagerPtr bluetoothManager, SystemPermissionCheckerPtr systemPermissionChecker,
    ConnectedMacStorageServicePtr connectedMacStorage, DeviceStorageServicePtr deviceStorage,
    std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService, ConnectionMonitorServicePtr connectionMonitor,
    std::shared_ptr<PeerDirectoryServiceProtocol> peerDirectory, MetricsPublisherPtr metricsPublisher,
    LoggerFactory &loggerFactory, ClockPtr clock, QObject *parent)
    : QObject(parent)
    , m_eventHub(std::move(eventHub))
    , m_deviceOwnership(std::move(deviceOwnership))
    , m_bluetoothManager(std::move(bluetoothManager))
    , m_systemPermissionChecker(std::move(systemPermissionChecker))
    , m_connectedMacStorage(std::move(connectedMacStorage))
    , m_deviceStorage(std::move(deviceStorage))
    , m_macIdentifierService(std::move(macIdentifierService))
    , m_connectionMonitor(std::move(connectionMonitor))
    , m_peerDirectory(std::move(peerDirectory))
    , m_metricsPublisher(std::move(metricsPublisher))
    , m_logger(loggerFactory.createLogger(QStringLiteral("ControlCoordinator")))
    , m_clock(std::move(clock))
{
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedTransferRequests, this,
            [this](const TransferRequestReceivedEvent &event) { handleInboundTransferRequest(event); });
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedDevicesReadyEvents, this,
            [this](const DevicesReadyForPairingReceivedEvent &event) { handleDevicesReadyForPairing(event); });
    m_logger->debug(QStringLiteral("Subscribed to EventHub received transfer requests and devices ready events"));
    connect(m_connectionMonitor.get(), &ConnectionMonitorServiceProtocol::connectionStateChanged, this,
            &ControlCoordinator::handleConnectionStateChange);
    m_logger->debug(
        QStringLiteral("Subscribed to connection state changes for ownership clear when other Macs go offline"));
    // What a hand-over waits for: its command leaving, the receiver's pings, the device coming back.
    connect(m_eventHub.get(), &PeerCommunicationHub::devicesReadyCommands, this,
            [this](const DevicesReadyForPairingCommand &command, const DeliveryReport &) { noteHandedOn(command); });
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedPingRequests, this,
            [this](const PingRequestReceivedEvent &event) {
                confirmHandedDevices(event.senderMacId, event.deviceMacAddresses);
            });
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedPingResponses, this,
            [this](const PingResponseReceivedEvent &event) {
                confirmHandedDevices(event.senderMacId, event.deviceMacAddresses);
            });
    connect(m_deviceOwnership.get(), &DeviceOwnershipService::ownerSet, this,
            [this](const QUuid &macId, const QStringList &addresses) {
                if (macId == currentMacId()) {
                    for (const QString &address : addresses) {
                        settleHandedDevice(address);
                    }
                }
            });
}

ControlCoordinator::~ControlCoordinator()
{
    // Quitting: whatever the receivers have not confirmed yet is left as it is, and said so.
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        const QString recipient = idText(handOver->confirmation.recipient());
        for (const QString &address : handOver->confirmation.open()) {
            m_logger->warning(QStringLiteral("Quitting before Mac %1 confirmed device %2; it is not paired here again")
                                  .arg(recipient, address));
        }
        handOver->wake.request_stop();
    }
}

ControlCoordinator::RunningFlow::RunningFlow(std::weak_ptr<ControlCoordinator> coordinator)
    : m_coordinator(std::move(coordinator))
{
    if (const auto self = m_coordinator.lock()) {
        self->setRunningFlowCount(self->m_runningFlowCount + 1);
    }
}

ControlCoordinator::RunningFlow::~RunningFlow()
{
    if (const auto self = m_coordinator.lock()) {
        self->setRunningFlowCount(self->m_runningFlowCount - 1);
    }
}

void ControlCoordinator::setRunningFlowCount(int count)
{
    m_runningFlowCount = count;
    Q_EMIT runningFlowCountChanged(count);
}

QUuid ControlCoordinator::currentMacId() const
{
    return m_macIdentifierService->currentMacId();
}

QSet<QUuid> ControlCoordinator::pendingTakeControlTargets(const QString &transactionId) const
{
    return m_localTakeControlPendingTargetsStore.targets(transactionId);
}

// Entry operations ---------------------------------------------------------------------------------

void ControlCoordinator::takeControl()
{
    QMetaObject::invokeMethod(
        this, [this] { performTakeControl(std::nullopt); }, Qt::QueuedConnection);
}

void ControlCoordinator::takeControl(const QUuid &fromMacId)
{
    QMetaObject::invokeMethod(
        this, [this, fromMacId] { performTakeControl(fromMacId); }, Qt::QueuedConnection);
}

void ControlCoordinator::sendControl(const QUuid &toMacId)
{
    QMetaObject::invokeMethod(
        this, [this, toMacId] { performSendControl(toMacId); }, Qt::QueuedConnection);
}

// Transfer checks ----------------------------------------------------------------------------------

bool ControlCoordinator::canTakeControl()
{
    try {
        const QUuid localId = currentMacId();
        const QList<ConnectedMac> macs = m_connectedMacStorage->listConnectedMacs();
        const bool otherLinked
            = std::any_of(macs.cbegin(), macs.cend(), [&](const ConnectedMac &mac) { return mac.id() != localId; });
        if (!otherLinked) {
            return false;
        }
        const QList<Device> devices = m_deviceStorage->listDevices();
        // A device nobody is known to own may well be held elsewhere.
        return std::any_of(devices.cbegin(), devices.cend(), [&](const Device &device) {
            return m_deviceOwnership->ownerOf(MacAddress::normalized(device.macAddress())) != localId;
        });
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to check canTakeControl: ") + describeError(error));
        return false;
    }
}

bool ControlCoordinator::canSendControl(const QUuid &toMacId)
{
    if (!peerInstallationId(toMacId)) {
        return false;
    }
    try {
        const QUuid localId = currentMacId();
        const QList<Device> devices = m_deviceStorage->listDevices();
        return std::any_of(devices.cbegin(), devices.cend(), [&](const Device &device) {
            return m_deviceOwnership->ownerOf(MacAddress::normalized(device.macAddress())) == localId;
        });
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to check canSendControl: ") + describeError(error));
        return false;
    }
}

// Permission gate and guidance ---------------------------------------------------------------------

void ControlCoordinator::stageBluetoothPermissionGuidance(std::optional<BluetoothPermissionGuidanceState> state)
{
    QMetaObject::invokeMethod(
        this, [this, state] { setGuidance(state); }, Qt::QueuedConnection);
}

void ControlCoordinator::dismissBluetoothPermissionGuidance()
{
    stageBluetoothPermissionGuidance(std::nullopt);
}

void ControlCoordinator::retryBluetoothPermissionGuidance()
{
    QMetaObject::invokeMethod(
        this, [this] { refreshBluetoothPermissionGuidanceState(); }, Qt::QueuedConnection);
}

void ControlCoordinator::continueBluetoothPermissionGuidance()
{
    QMetaObject::invokeMethod(
        this, [this] { requestBluetoothPermissionGuidanceState(); }, Qt::QueuedConnection);
}

bool ControlCoordinator::openBluetoothSettings()
{
    return m_systemPermissionChecker->openBluetoothSettings();
}

void ControlCoordinator::setGuidance(std::optional<BluetoothPermissionGuidanceState> state)
{
    m_guidance = state;
    Q_EMIT bluetoothPermissionGuidanceStateChanged(state);
}

QCoro::Task<SystemPermissionStatus> ControlCoordinator::ensureBluetoothAuthorizedForTransferFlow()
{
    const auto self = shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->refreshBluetoothAccess();
    setGuidance(guidanceFor(status));
    co_return status;
}

QCoro::Task<> ControlCoordinator::refreshBluetoothPermissionGuidanceState()
{
    co_await ensureBluetoothAuthorizedForTransferFlow();
}

QCoro::Task<> ControlCoordinator::requestBluetoothPermissionGuidanceState()
{
    const auto self = shared_from_this();
    const SystemPermissionStatus status = co_await m_systemPermissionChecker->requestBluetoothAccess();
    setGuidance(guidanceFor(status));
}

std::optional<ControlTransferProgressStatus> ControlCoordinator::gateStop(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown:
        return ProgressStatus::Blocked{ControlTransferBlockedReason::BluetoothPermissionPreflight};
    case SystemPermissionStatus::Denied: return ProgressStatus::UserActionRequired{};
    case SystemPermissionStatus::Authorized: return std::nullopt;
    }
    return std::nullopt;
}

void ControlCoordinator::handleConnectionStateChange(const QUuid &macId, ConnectionState state)
{
    if (state == ConnectionState::Disconnected && macId != currentMacId()) {
        m_deviceOwnership->clearOwnershipForMac(macId);
    }
}

void ControlCoordinator::publish(const FlowContext &flow, ControlTransferProgressStatus status)
{
    ControlTransferProgress progress{flow.transactionId, flow.direction, flow.peerMacId, std::move(status),
                                     m_clock->now()};
    m_progress = progress;
    Q_EMIT controlTransferProgressChanged(progress);
}

void ControlCoordinator::endFlow(const FlowContext &flow, const ControlTransferProgressStatus &outcome,
                                 const QString &devices)
{
    publish(flow, outcome);
    m_logger->info(QStringLiteral("Transfer %1 ended: %2 with %3: %4; %5")
                       .arg(flow.transactionId, toString(flow.direction), computerText(flow.peerMacId),
                            describe(outcome), devices.isEmpty() ? QStringLiteral("no devices moved") : devices));
}

QString ControlCoordinator::computerText(const std::optional<QUuid> &macId)
{
    if (!macId) {
        return QStringLiteral("no other computer");
    }
    // The name it advertises now, else the one it was stored under.
    std::optional<QString> name;
    if (const std::optional<DiscoverableMac> record = m_peerDirectory->discoverableMac(*macId)) {
        name = record->name();
    } else {
        try {
            if (const std::optional<ConnectedMac> mac = m_connectedMacStorage->getConnectedMac(*macId)) {
                name = mac->name();
            }
        } catch (const std::exception &) {
            // Named by its id alone: the store's error is logged where a flow needs the record.
        }
    }
    if (!name) {
        return QStringLiteral("Mac ") + idText(*macId);
    }
    return QStringLiteral("\"%1\" (%2)").arg(escapeControlCharacters(QStringView(*name).left(64)), idText(*macId));
}

// Take control and send control --------------------------------------------------------------------

QCoro::Task<> ControlCoordinator::performTakeControl(std::optional<QUuid> targetMacId)
{
    const auto self = shared_from_this();
    const RunningFlow running(self);
    FlowContext flow{newTransactionId(), ControlTransferDirection::TakeControl, std::nullopt};
    const SystemPermissionStatus permission = co_await ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = gateStop(permission)) {
        endFlow(flow, *stop);
        co_return;
    }

    QList<ConnectedMac> linked;
    try {
        linked = m_connectedMacStorage->listConnectedMacs();
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to perform take control: ") + describeError(error));
        endFlow(flow, ProgressStatus::Failed{OperationFailureCategory::Unknown});
        co_return;
    }
    const QUuid localId = currentMacId();
    QList<QUuid> targets;
    for (const ConnectedMac &mac : std::as_const(linked)) {
        if (mac.id() == localId || (targetMacId && mac.id() != *targetMacId)) {
            continue;
        }
        // A computer that is not on the network now would never answer.
        if (!m_peerDirectory->isEligible(mac.id())) {
            m_logger->debug(QStringLiteral("Skipping unreachable Mac %1 for take control").arg(idText(mac.id())));
            continue;
        }
        targets.append(mac.id());
    }
    if (targets.isEmpty()) {
        if (targetMacId) {
            m_logger->debug(QStringLiteral("No connected target Mac found for take control from ")
                            + idText(*targetMacId));
            flow.peerMacId = targetMacId;
            endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        } else {
            m_logger->debug(QStringLiteral("No other connected Macs found for take control"));
            endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::NoEligibleTarget});
        }
        co_return;
    }

    m_logger->info(QStringLiteral("Taking control: sending transfer requests to %1 Mac(s)").arg(targets.size()));
    flow.peerMacId = targetMacId;
    publish(flow, ProgressStatus::OperationStarted{});
    // Recorded before anything is sent, so that no answer can arrive ahead of its transaction.
    m_localTakeControlPendingTargetsStore.recordTargets(flow.transactionId, targets);
    for (const QUuid &target : std::as_const(targets)) {
        m_eventHub->send(SendTransferCommand(target, flow.transactionId));
        publish(FlowContext{flow.transactionId, flow.direction, target}, ProgressStatus::OutboundTransferRequestSent{});
        m_logger->debug(QStringLiteral("Sent transfer request to Mac ") + idText(target));
        awaitAnswer(weak_from_this(), m_clock, flow.transactionId, target,
                    m_localTakeControlPendingTargetsStore.answerWaitToken(flow.transactionId, target));
    }
}

QCoro::Task<> ControlCoordinator::awaitAnswer(std::weak_ptr<ControlCoordinator> weak, ClockPtr clock,
                                              QString transactionId, QUuid targetMacId, std::stop_token token)
{
    const RunningFlow running(weak);
    try {
        co_await clock->sleep(ANSWER_TIMEOUT_SECONDS, token);
    } catch (const CancellationError &) {
        co_return;
    }
    const auto self = weak.lock();
    if (!self || !self->m_localTakeControlPendingTargetsStore.isAwaitingAnswer(transactionId, targetMacId)) {
        co_return;
    }
    // A computer with nothing to give never answers either: the protocol has no word for it.
    self->m_logger->warning(QStringLiteral("No devices ready answer from Mac %1 within %2 seconds for take control")
                                .arg(idText(targetMacId), formatDouble(ANSWER_TIMEOUT_SECONDS)));
    const ControlTransferProgressStatus status = ProgressStatus::Failed{OperationFailureCategory::Timeout};
    self->endFlow(FlowContext{transactionId, ControlTransferDirection::TakeControl, targetMacId}, status);
    self->m_localTakeControlPendingTargetsStore.clearTargetIfTerminal(transactionId, targetMacId, status);
}

QCoro::Task<> ControlCoordinator::performSendControl(QUuid targetMacId)
{
    const auto self = shared_from_this();
    const RunningFlow running(self);
    const FlowContext flow{newTransactionId(), ControlTransferDirection::SendControl, targetMacId};
    const SystemPermissionStatus permission = co_await ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = gateStop(permission)) {
        endFlow(flow, *stop);
        co_return;
    }
    const std::optional<QString> peerInstallation = peerInstallationId(targetMacId);
    if (!peerInstallation) {
        m_logger->warning(QStringLiteral("Skipping send control: target peer is not connected ") + idText(targetMacId));
        endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    // Devices unpaired for a computer that cannot be reached would only have to be paired again.
    if (!m_peerDirectory->isEligible(targetMacId)) {
        m_logger->warning(QStringLiteral("Skipping send control: target peer is not reachable ") + idText(targetMacId));
        endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    const QList<Device> devices = co_await getConnectedSharedDevices();
    if (devices.isEmpty()) {
        m_logger->debug(QStringLiteral("No connected shared devices to send to Mac ") + idText(targetMacId));
        endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::NoConnectedSharedDevices});
        co_return;
    }
    m_logger->info(
        QStringLiteral("Sending control of %1 device(s) to Mac %2").arg(devices.size()).arg(idText(targetMacId)));
    const QString recipientLabel = QStringLiteral("Mac");
    co_await giveUpDevices(flow, devices, *peerInstallation, recipientLabel);
}

// Giving devices up --------------------------------------------------------------------------------

QCoro::Task<> ControlCoordinator::handleInboundTransferRequest(TransferRequestReceivedEvent event)
{
    const auto self = shared_from_this();
    const RunningFlow running(self);
    if (!acceptsTransactionId(event.transactionId, event.senderMacId, "transfer request")) {
        co_return;
    }
    const FlowContext flow{event.transactionId, ControlTransferDirection::InboundTransfer, event.senderMacId};
    publish(flow, ProgressStatus::InboundTransferRequestReceived{});
    const SystemPermissionStatus permission = co_await ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = gateStop(permission)) {
        endFlow(flow, *stop);
        co_return;
    }
    const QString requester = idText(event.senderMacId);
    const std::optional<QString> peerInstallation = peerInstallationId(event.senderMacId);
    if (!peerInstallation) {
        m_logger->warning(QStringLiteral("Skipping inbound transfer request: requester peer is not connected ")
                          + requester);
        endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::PeerUnavailable});
        co_return;
    }
    const QList<Device> devices = co_await getConnectedSharedDevices();
    if (devices.isEmpty()) {
        m_logger->debug(QStringLiteral("No connected shared devices to transfer to requester ") + requester);
        endFlow(flow, ProgressStatus::Blocked{ControlTransferBlockedReason::NoConnectedSharedDevices});
        co_return;
    }
    m_logger->info(
        QStringLiteral("Transferring control of %1 device(s) to requester %2").arg(devices.size()).arg(requester));
    const QString recipientLabel = QStringLiteral("requester");
    co_await giveUpDevices(flow, devices, *peerInstallation, recipientLabel);
    m_logger->debug(QStringLiteral("Processed transfer request from ") + requester);
}

std::optional<QString> ControlCoordinator::peerInstallationId(const QUuid &macId)
{
    try {
        const std::optional<ConnectedMac> mac = m_connectedMacStorage->getConnectedMac(macId);
        return mac ? std::optional<QString>(mac->installationId().toLower()) : std::nullopt;
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to resolve peer installationId for %1: %2")
                            .arg(idText(macId), describeError(error)));
        return std::nullopt;
    }
}

QCoro::Task<QList<Device>> ControlCoordinator::getConnectedSharedDevices()
{
    const auto self = shared_from_this();
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

QCoro::Task<ControlCoordinator::UnpairSummary>
ControlCoordinator::unpairConnectedSharedDevicesForTransfer(QList<Device> devices, QString localInstallationId,
                                                            QString peerInstallationId, FlowContext flow)
{
    const auto self = shared_from_this();
    UnpairSummary summary;
    for (const Device &device : std::as_const(devices)) {
        TransferDeviceDescriptor descriptor = TransferDeviceDescriptor::fromDevice(device);
        descriptor.macAddress = MacAddress::normalized(device.macAddress());
        const QString address = descriptor.macAddress;
        m_metricsPublisher->publish(MetricsEvent::transferRequested(
            localInstallationId, m_clock->now(), peerInstallationId, flow.transactionId, device.telemetryDeviceId(),
            descriptor.deviceVendorID, descriptor.deviceProductID, descriptor.classOfDevice));
        const OperationResult result = co_await m_bluetoothManager->unpairDevice(address);
        publish(flow, ProgressStatus::UnpairResult{address, result.success, result.failureCategory});
        m_metricsPublisher->publish(MetricsEvent::deviceUnpairResult(
            localInstallationId, m_clock->now(), device.telemetryDeviceId(), metricsResult(result),
            metricsFailureReason(result), descriptor.deviceVendorID, descriptor.deviceProductID,
            descriptor.classOfDevice));
        if (result.success) {
            m_logger->debug(QStringLiteral("Successfully unpaired device %1 (%2)").arg(nameText(device), address));
            summary.unpairedDescriptors.append(descriptor);
            continue;
        }
        m_logger->warning(
            QStringLiteral("Failed to unpair device %1 (%2): %3").arg(nameText(device), address, messageOf(result)));
        summary.lastFailureCategory = result.failureCategory;
        if (result.failureCategory == OperationFailureCategory::PermissionDenied) {
            summary.permissionDenied = true;
            co_await refreshBluetoothPermissionGuidanceState();
            break;
        }
    }
    co_return summary;
}

QCoro::Task<> ControlCoordinator::giveUpDevices(FlowContext flow, QList<Device> devices, QString peerInstallationId,
                                                QString recipientLabel)
{
    const auto self = shared_from_this();
    publish(flow, ProgressStatus::OperationStarted{});
    publish(flow, ProgressStatus::UnpairingStarted{static_cast<int>(devices.size())});
    const QString localInstallation = m_macIdentifierService->installationId();
    const UnpairSummary summary
        = co_await unpairConnectedSharedDevicesForTransfer(devices, localInstallation, peerInstallationId, flow);
    const QList<TransferDeviceDescriptor> &descriptors = summary.unpairedDescriptors;
    if (descriptors.isEmpty()) {
        m_logger->info(QStringLiteral("No devices were successfully unpaired, not sending devices ready command"));
        endFlow(flow, outcomeOfFailure(summary.lastFailureCategory), handedOverText({}, {}));
        co_return;
    }
    const QUuid recipient = *flow.peerMacId;
    const QStringList addresses = addressesOf(descriptors);
    // Registered before the command leaves, so that no ping of the receiver can pass unseen.
    const auto handOver = std::make_shared<HandOver>(
        HandOver{flow, HandOverConfirmation(recipient, addresses, m_clock->now()), false, {}});
    m_handOvers.append(handOver);
    DevicesReadyForPairingCommand command(recipient, flow.transactionId, descriptors);
    const bool delivered = co_await m_eventHub->send(std::move(command));
    if (delivered) {
        publish(flow, ProgressStatus::DevicesReadySent{static_cast<int>(descriptors.size())});
        m_logger->info(QStringLiteral("Sent devices ready command to %1 %2 for %3 device(s)")
                           .arg(recipientLabel, idText(recipient))
                           .arg(descriptors.size()));
        // The devices count as handed over once the receiver lists them, not when the frame is written.
        handOver->confirmation.setStartedAt(m_clock->now());
        awaitConfirmation(weak_from_this(), m_clock, handOver);
        co_return;
    }
    m_handOvers.removeOne(handOver);
    // Nobody else will pair them: the devices come back here rather than being lost.
    m_logger->error(QStringLiteral("Devices ready command to %1 %2 was not delivered; pairing %3 device(s) here again")
                        .arg(recipientLabel, idText(recipient))
                        .arg(descriptors.size()));
    const PairedBack back = co_await pairBack(flow, addresses);
    endFlow(flow, ProgressStatus::Failed{OperationFailureCategory::PeerUnavailable},
            handedOverText({}, back.paired, back.failed));
}

// Waiting for the receiver's confirmation -------------------------------------------------------------

QCoro::Task<> ControlCoordinator::awaitConfirmation(std::weak_ptr<ControlCoordinator> weak, ClockPtr clock,
                                                    HandOverPtr handOver)
{
    const RunningFlow running(weak);
    HandOverConfirmation &confirmation = handOver->confirmation;
    const qint64 checkIntervalMs = qint64(CONFIRMATION_CHECK_INTERVAL_SECONDS * 1000);
    // The first check goes out with the command, so that a receiver gone right after reading it is
    // known to be gone after the few failed checks it takes, not after the whole wait.
    QDateTime nextCheckAt = clock->now();
    while (!confirmation.open().isEmpty() && clock->now() < confirmation.deadline()) {
        if (clock->now() >= nextCheckAt) {
            const auto self = weak.lock();
            if (!self) {
                co_return;
            }
            confirmation.endCheck();
            if (confirmation.receiverGone()) {
                break;
            }
            self->checkReceiver(handOver);
            nextCheckAt = nextCheckAt.addMSecs(checkIntervalMs);
        }
        const QDateTime wakeAt = std::min(nextCheckAt, confirmation.deadline());
        handOver->wake = std::stop_source();
        const double seconds = static_cast<double>(clock->now().msecsTo(wakeAt)) / 1000.0;
        const std::stop_token token = handOver->wake.get_token();
        try {
            co_await clock->sleep(seconds, token);
        } catch (const CancellationError &) {
            // Woken early: by news of the devices, or because the coordinator is going.
        }
        if (weak.expired()) {
            co_return;
        }
    }
    const auto self = weak.lock();
    if (self) {
        QCoro::Task<> finishing = self->finishHandOver(handOver);
        co_await std::move(finishing);
    }
}

void ControlCoordinator::checkReceiver(const HandOverPtr &handOver)
{
    const int check = handOver->confirmation.beginCheck();
    QCoro::Task<bool> ping = m_connectionMonitor->forceHealthCheck(handOver->confirmation.recipient());
    noteUnsentCheck(handOver, check, std::move(ping));
}

QCoro::Task<> ControlCoordinator::noteUnsentCheck(std::weak_ptr<HandOver> weak, int check, QCoro::Task<bool> ping)
{
    const bool delivered = co_await std::move(ping);
    const HandOverPtr handOver = weak.lock();
    if (!delivered && handOver) {
        handOver->confirmation.checkNotSent(check);
    }
}

QCoro::Task<ControlCoordinator::PairedBack> ControlCoordinator::pairBack(FlowContext flow, QStringList addresses,
                                                                         HandOverPtr handOver)
{
    const auto self = shared_from_this();
    PairedBack back;
    for (const QString &address : std::as_const(addresses)) {
        // A confirmation or the device's return may still come while earlier ones pair.
        if (handOver && !handOver->confirmation.isOpen(address)) {
            continue;
        }
        const OperationResult result = co_await m_bluetoothManager->pairDevice(address);
        publish(flow, ProgressStatus::PairResult{address, result.success, result.failureCategory});
        if (result.success) {
            back.paired.append(address);
        } else {
            back.failed.append(address);
            m_logger->warning(
                QStringLiteral("Failed to pair device with MAC address %1 again: %2").arg(address, messageOf(result)));
        }
    }
    co_return back;
}

QCoro::Task<> ControlCoordinator::finishHandOver(HandOverPtr handOver)
{
    const auto self = shared_from_this();
    const FlowContext flow = handOver->flow;
    const HandOverConfirmation &confirmation = handOver->confirmation;
    const QString recipient = idText(confirmation.recipient());
    const QStringList open = confirmation.open();
    if (!open.isEmpty() && confirmation.receiverGone()) {
        m_logger->warning(QStringLiteral("Mac %1 failed %2 checks in a row with %3 of %4 device(s) unconfirmed; "
                                         "pairing them here again")
                              .arg(recipient)
                              .arg(confirmation.failedChecksInRow())
                              .arg(open.size())
                              .arg(confirmation.addresses().size()));
    } else if (!open.isEmpty()) {
        m_logger->warning(QStringLiteral("Mac %1 did not confirm %2 of %3 device(s) in time; pairing them here again")
                              .arg(recipient)
                              .arg(open.size())
                              .arg(confirmation.addresses().size()));
    }
    const PairedBack back = co_await pairBack(flow, open, handOver);
    m_handOvers.removeOne(handOver);
    const QStringList confirmed = confirmation.confirmed();
    const bool pairedAgain = !back.paired.isEmpty() || !back.failed.isEmpty();
    if (confirmation.allConfirmed() && !pairedAgain) {
        m_logger->info(
            QStringLiteral("Mac %1 confirmed all %2 device(s)").arg(recipient).arg(confirmation.addresses().size()));
        endFlow(flow, ProgressStatus::Success{}, handedOverText(confirmed, {}));
        co_return;
    }
    endFlow(flow, ProgressStatus::Failed{OperationFailureCategory::Timeout},
            handedOverText(confirmed, back.paired, back.failed));
}

void ControlCoordinator::noteHandedOn(const DevicesReadyForPairingCommand &command)
{
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        if (handOver->flow.transactionId == command.transactionId
            && handOver->confirmation.recipient() == command.recipientMacId) {
            handOver->commandHandedOn = true;
        }
    }
}

void ControlCoordinator::confirmHandedDevices(const QUuid &senderMacId, const QStringList &macAddresses)
{
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        if (!handOver->commandHandedOn) {
            continue;
        }
        handOver->confirmation.heardFrom(senderMacId);
        if (handOver->confirmation.confirm(senderMacId, macAddresses, m_clock->now())) {
            m_logger->debug(QStringLiteral("Mac %1 confirmed devices of transfer %2; %3 device(s) still open")
                                .arg(idText(senderMacId), handOver->flow.transactionId)
                                .arg(handOver->confirmation.open().size()));
            wakeIfClosed(*handOver);
        }
    }
}

void ControlCoordinator::settleHandedDevice(const QString &canonicalAddress)
{
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        if (handOver->confirmation.settle(canonicalAddress)) {
            m_logger->info(QStringLiteral("Device %1 is here again before Mac %2 confirmed it; it is not paired again")
                               .arg(canonicalAddress, idText(handOver->confirmation.recipient())));
            wakeIfClosed(*handOver);
        }
    }
}

void ControlCoordinator::wakeIfClosed(HandOver &handOver)
{
    if (handOver.confirmation.open().isEmpty()) {
        handOver.wake.request_stop();
    }
}

// Pairing what another computer gave up --------------------------------------------------------------

bool ControlCoordinator::acceptsTransactionId(const QString &transactionId, const QUuid &senderMacId,
                                              const char *what) const
{
    if (json::uuidFromString(transactionId)) {
        return true;
    }
    m_logger->warning(QStringLiteral("Dropping %1 from Mac %2: transaction id \"%3\" is not a UUID")
                          .arg(QLatin1String(what), idText(senderMacId),
                               escapeControlCharacters(QStringView(transactionId).left(64))));
    return false;
}

QList<TransferDeviceDescriptor>
ControlCoordinator::checkedDescriptors(const DevicesReadyForPairingReceivedEvent &event) const
{
    QList<TransferDeviceDescriptor> checked;
    QSet<QString> seen;
    for (TransferDeviceDescriptor descriptor : event.deviceDescriptors) {
        const std::optional<QString> address = MacAddress::canonicalize(descriptor.macAddress);
        if (!address) {
            m_logger->warning(QStringLiteral("Skipping device with malformed MAC address \"%1\" from Mac %2")
                                  .arg(escapeControlCharacters(QStringView(descriptor.macAddress).left(64)),
                                       idText(event.senderMacId)));
            continue;
        }
        if (seen.contains(*address)) {
            m_logger->warning(
                QStringLiteral("Skipping device %1 listed twice by Mac %2").arg(*address, idText(event.senderMacId)));
            continue;
        }
        seen.insert(*address);
        descriptor.macAddress = *address;
        checked.append(descriptor);
    }
    return checked;
}

QCoro::Task<> ControlCoordinator::handleDevicesReadyForPairing(DevicesReadyForPairingReceivedEvent event)
{
    const auto self = shared_from_this();
    const RunningFlow running(self);
    if (!acceptsTransactionId(event.transactionId, event.senderMacId, "devices ready for pairing")) {
        co_return;
    }
    const QString transactionId = event.transactionId;
    const QUuid sender = event.senderMacId;
    const QList<TransferDeviceDescriptor> descriptors = checkedDescriptors(event);
    LocalTakeControlPendingTargetsStore &pending = m_localTakeControlPendingTargetsStore;
    const bool answersOwnRequest = pending.hasTransaction(transactionId);
    pending.markAnswered(transactionId, sender);
    const FlowContext flow{
        transactionId,
        answersOwnRequest ? ControlTransferDirection::TakeControl : ControlTransferDirection::InboundTransfer, sender};
    QStringList savedAddresses;
    const auto finish = [&](const ControlTransferProgressStatus &status) {
        QStringList notPaired = addressesOf(descriptors);
        for (const QString &address : std::as_const(savedAddresses)) {
            notPaired.removeOne(address);
        }
        endFlow(flow, status, pairedHereText(savedAddresses, notPaired));
        pending.clearTargetIfTerminal(transactionId, sender, status);
    };

    const SystemPermissionStatus permission = co_await ensureBluetoothAuthorizedForTransferFlow();
    if (const std::optional<ControlTransferProgressStatus> stop = gateStop(permission)) {
        finish(*stop);
        co_return;
    }
    m_logger->info(QStringLiteral("Received devices ready for pairing from Mac %1: %2 device(s)")
                       .arg(idText(sender))
                       .arg(descriptors.size()));
    publish(flow, ProgressStatus::PairingStarted{static_cast<int>(descriptors.size())});
    const QString localInstallation = m_macIdentifierService->installationId();
    const std::optional<QString> peerInstallation = peerInstallationId(sender);
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
        publish(flow, ProgressStatus::PairResult{address, result.success, result.failureCategory});
        m_metricsPublisher->publish(MetricsEvent::devicePairResult(
            localInstallation, m_clock->now(), *peerInstallation, descriptor.telemetryDeviceId, metricsResult(result),
            metricsFailureReason(result), descriptor.deviceVendorID, descriptor.deviceProductID,
            descriptor.classOfDevice));
        if (result.success) {
            m_logger->debug(QStringLiteral("Successfully paired device with MAC address: ") + address);
            settleHandedDevice(address);
            const std::optional<QString> saved = co_await savePairedDeviceToRepository(descriptor);
            if (saved) {
                ++pairedCount;
                savedAddresses.append(*saved);
                savedDescriptors.append(descriptor);
                // The sender counts the device as handed over only once our ping lists it: tell it now.
                m_deviceOwnership->setOwner(currentMacId(), {*saved});
                forceHealthChecksOfLinkedMacs();
            } else {
                m_logger->warning(QStringLiteral("Pair succeeded for %1 but device was not persisted/reloaded on "
                                                 "destination; excluding from transfer success")
                                      .arg(address));
                ++failedCount;
            }
            continue;
        }
        m_logger->warning(
            QStringLiteral("Failed to pair device with MAC address %1: %2").arg(address, messageOf(result)));
        ++failedCount;
        lastFailureCategory = result.failureCategory;
        if (lastFailureCategory == OperationFailureCategory::PermissionDenied) {
            co_await refreshBluetoothPermissionGuidanceState();
            publish(flow, ProgressStatus::UserActionRequired{});
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
        publish(flow, ProgressStatus::OwnershipUpdated{static_cast<int>(savedAddresses.size())});
        m_logger->info(QStringLiteral("Updated ownership for %1 device(s)").arg(savedAddresses.size()));
    }
    m_logger->info(QStringLiteral("Pairing completed: %1 paired, %2 failed").arg(pairedCount).arg(failedCount));
    finish(pairedCount > 0 ? ControlTransferProgressStatus(ProgressStatus::Success{})
                           : outcomeOfFailure(lastFailureCategory));
}

std::optional<Device> ControlCoordinator::findStoredDevice(const QString &canonicalAddress)
{
    try {
        const QList<Device> devices = m_deviceStorage->listDevices();
        for (const Device &device : devices) {
            if (MacAddress::normalized(device.macAddress()) == canonicalAddress) {
                return device;
            }
        }
    } catch (const std::exception &) {
        // Counts as not stored: saving will meet the same error and report it.
    }
    return std::nullopt;
}

QCoro::Task<std::optional<QString>>
ControlCoordinator::savePairedDeviceToRepository(TransferDeviceDescriptor descriptor)
{
    const auto self = shared_from_this();
    const QString address = descriptor.macAddress;
    m_logger->debug(QStringLiteral("Saving paired device %1 to shared device repository").arg(address));
    const QList<Device> paired = co_await m_bluetoothManager->getPairedDevices();
    const auto listed = std::find_if(paired.cbegin(), paired.cend(), [&](const Device &device) {
        return MacAddress::normalized(device.macAddress()) == address;
    });
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
                            .arg(nameText(device), describeError(error)));
        co_return std::nullopt;
    }
    if (stored && stored->macAddress() != address) {
        // The same device stored under another spelling of its address: keep one record.
        try {
            m_deviceStorage->deleteDeviceByMacAddress(stored->macAddress());
        } catch (const std::exception &error) {
            m_logger->warning(QStringLiteral("Failed to remove the earlier record of device %1: %2")
                                  .arg(address, describeError(error)));
        }
    }
    if (!stored) {
        const std::optional<DeviceDetectionAttributes> &attributes = device.detectionAttributes();
        m_metricsPublisher->publish(MetricsEvent::sharedDeviceAdded(
            m_macIdentifierService->installationId(), m_clock->now(), descriptor.telemetryDeviceId,
            attributes ? attributes->vendorID : std::nullopt, attributes ? attributes->productID : std::nullopt,
            attributes ? attributes->classOfDevice : std::nullopt));
    }
    m_logger->info(QStringLiteral("Saved device %1 (%2) to shared device repository").arg(nameText(device), address));
    co_return address;
}

void ControlCoordinator::forceHealthChecksOfLinkedMacs()
{
    QList<ConnectedMac> macs;
    try {
        macs = m_connectedMacStorage->listConnectedMacs();
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to get connected Macs for forceHealthCheck: ") + describeError(error));
        return;
    }
    const QUuid localId = currentMacId();
    for (const ConnectedMac &mac : std::as_const(macs)) {
        if (mac.id() != localId) {
            m_connectionMonitor->forceHealthCheck(mac.id());
        }
    }
}

} // namespace verandel
