#include "transfer/ControlCoordinator.h"

#include "foundation/CancellationError.h"
#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "transfer/ControlSender.h"
#include "transfer/DeviceReceiver.h"
#include "transfer/HandOverWait.h"
#include "transfer/TransferPermissionGate.h"

namespace verandel {

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
    , m_permissionGate(std::make_unique<TransferPermissionGate>(*this, m_systemPermissionChecker))
    , m_handOverWait(std::make_unique<HandOverWait>(*this, m_bluetoothManager, m_connectionMonitor, m_logger, m_clock))
    , m_sender(std::make_unique<ControlSender>(*this, *m_handOverWait, m_eventHub, m_bluetoothManager, m_deviceStorage,
                                               m_macIdentifierService, m_peerDirectory, m_metricsPublisher, m_logger,
                                               m_clock))
    , m_receiver(std::make_unique<DeviceReceiver>(*this, *m_handOverWait, m_deviceOwnership, m_bluetoothManager,
                                                  m_deviceStorage, m_macIdentifierService, m_metricsPublisher, m_logger,
                                                  m_clock))
{
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedTransferRequests, this,
            [this](const TransferRequestReceivedEvent &event) { m_sender->handleInboundTransferRequest(event); });
    connect(
        m_eventHub.get(), &PeerCommunicationHub::receivedDevicesReadyEvents, this,
        [this](const DevicesReadyForPairingReceivedEvent &event) { m_receiver->handleDevicesReadyForPairing(event); });
    m_logger->debug(QStringLiteral("Subscribed to EventHub received transfer requests and devices ready events"));
    connect(m_connectionMonitor.get(), &ConnectionMonitorServiceProtocol::connectionStateChanged, this,
            &ControlCoordinator::handleConnectionStateChange);
    m_logger->debug(
        QStringLiteral("Subscribed to connection state changes for ownership clear when other Macs go offline"));
    // What a hand-over waits for: its command leaving, the receiver's pings, the device coming back.
    connect(m_eventHub.get(), &PeerCommunicationHub::devicesReadyCommands, this,
            [this](const DevicesReadyForPairingCommand &command, const DeliveryReport &) {
                m_handOverWait->noteHandedOn(command);
            });
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedPingRequests, this,
            [this](const PingRequestReceivedEvent &event) {
                m_handOverWait->confirmHandedDevices(event.senderMacId, event.deviceMacAddresses);
            });
    connect(m_eventHub.get(), &PeerCommunicationHub::receivedPingResponses, this,
            [this](const PingResponseReceivedEvent &event) {
                m_handOverWait->confirmHandedDevices(event.senderMacId, event.deviceMacAddresses);
            });
    connect(m_deviceOwnership.get(), &DeviceOwnershipService::ownerSet, this,
            [this](const QUuid &macId, const QStringList &addresses) {
                if (macId == currentMacId()) {
                    for (const QString &address : addresses) {
                        m_handOverWait->settleHandedDevice(address);
                    }
                }
            });
}

ControlCoordinator::~ControlCoordinator() = default;

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
        this, [this, toMacId] { m_sender->performSendControl(toMacId); }, Qt::QueuedConnection);
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
            return m_deviceOwnership->ownerOf(device.macAddress()) != localId;
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
            return m_deviceOwnership->ownerOf(device.macAddress()) == localId;
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
    return m_permissionGate->openBluetoothSettings();
}

void ControlCoordinator::setGuidance(std::optional<BluetoothPermissionGuidanceState> state)
{
    m_guidance = state;
    Q_EMIT bluetoothPermissionGuidanceStateChanged(state);
}

QCoro::Task<SystemPermissionStatus> ControlCoordinator::ensureBluetoothAuthorizedForTransferFlow()
{
    return m_permissionGate->refresh();
}

QCoro::Task<> ControlCoordinator::refreshBluetoothPermissionGuidanceState()
{
    co_await ensureBluetoothAuthorizedForTransferFlow();
}

QCoro::Task<> ControlCoordinator::requestBluetoothPermissionGuidanceState()
{
    return m_permissionGate->request();
}

std::optional<ControlTransferProgressStatus> ControlCoordinator::gateStop(SystemPermissionStatus status)
{
    return TransferPermissionGate::stopFor(status);
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

// Take control ------------------------------------------------------------------------------------

QString ControlCoordinator::newTransactionId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

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

// Shared by the flows ------------------------------------------------------------------------------

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
