#pragma once

#include "controlcenter/ControlCenterPanel.h"

#include "models/ControlCenterContent.h"
#include "models/ToolbarAction.h"

#include <optional>

namespace verandel {

class CapsuleButton;
class ConnectionStatusIndicator;
class OnboardingChecklistCard;

using ToolbarActionHandler = std::function<void(const ToolbarAction &)>;

// This computer: its name, the devices it controls and "Pull Devices Here…", or the set-up checklist
// while no device is allowed for transfer.
class ThisMacPanel : public ControlCenterPanel
{
    Q_OBJECT

public:
    ThisMacPanel(IconProviderPtr icons, DeviceRowFactory rows, ToolbarActionHandler onAction,
                 QWidget *parent = nullptr);

    // "Studio (this computer)" (the name isolated), or "This Computer" without a name.
    static QString title(const std::optional<QString> &advertisedName);
    void setContent(const ControlCenterContent &content, const std::optional<QString> &advertisedName);

    CapsuleButton *takeButton() const { return m_take; }
    OnboardingChecklistCard *onboarding() const { return m_onboarding; }
    DeviceRowList *deviceList() const { return m_devices; }
    TextLabel *emptyLabel() const { return m_empty; }

private:
    CapsuleButton *m_take;
    QWidget *m_devicesHeader;
    DeviceRowList *m_devices;
    TextLabel *m_empty;
    OnboardingChecklistCard *m_onboarding;
};

// One linked computer: its state, the devices it controls while connected, and "Move Devices There…"
// while it answers.
class ConnectedMacPanel : public ControlCenterPanel
{
    Q_OBJECT

public:
    ConnectedMacPanel(IconProviderPtr icons, DeviceRowFactory rows, ToolbarActionHandler onAction,
                      QWidget *parent = nullptr);

    void setContent(const LinkedMacPanelContent &content);

    CapsuleButton *sendButton() const { return m_send; }
    ConnectionStatusIndicator *indicator() const { return m_indicator; }
    TextLabel *stateLabel() const { return m_state; }
    DeviceRowList *deviceList() const { return m_devices; }
    TextLabel *emptyLabel() const { return m_empty; }
    QWidget *notConnectedNote() const { return m_notConnected; }
    TextLabel *identityConflictNote() const { return m_identityConflict; }

private:
    std::optional<ConnectedMac> m_mac;
    ConnectionStatusIndicator *m_indicator;
    TextLabel *m_state;
    CapsuleButton *m_send;
    DeviceRowList *m_devices;
    TextLabel *m_empty;
    QWidget *m_notConnected;
    TextLabel *m_identityConflict;
};

// No computer is linked yet: a checklist that leads to the Linked Computers settings.
class EmptyConnectedMacsPanel : public ControlCenterPanel
{
    Q_OBJECT

public:
    EmptyConnectedMacsPanel(IconProviderPtr icons, ToolbarActionHandler onAction, QWidget *parent = nullptr);

    OnboardingChecklistCard *onboarding() const { return m_onboarding; }

private:
    OnboardingChecklistCard *m_onboarding;
};

// The devices on their way between computers.
class InTransitionPanel : public ControlCenterPanel
{
    Q_OBJECT

public:
    InTransitionPanel(IconProviderPtr icons, DeviceRowFactory rows, QWidget *parent = nullptr);

    // Hidden while the list is empty.
    void setDevices(const QList<DeviceState> &devices);
    DeviceRowList *deviceList() const { return m_devices; }

private:
    DeviceRowList *m_devices;
};

} // namespace verandel
