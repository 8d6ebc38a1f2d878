#include "controlcenter/ControlCenterPanels.h"

#include "controlcenter/ConnectionStatusIndicator.h"
#include "controlcenter/OnboardingChecklistCard.h"

#include "models/ConnectionIndicatorPolicy.h"

#include "kit/CapsuleButton.h"
#include "kit/TextLabel.h"
#include "kit/UntrustedText.h"

#include "foundation/LogText.h"

namespace verandel {

namespace {

constexpr int indicatorSize = 6;

TextLabel *caption(const QString &text, TextStyle style = TextStyle::Caption)
{
    auto *label = new TextLabel(style, ThemeColor::SecondaryText);
    label->setWordWrap(true);
    label->setText(text);
    return label;
}

CapsuleButton *smallButton(const QString &title)
{
    auto *button = new CapsuleButton(title, CapsuleButton::Kind::Bordered);
    button->setControlSize(CapsuleButton::Size::Small);
    return button;
}

} // namespace

ThisMacPanel::ThisMacPanel(IconProviderPtr icons, DeviceRowFactory rows, ToolbarActionHandler onAction, QWidget *parent)
    : ControlCenterPanel(std::move(icons), QStringLiteral("desktopcomputer"), parent)
    , m_take(smallButton(QStringLiteral("Pull Devices Here…")))
    , m_devicesHeader(addDevicesHeader(m_take))
    , m_devices(new DeviceRowList(std::move(rows), true))
    , m_empty(caption(QStringLiteral("No devices connected")))
    , m_onboarding(new OnboardingChecklistCard(
          QStringLiteral("Set up devices you want to transfer."),
          {QStringLiteral("Ensure devices are paired to this computer."),
           QStringLiteral("Open Devices Settings and allow transfer for the ones you want to move.")},
          QStringLiteral("Devices Settings…"),
          [onAction] { onAction(ToolbarAction::of(ToolbarAction::Kind::ManageDevices)); }))
{
    connect(m_take, &QPushButton::clicked, this,
            [onAction] { onAction(ToolbarAction::of(ToolbarAction::Kind::TakeControl)); });
    content()->addWidget(m_devices);
    content()->addWidget(m_empty);
    content()->addWidget(m_onboarding);
}

QString ThisMacPanel::title(const std::optional<QString> &advertisedName)
{
    // A name stored before control characters were dropped may still hold an override: it is shown as
    // other computers receive it, and isolated from the words after it.
    return advertisedName
        ? UntrustedText::isolated(stripControlCharacters(*advertisedName)) + QStringLiteral(" (this computer)")
        : QStringLiteral("This Computer");
}

void ThisMacPanel::setContent(const ControlCenterContent &content, const std::optional<QString> &advertisedName)
{
    titleLabel()->setText(title(advertisedName));
    const bool onboarding = content.showsSharedDevicesOnboarding;
    m_devicesHeader->setVisible(!onboarding);
    m_take->setEnabled(content.hasActiveMacsWithDevices);
    m_take->setToolTip(content.takeUnavailableReason.isEmpty() ? QString()
                                                               : UntrustedText::toolTip(content.takeUnavailableReason));
    m_devices->setDevices(content.devicesOnThisMac);
    m_devices->setVisible(!content.devicesOnThisMac.isEmpty());
    m_empty->setVisible(content.devicesOnThisMac.isEmpty() && !onboarding);
    m_onboarding->setVisible(content.devicesOnThisMac.isEmpty() && onboarding);
}

ConnectedMacPanel::ConnectedMacPanel(IconProviderPtr icons, DeviceRowFactory rows, ToolbarActionHandler onAction,
                                     QWidget *parent)
    : ControlCenterPanel(std::move(icons), QStringLiteral("laptopcomputer"), parent)
    , m_indicator(new ConnectionStatusIndicator(ConnectionState::Disconnected))
    , m_state(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText))
    , m_send(smallButton(QStringLiteral("Move Devices There…")))
    , m_devices(new DeviceRowList(std::move(rows), false))
    , m_empty(caption(QStringLiteral("No devices connected")))
    , m_notConnected(new QWidget)
    , m_identityConflict(caption(ConnectionIndicatorPolicy::identityConflictText()))
{
    auto *stateRow = new QHBoxLayout;
    stateRow->setSpacing(4);
    m_indicator->setFixedSize(indicatorSize, indicatorSize);
    stateRow->addWidget(m_indicator, 0, Qt::AlignVCenter);
    stateRow->addWidget(m_state, 1);
    titleColumn()->addLayout(stateRow);

    addDevicesHeader(m_send);
    connect(m_send, &QPushButton::clicked, this, [this, onAction] {
        if (m_mac) {
            onAction(ToolbarAction::sendControl(*m_mac));
        }
    });
    content()->addWidget(m_devices);
    content()->addWidget(m_empty);
    auto *note = new QVBoxLayout(m_notConnected);
    note->setContentsMargins(0, 0, 0, 0);
    note->setSpacing(4);
    note->addWidget(caption(QStringLiteral("Not connected")));
    note->addWidget(caption(QStringLiteral("Please make sure the computer is connected to the network and the "
                                           "Verandel app is running."),
                            TextStyle::Caption));
    content()->addWidget(m_notConnected);
    content()->addWidget(m_identityConflict);
}

