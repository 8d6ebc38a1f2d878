#pragma once

#include "bluetooth/BluetoothDeviceManagerProtocol.h"
#include "bluetooth/BluetoothPermissionGuidanceState.h"
#include "bluetooth/SystemPermissionCheckerProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "linking/ConnectionMonitorServiceProtocol.h"
#include "peer/PeerCommunicationHub.h"
#include "peer/PeerDirectoryServiceProtocol.h"
#include "records/ConnectedMacStorageServiceProtocol.h"
#include "records/DeviceStorageServiceProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"
#include "telemetry/MetricsPublisherProtocol.h"
#include "transfer/ControlTransferProgress.h"
#include "transfer/DeviceOwnershipService.h"
#include "transfer/LocalTakeControlPendingTargetsStore.h"

#include <QObject>

#include <memory>
#include <optional>

namespace verandel {

class ControlSender;
class DeviceReceiver;
class HandOverWait;
class TransferPermissionGate;

// Moves control of the shared Bluetooth devices between linked computers. Take control asks other
// computers for their devices; send control gives this computer's devices to one; a transfer request
// from another computer gives them up; a devices-ready command pairs what another computer gave up.
// Every step is published as a ControlTransferProgress. Every flow passes the Bluetooth permission
// gate first, which also drives the permission guidance.
//
// Devices given up here count as handed over only once the receiving computer lists them in a ping of
// its own; those it has not listed when its time is up, or once it has stopped answering, are paired
// here again, so that no device ends up paired with neither computer.
//
// Main thread only. The entry operations post their flow to the event loop and return at once; each
// flow (and each received event) runs as a coroutine of its own, so flows may overlap. Always held by
// shared_ptr: a running flow keeps the coordinator alive until it ends; the waits for answers and for
// confirmations hold it weakly and end when it goes.
//
// Each job has a private collaborator that the coordinator owns: ControlSender gives devices up,
// DeviceReceiver pairs those given up by another computer, HandOverWait waits for a receiver's
// confirmation and TransferPermissionGate gates the flows on the Bluetooth permission. They publish
// through the coordinator and guard it as its own flows do.
class ControlCoordinator final : public QObject, public std::enable_shared_from_this<ControlCoordinator>
{
    Q_OBJECT

public:
    // How long take control waits for each target's devices-ready answer.
    static constexpr double ANSWER_TIMEOUT_SECONDS = 60.0;
    // While devices handed over are unconfirmed, the receiver is pinged this often for its list.
    static constexpr double CONFIRMATION_CHECK_INTERVAL_SECONDS = 10.0;

    ControlCoordinator(std::shared_ptr<PeerCommunicationHub> eventHub, DeviceOwnershipServicePtr deviceOwnership,
                       BluetoothDeviceManagerPtr bluetoothManager, SystemPermissionCheckerPtr systemPermissionChecker,
                       ConnectedMacStorageServicePtr connectedMacStorage, DeviceStorageServicePtr deviceStorage,
                       std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService,
                       ConnectionMonitorServicePtr connectionMonitor,
                       std::shared_ptr<PeerDirectoryServiceProtocol> peerDirectory,
                       MetricsPublisherPtr metricsPublisher, LoggerFactory &loggerFactory, ClockPtr clock,
                       QObject *parent = nullptr);
    ~ControlCoordinator() override;

    // Pulls the devices of every reachable linked computer, or of the one given.
    void takeControl();
    void takeControl(const QUuid &fromMacId);
    // Gives this computer's connected shared devices to the computer.
    void sendControl(const QUuid &toMacId);

    // Whether offering take control makes sense: another computer is linked and some stored device is
    // not known to be owned here. Reads the stores anew; never throws.
    bool canTakeControl();
    // Whether offering send control to the computer makes sense: it is linked and some stored device
    // is owned here.
    bool canSendControl(const QUuid &toMacId);

    QUuid currentMacId() const;

    // The latest record of any flow; none before the first.
    std::optional<ControlTransferProgress> currentControlTransferProgress() const { return m_progress; }
    // None: no guidance is shown.
    std::optional<BluetoothPermissionGuidanceState> currentBluetoothPermissionGuidanceState() const
    {
        return m_guidance;
    }

    // Publishes the guidance from the event loop (none puts the card away).
    void stageBluetoothPermissionGuidance(std::optional<BluetoothPermissionGuidanceState> state);
    void dismissBluetoothPermissionGuidance();
    // Looks at the permission again and shows the matching guidance.
    void retryBluetoothPermissionGuidance();
    // Asks for the permission (the system may prompt) and shows the matching guidance.
    void continueBluetoothPermissionGuidance();
    // False when no settings program could be started.
    bool openBluetoothSettings();

