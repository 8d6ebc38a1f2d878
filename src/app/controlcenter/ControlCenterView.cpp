#include "controlcenter/ControlCenterView.h"

#include "controlcenter/ControlCenterPanels.h"
#include "controlcenter/TransferMessageView.h"

#include "models/ConnectedMacsViewModel.h"
#include "models/ToolbarOwnershipBootstrap.h"

#include "common/PermissionGuidanceView.h"
#include "kit/TextLabel.h"
#include "models/PermissionGuidanceCards.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int columnSpacing = 12;
constexpr int columnPadding = 16;

} // namespace

ControlCenterView::ControlCenterView(Services services, IconProviderPtr icons, DeviceRowFactory deviceRows,
                                     std::function<void(SettingsAction)> onSettingsAction, QWidget *parent)
    : QScrollArea(parent)
    , m_services(std::move(services))
    , m_icons(std::move(icons))
    , m_deviceRows(deviceRows ? std::move(deviceRows) : deviceInfoRowFactory(m_icons))
    , m_onSettingsAction(std::move(onSettingsAction))
    , m_ownershipState(m_services.deviceOwnership->currentOwnershipState())
    , m_advertisedName(m_services.macIdentifierService->advertisedName())
    , m_guidance(m_services.controlCoordinator->currentBluetoothPermissionGuidanceState())
    , m_message(new TransferMessageView(m_icons, m_services.clock))
    , m_bluetoothCard(new PermissionGuidanceView(m_icons))
{
    const auto onAction = [this](const ToolbarAction &action) { handleToolbarAction(action); };
    m_thisMac = new ThisMacPanel(m_icons, m_deviceRows, onAction);
    m_emptyPanel = new EmptyConnectedMacsPanel(m_icons, onAction);
    m_inTransition = new InTransitionPanel(m_icons, m_deviceRows);
    m_linkedColumn = new QWidget;
    auto *linked = new QVBoxLayout(m_linkedColumn);
    linked->setContentsMargins(0, 0, 0, 0);
    linked->setSpacing(columnSpacing);

    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(columnPadding, columnPadding, columnPadding, columnPadding);
    layout->setSpacing(columnSpacing);
    for (QWidget *row :
         {static_cast<QWidget *>(m_message), static_cast<QWidget *>(m_bluetoothCard), static_cast<QWidget *>(m_thisMac),
          m_linkedColumn, static_cast<QWidget *>(m_emptyPanel), static_cast<QWidget *>(m_inTransition)}) {
        layout->addWidget(row);
    }
    layout->addStretch(1);
    setWidget(column);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundRole(QPalette::Window);
    subscribe();
    refresh();
}

ControlCenterView::~ControlCenterView() = default;

TextLabel *ControlCenterView::messageLabel() const
{
    return m_message->label();
}

void ControlCenterView::subscribe()
{
    const auto queued = Qt::QueuedConnection;
    connect(
        m_services.deviceOwnership.get(), &DeviceOwnershipProtocol::ownershipStateChanged, this,
        [this](const OwnershipMap &ownership) {
            m_ownershipState = ownership;
            refresh();
        },
        queued);
    connect(
        m_services.devices, &SharedDevicesSource::verandelDevicesChanged, this,
        [this] {
            attemptOwnershipBootstrap();
            refresh();
        },
        queued);
    connect(
        m_services.connectedMacsViewModel, &ConnectedMacsViewModel::connectionStateChanged, this,
        [this](const QUuid &macId, ConnectionState state) {
            m_latestConnectionStateChange = ConnectionStateChange{macId, state};
            refresh();
        },
        queued);
    connect(m_services.connectedMacsViewModel, &ConnectedMacsViewModel::connectedMacsChanged, this,
            &ControlCenterView::refresh, queued);
    connect(m_services.connectedMacsViewModel, &ConnectedMacsViewModel::connectionStatusesChanged, this,
            &ControlCenterView::refresh, queued);
    connect(m_services.connectedMacsViewModel, &ConnectedMacsViewModel::identityConflictsChanged, this,
            &ControlCenterView::refresh, queued);
    connect(
        m_services.macIdentifierService.get(), &MacIdentifierServiceProtocol::advertisedNameDidChange, this,
        [this](const std::optional<QString> &name) {
            m_advertisedName = name;
            refresh();
        },
        queued);
    connect(
        m_services.controlCoordinator.get(), &ControlCoordinatorProtocol::bluetoothPermissionGuidanceStateChanged, this,
        [this](std::optional<BluetoothPermissionGuidanceState> state) {
            m_guidance = state;
            refresh();
        },
        queued);
    if (m_services.transferState) {
        connect(m_services.transferState, &ControlCenterTransferState::messageChanged, this,
                &ControlCenterView::refresh, queued);
    }
}

void ControlCenterView::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    attemptOwnershipBootstrap();
    m_advertisedName = m_services.macIdentifierService->advertisedName();
    m_guidance = m_services.controlCoordinator->currentBluetoothPermissionGuidanceState();
    refresh();
}