void ConnectedMacPanel::setContent(const LinkedMacPanelContent &content)
{
    m_mac = content.mac;
    titleLabel()->setText(content.mac.displayName());
    m_indicator->setState(content.state);
    m_state->setText(content.identityConflict ? QStringLiteral("Transfers paused")
                                              : ConnectionIndicatorPolicy::panelStateText(content.state));
    m_send->setVisible(content.offersSend);
    m_send->setEnabled(content.sendEnabled);
    m_send->setToolTip(content.sendUnavailableReason.isEmpty() ? QString()
                                                               : UntrustedText::toolTip(content.sendUnavailableReason));
    // The card lists devices while the computer answers and is not paused: when it offers a send.
    const bool active = content.offersSend;
    m_devices->setDevices(content.devices);
    m_devices->setVisible(active && !content.devices.isEmpty());
    m_empty->setVisible(active && content.devices.isEmpty());
    m_notConnected->setVisible(!active && !content.identityConflict);
    m_identityConflict->setVisible(content.identityConflict);
}

EmptyConnectedMacsPanel::EmptyConnectedMacsPanel(IconProviderPtr icons, ToolbarActionHandler onAction, QWidget *parent)
    : ControlCenterPanel(std::move(icons), QStringLiteral("laptopcomputer"), parent)
    , m_onboarding(new OnboardingChecklistCard(
          QStringLiteral("Set up linked computers to transfer devices."),
          {QStringLiteral("Install Verandel on the other computer."),
           QStringLiteral("Open Linked Computers Settings and link computers together.")},
          QStringLiteral("Linked Computers Settings…"),
          [onAction] { onAction(ToolbarAction::of(ToolbarAction::Kind::ManageConnectedMacs)); }))
{
    titleLabel()->setText(QStringLiteral("Linked Computers"));
    content()->addWidget(m_onboarding);
}

InTransitionPanel::InTransitionPanel(IconProviderPtr icons, DeviceRowFactory rows, QWidget *parent)
    : ControlCenterPanel(std::move(icons), QStringLiteral("arrow.left.arrow.right"), parent)
    , m_devices(new DeviceRowList(std::move(rows), true))
{
    titleLabel()->setText(QStringLiteral("In Transition"));
    content()->addWidget(m_devices);
    setVisible(false);
}

void InTransitionPanel::setDevices(const QList<DeviceState> &devices)
{
    m_devices->setDevices(devices);
    setVisible(!devices.isEmpty());
}

} // namespace verandel
