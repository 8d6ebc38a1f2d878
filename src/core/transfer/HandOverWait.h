#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "linking/ConnectionMonitorServiceProtocol.h"
#include "peer/wire/PeerMessages.h"
#include "transfer/ControlCoordinator.h"
#include "transfer/HandOverConfirmation.h"

#include <QCoro/QCoroTask>
#include <QList>

#include <memory>
#include <stop_token>

namespace verandel {

// The coordinator's waits for receivers to confirm the devices given up to them. Each hand-over is
// checked on from the moment its command is written until every device is confirmed or owned here
// again; what is still open when the receiver's time is up, or once it stopped answering, is paired
// here again. Part of ControlCoordinator, which owns it and publishes for it.
class HandOverWait
{
public:
    using FlowContext = ControlCoordinator::FlowContext;

    // Devices given up by one flow, waiting for their receiver to confirm them.
    struct HandOver
    {
        FlowContext flow;
        HandOverConfirmation confirmation;
        // Pings count from the moment the devices-ready command goes to the network.
        bool commandHandedOn = false;
        // Stopped to end the current sleep of the wait early.
        std::stop_source wake;
    };
    using HandOverPtr = std::shared_ptr<HandOver>;

    struct PairedBack
    {
        QStringList paired;
        QStringList failed;
    };

    HandOverWait(ControlCoordinator &coordinator, BluetoothDeviceManagerPtr bluetoothManager,
                 ConnectionMonitorServicePtr connectionMonitor, LoggerPtr logger, ClockPtr clock);
    // Quitting: whatever the receivers have not confirmed yet is left as it is, and said so.
    ~HandOverWait();
    HandOverWait(const HandOverWait &) = delete;
    HandOverWait &operator=(const HandOverWait &) = delete;

    // Registered before the command leaves, so that no ping of the receiver can pass unseen.
    HandOverPtr open(const FlowContext &flow, const QStringList &addresses);
    // The command was delivered: the receiver's time counts from now, and the wait begins.
    void awaitReceiver(const HandOverPtr &handOver);
    // The command was not delivered: nothing waits for the devices.
    void drop(const HandOverPtr &handOver);
    // Pairs the devices here again, in order, publishing each result; with a hand-over, only those
    // still open when their turn comes.
    QCoro::Task<PairedBack> pairBack(FlowContext flow, QStringList addresses, HandOverPtr handOver = nullptr);

    void noteHandedOn(const DevicesReadyForPairingCommand &command);
    void confirmHandedDevices(const QUuid &senderMacId, const QStringList &macAddresses);
    // The device is owned here again: no hand-over waits for it any longer.
    void settleHandedDevice(const QString &address);

private:
    // Checks on the receiver every check interval, from the moment the command is written, until every
    // device is confirmed or settled, the receiver's time is up or it failed too many checks in a row;
    // then ends the hand-over.
    static QCoro::Task<> awaitConfirmation(std::weak_ptr<ControlCoordinator> weak, ClockPtr clock,
                                           HandOverPtr handOver);
    // Begins a check: a forced health check of the receiver, whose ping must be delivered.
    void checkReceiver(const HandOverPtr &handOver);
    static QCoro::Task<> noteUnsentCheck(std::weak_ptr<HandOver> weak, int check, QCoro::Task<bool> ping);
    // Pairs here again each device still open and publishes the outcome.
    QCoro::Task<> finishHandOver(HandOverPtr handOver);
    void wakeIfClosed(HandOver &handOver);

    ControlCoordinator &m_coordinator;
    BluetoothDeviceManagerPtr m_bluetoothManager;
    ConnectionMonitorServicePtr m_connectionMonitor;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    QList<HandOverPtr> m_handOvers;
};

} // namespace verandel