    // The targets of a take control begun here that have not reached a terminal status.
    QSet<QUuid> pendingTakeControlTargets(const QString &transactionId) const;

    // The transfer work under way here: each running flow, each wait for a take-control answer and
    // each wait for a receiver's confirmation counts one. Zero when quitting would interrupt nothing.
    int runningFlowCount() const { return m_runningFlowCount; }

Q_SIGNALS:
    // Each record as it is published.
    void controlTransferProgressChanged(const verandel::ControlTransferProgress &progress);
    void bluetoothPermissionGuidanceStateChanged(std::optional<verandel::BluetoothPermissionGuidanceState> state);
    void runningFlowCountChanged(int count);

private:
    friend class ControlSender;
    friend class DeviceReceiver;
    friend class HandOverWait;
    friend class TransferPermissionGate;

    // Counts one running flow for as long as it lives, if the coordinator still exists.
    class RunningFlow
    {
    public:
        explicit RunningFlow(std::weak_ptr<ControlCoordinator> coordinator);
        RunningFlow(const RunningFlow &) = delete;
        RunningFlow &operator=(const RunningFlow &) = delete;
        ~RunningFlow();

    private:
        std::weak_ptr<ControlCoordinator> m_coordinator;
    };

    // The records of one flow: its transaction, direction and peer.
    struct FlowContext
    {
        QString transactionId;
        ControlTransferDirection direction;
        std::optional<QUuid> peerMacId;
    };

    // A new random UUID, lower-cased: the transaction id of a flow begun here.
    static QString newTransactionId();

    QCoro::Task<> performTakeControl(std::optional<QUuid> targetMacId);
    static QCoro::Task<> awaitAnswer(std::weak_ptr<ControlCoordinator> weak, ClockPtr clock, QString transactionId,
                                     QUuid targetMacId, std::stop_token token);

    // Refreshes the permission, publishes the matching guidance and answers the status.
    QCoro::Task<SystemPermissionStatus> ensureBluetoothAuthorizedForTransferFlow();
    QCoro::Task<> refreshBluetoothPermissionGuidanceState();
    QCoro::Task<> requestBluetoothPermissionGuidanceState();
    // The record a flow stops with when the gate does not let it through.
    static std::optional<ControlTransferProgressStatus> gateStop(SystemPermissionStatus status);

    // The linked computer's installation id, lower-cased; none when it is not stored or unreadable.
    std::optional<QString> peerInstallationId(const QUuid &macId);
    // Asks every other linked computer for a ping now, so that it carries what is owned here.
    void forceHealthChecksOfLinkedMacs();

    // True when the transaction id of a peer's command is a UUID; warns and answers false otherwise.
    bool acceptsTransactionId(const QString &transactionId, const QUuid &senderMacId, const char *what) const;

    void publish(const FlowContext &flow, ControlTransferProgressStatus status);
    // Publishes the flow's outcome and logs, once, how it ended: direction, the other computer, the
    // outcome and what became of the devices (none moved when the text is empty).
    void endFlow(const FlowContext &flow, const ControlTransferProgressStatus &outcome, const QString &devices = {});
    // The linked computer's name and id, as log lines name it.
    QString computerText(const std::optional<QUuid> &macId);
    void setGuidance(std::optional<BluetoothPermissionGuidanceState> state);
    void handleConnectionStateChange(const QUuid &macId, ConnectionState state);
    void setRunningFlowCount(int count);

    std::shared_ptr<PeerCommunicationHub> m_eventHub;
    DeviceOwnershipServicePtr m_deviceOwnership;
    BluetoothDeviceManagerPtr m_bluetoothManager;
    SystemPermissionCheckerPtr m_systemPermissionChecker;
    ConnectedMacStorageServicePtr m_connectedMacStorage;
    DeviceStorageServicePtr m_deviceStorage;
    std::shared_ptr<MacIdentifierServiceProtocol> m_macIdentifierService;
    ConnectionMonitorServicePtr m_connectionMonitor;
    std::shared_ptr<PeerDirectoryServiceProtocol> m_peerDirectory;
    MetricsPublisherPtr m_metricsPublisher;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    std::optional<BluetoothPermissionGuidanceState> m_guidance;
    std::optional<ControlTransferProgress> m_progress;
    LocalTakeControlPendingTargetsStore m_localTakeControlPendingTargetsStore;
    int m_runningFlowCount = 0;
    std::unique_ptr<TransferPermissionGate> m_permissionGate;
    std::unique_ptr<HandOverWait> m_handOverWait;
    std::unique_ptr<ControlSender> m_sender;
    std::unique_ptr<DeviceReceiver> m_receiver;
};

using ControlCoordinatorPtr = std::shared_ptr<ControlCoordinator>;

} // namespace verandel
