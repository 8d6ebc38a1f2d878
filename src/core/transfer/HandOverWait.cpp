#include "transfer/HandOverWait.h"

#include "foundation/CancellationError.h"
#include "foundation/LogText.h"
#include "transfer/TransferFlowReport.h"

namespace verandel {

HandOverWait::HandOverWait(ControlCoordinator &coordinator, BluetoothDeviceManagerPtr bluetoothManager,
                           ConnectionMonitorServicePtr connectionMonitor, LoggerPtr logger, ClockPtr clock)
    : m_coordinator(coordinator)
    , m_bluetoothManager(std::move(bluetoothManager))
    , m_connectionMonitor(std::move(connectionMonitor))
    , m_logger(std::move(logger))
    , m_clock(std::move(clock))
{ }

HandOverWait::~HandOverWait()
{
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        const QString recipient = idText(handOver->confirmation.recipient());
        for (const QString &address : handOver->confirmation.open()) {
            m_logger->warning(QStringLiteral("Quitting before Mac %1 confirmed device %2; it is not paired here again")
                                  .arg(recipient, address));
        }
        handOver->wake.request_stop();
    }
}

HandOverWait::HandOverPtr HandOverWait::open(const FlowContext &flow, const QStringList &addresses)
{
    const QUuid recipient = *flow.peerMacId;
    const auto handOver = std::make_shared<HandOver>(
        HandOver{flow, HandOverConfirmation(recipient, addresses, m_clock->now()), false, {}});
    m_handOvers.append(handOver);
    return handOver;
}

void HandOverWait::awaitReceiver(const HandOverPtr &handOver)
{
    // The devices count as handed over once the receiver lists them, not when the frame is written.
    handOver->confirmation.setStartedAt(m_clock->now());
    awaitConfirmation(m_coordinator.weak_from_this(), m_clock, handOver);
}

void HandOverWait::drop(const HandOverPtr &handOver)
{
    m_handOvers.removeOne(handOver);
}

QCoro::Task<> HandOverWait::awaitConfirmation(std::weak_ptr<ControlCoordinator> weak, ClockPtr clock,
                                              HandOverPtr handOver)
{
    const ControlCoordinator::RunningFlow running(weak);
    HandOverConfirmation &confirmation = handOver->confirmation;
    const qint64 checkIntervalMs = qint64(ControlCoordinator::CONFIRMATION_CHECK_INTERVAL_SECONDS * 1000);
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
            self->m_handOverWait->checkReceiver(handOver);
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
        QCoro::Task<> finishing = self->m_handOverWait->finishHandOver(handOver);
        co_await std::move(finishing);
    }
}

void HandOverWait::checkReceiver(const HandOverPtr &handOver)
{
    const int check = handOver->confirmation.beginCheck();
    QCoro::Task<bool> ping = m_connectionMonitor->forceHealthCheck(handOver->confirmation.recipient());
    noteUnsentCheck(handOver, check, std::move(ping));
}

QCoro::Task<> HandOverWait::noteUnsentCheck(std::weak_ptr<HandOver> weak, int check, QCoro::Task<bool> ping)
{
    const bool delivered = co_await std::move(ping);
    const HandOverPtr handOver = weak.lock();
    if (!delivered && handOver) {
        handOver->confirmation.checkNotSent(check);
    }
}

QCoro::Task<HandOverWait::PairedBack> HandOverWait::pairBack(FlowContext flow, QStringList addresses,
                                                             HandOverPtr handOver)
{
    const auto self = m_coordinator.shared_from_this();
    PairedBack back;
    for (const QString &address : std::as_const(addresses)) {
        // A confirmation or the device's return may still come while earlier ones pair.
        if (handOver && !handOver->confirmation.isOpen(address)) {
            continue;
        }
        const OperationResult result = co_await m_bluetoothManager->pairDevice(address);
        m_coordinator.publish(flow, ProgressStatus::PairResult{address, result.success, result.failureCategory});
        if (result.success) {
            back.paired.append(address);
        } else {
            back.failed.append(address);
            m_logger->warning(QStringLiteral("Failed to pair device with MAC address %1 again: %2")
                                  .arg(address, TransferFlowReport::messageOf(result)));
        }
    }
    co_return back;
}

QCoro::Task<> HandOverWait::finishHandOver(HandOverPtr handOver)
{
    const auto self = m_coordinator.shared_from_this();
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
        m_coordinator.endFlow(flow, ProgressStatus::Success{}, TransferFlowReport::handedOverText(confirmed, {}));
        co_return;
    }
    m_coordinator.endFlow(flow, ProgressStatus::Failed{OperationFailureCategory::Timeout},
                          TransferFlowReport::handedOverText(confirmed, back.paired, back.failed));
}

void HandOverWait::noteHandedOn(const DevicesReadyForPairingCommand &command)
{
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        if (handOver->flow.transactionId == command.transactionId
            && handOver->confirmation.recipient() == command.recipientMacId) {
            handOver->commandHandedOn = true;
        }
    }
}

void HandOverWait::confirmHandedDevices(const QUuid &senderMacId, const QStringList &macAddresses)
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

void HandOverWait::settleHandedDevice(const QString &address)
{
    for (const HandOverPtr &handOver : std::as_const(m_handOvers)) {
        if (handOver->confirmation.settle(address)) {
            m_logger->info(QStringLiteral("Device %1 is here again before Mac %2 confirmed it; it is not paired again")
                               .arg(address, idText(handOver->confirmation.recipient())));
            wakeIfClosed(*handOver);
        }
    }
}

void HandOverWait::wakeIfClosed(HandOver &handOver)
{
    if (handOver.confirmation.open().isEmpty()) {
        handOver.wake.request_stop();
    }
}

} // namespace verandel
