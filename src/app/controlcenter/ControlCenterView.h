#pragma once

#include "controlcenter/ControlCenterPanel.h"

#include "models/ControlCenterContent.h"
#include "models/ControlCenterTransferState.h"
#include "models/ControlCoordinatorProtocol.h"
#include "models/DeviceOwnershipProtocol.h"
#include "models/SharedDevicesSource.h"
#include "models/ToolbarAction.h"

#include "bluetooth/BluetoothPermissionGuidanceState.h"
#include "foundation/ClockProtocol.h"
#include "records/MacIdentifierServiceProtocol.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>

#include <functional>
#include <optional>

namespace verandel {

class ConnectedMacsViewModel;
class ConnectedMacPanel;
class EmptyConnectedMacsPanel;
class InTransitionPanel;
class PermissionGuidanceView;
class TextLabel;
class ThisMacPanel;
class TransferMessageView;

// The Control Center: the transfer message, the Bluetooth card when the coordinator asks for one, this
// computer with its devices, each linked computer with its devices, and the devices in transition. The
// user pulls devices here or moves them to a linked computer, or goes to the settings.
//
// Every service publication is received queued, so a service that publishes from inside one of our
// calls (setOwner publishes the new map at once) reaches us after that call. The linked computers'
// cards are kept by computer id and updated in place.
class ControlCenterView : public QScrollArea
{
    Q_OBJECT

public:
    struct Services
    {
        ConnectedMacsViewModel *connectedMacsViewModel = nullptr;
        SharedDevicesSource *devices = nullptr;
        ControlCoordinatorProtocolPtr controlCoordinator;
        DeviceOwnershipProtocolPtr deviceOwnership;
        std::shared_ptr<MacIdentifierServiceProtocol> macIdentifierService;
        ControlCenterTransferState *transferState = nullptr;
        // Moves the transfer's busy line; none leaves it standing.
        ClockPtr clock;
    };

    // An empty `deviceRows` shows the shared device row.
    ControlCenterView(Services services, IconProviderPtr icons, DeviceRowFactory deviceRows,
                      std::function<void(SettingsAction)> onSettingsAction, QWidget *parent = nullptr);
    ~ControlCenterView() override;

    // What the column shows now.
    ControlCenterContent content() const;
    // The height the column needs to show everything at `width`, without a scroll bar.
    int fittingHeight(int width) const;
    ControlCenterInputs inputs() const;

    TransferMessageView *messageView() const { return m_message; }
    TextLabel *messageLabel() const;
    PermissionGuidanceView *bluetoothCard() const { return m_bluetoothCard; }
    ThisMacPanel *thisMacPanel() const { return m_thisMac; }
    ConnectedMacPanel *panelOf(const QUuid &macId) const { return m_linkedPanels.value(macId); }
    EmptyConnectedMacsPanel *emptyPanel() const { return m_emptyPanel; }
    InTransitionPanel *inTransitionPanel() const { return m_inTransition; }

public Q_SLOTS:
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void handleToolbarAction(const ToolbarAction &action);
    void attemptOwnershipBootstrap();
    void subscribe();
    void refreshLinkedPanels(const ControlCenterContent &content);

    Services m_services;
    IconProviderPtr m_icons;
    DeviceRowFactory m_deviceRows;
    std::function<void(SettingsAction)> m_onSettingsAction;

    OwnershipMap m_ownershipState;
    std::optional<ConnectionStateChange> m_latestConnectionStateChange;
    std::optional<QString> m_advertisedName;
    std::optional<BluetoothPermissionGuidanceState> m_guidance;
    bool m_noBluetoothSettingsProgram = false;

    TransferMessageView *m_message;
    PermissionGuidanceView *m_bluetoothCard;
    ThisMacPanel *m_thisMac;
    QWidget *m_linkedColumn;
    QHash<QUuid, ConnectedMacPanel *> m_linkedPanels;
    EmptyConnectedMacsPanel *m_emptyPanel;
    InTransitionPanel *m_inTransition;
};

} // namespace verandel