// Claims the connected shared devices nobody owns. The addresses come from the service's own map: the
// view's copy lags behind publications that are still on their way.
void ControlCenterView::attemptOwnershipBootstrap()
{
    ToolbarOwnershipBootstrap::apply(
        m_services.controlCoordinator->currentMacId(), m_services.devices->verandelDevices(),
        m_services.deviceOwnership->currentOwnershipState(), [this](const QUuid &macId, const QStringList &addresses) {
            m_services.deviceOwnership->setOwner(macId, addresses);
        });
}

int ControlCenterView::fittingHeight(int width) const
{
    QWidget *column = widget();
    column->ensurePolished();
    if (QLayout *layout = column->layout()) {
        layout->activate();
    }
    return column->hasHeightForWidth() ? column->heightForWidth(width) : column->sizeHint().height();
}

ControlCenterInputs ControlCenterView::inputs() const
{
    ControlCenterInputs in;
    in.thisMacId = m_services.controlCoordinator->currentMacId();
    in.connectedMacs = m_services.connectedMacsViewModel->connectedMacs();
    const auto statuses = m_services.connectedMacsViewModel->connectionStatuses();
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it) {
        if (it.value()) {
            in.connectionStates.insert(it.key(), it.value()->connectionState());
        }
    }
    in.latestConnectionStateChange = m_latestConnectionStateChange;
    in.identityConflicts = m_services.connectedMacsViewModel->identityConflicts();
    in.sharedDevices = m_services.devices->verandelDevices();
    in.ownership = m_ownershipState;
    return in;
}

ControlCenterContent ControlCenterView::content() const
{
    return ControlCenterContent::compute(inputs());
}

void ControlCenterView::refresh()
{
    const ControlCenterContent now = content();
    const std::optional<QString> message
        = m_services.transferState ? m_services.transferState->message() : std::optional<QString>();
    if (message) {
        m_message->setMessage(*message, m_services.transferState->kind());
    }
    m_message->setVisible(message.has_value());

    if (m_guidance) {
        PermissionGuidanceActions actions;
        const ControlCoordinatorProtocolPtr coordinator = m_services.controlCoordinator;
        actions.proceed = [coordinator] { coordinator->continueBluetoothPermissionGuidance(); };
        actions.dismiss = [coordinator] { coordinator->stageBluetoothPermissionGuidance(std::nullopt); };
        // Without a settings program to start, the card says what to run instead.
        actions.openSettings = [this, coordinator] {
            if (!coordinator->openBluetoothSettings() && !m_noBluetoothSettingsProgram) {
                m_noBluetoothSettingsProgram = true;
                refresh();
            }
        };
        actions.retry = [coordinator] { coordinator->retryBluetoothPermissionGuidance(); };
        const PermissionGuidanceConfiguration card = PermissionGuidanceCards::bluetoothTransfer(*m_guidance, actions);
        m_bluetoothCard->setConfiguration(
            m_noBluetoothSettingsProgram ? PermissionGuidanceCards::withoutBluetoothSettingsProgram(card) : card);
    }
    m_bluetoothCard->setVisible(m_guidance.has_value());

    m_thisMac->setContent(now, m_advertisedName);
    refreshLinkedPanels(now);
    m_emptyPanel->setVisible(now.linkedMacs.isEmpty());
    m_inTransition->setDevices(now.devicesInTransition);
}

void ControlCenterView::refreshLinkedPanels(const ControlCenterContent &content)
{
    auto *layout = static_cast<QVBoxLayout *>(m_linkedColumn->layout());
    QHash<QUuid, ConnectedMacPanel *> kept;
    const auto onAction = [this](const ToolbarAction &action) { handleToolbarAction(action); };
    for (qsizetype index = 0; index < content.linkedMacs.size(); ++index) {
        const LinkedMacPanelContent &panelContent = content.linkedMacs[index];
        ConnectedMacPanel *panel = m_linkedPanels.take(panelContent.mac.id());
        if (!panel) {
            panel = new ConnectedMacPanel(m_icons, m_deviceRows, onAction);
        }
        panel->setContent(panelContent);
        // Moved only when the order changed.
        const int position = static_cast<int>(index);
        if (layout->itemAt(position) == nullptr || layout->itemAt(position)->widget() != panel) {
            layout->removeWidget(panel);
            layout->insertWidget(position, panel);
        }
        kept.insert(panelContent.mac.id(), panel);
    }
    qDeleteAll(m_linkedPanels);
    m_linkedPanels = kept;
    m_linkedColumn->setVisible(!kept.isEmpty());
}

void ControlCenterView::handleToolbarAction(const ToolbarAction &action)
{
    using Kind = ToolbarAction::Kind;
    switch (action.kind) {
    case Kind::SendControl:
        if (action.target) {
            m_services.controlCoordinator->sendControl(action.target->id());
        }
        return;
    case Kind::TakeControl: m_services.controlCoordinator->takeControl(); return;
    case Kind::ManageConnectedMacs: m_onSettingsAction(SettingsAction::ShowConnectedMacs); return;
    case Kind::ManageDevices: m_onSettingsAction(SettingsAction::ShowDevices); return;
    case Kind::ShowSettings: m_onSettingsAction(SettingsAction::ShowGeneral); return;
    case Kind::CheckForUpdates: m_onSettingsAction(SettingsAction::CheckForUpdates); return;
    case Kind::Quit: m_onSettingsAction(SettingsAction::Quit); return;
    }
}

} // namespace verandel
