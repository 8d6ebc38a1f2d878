#include "models/PermissionGuidanceCards.h"

namespace verandel {

namespace {

struct CardTexts
{
    QString title;
    QString message;
    QString detail;
};

bool isPreflight(DiscoveryPermissionGuidanceState state)
{
    return state == DiscoveryPermissionGuidanceState::Preflight;
}

bool isPreflight(BluetoothPermissionGuidanceState state)
{
    return state == BluetoothPermissionGuidanceState::Preflight;
}

// Before access is decided a card offers Continue/Cancel; once it is refused, the settings that can
// mend it and a new check, or only the new check where no settings panel can (an empty title).
PermissionGuidanceConfiguration card(bool preflight, const CardTexts &texts, const QString &settingsTitle,
                                     const PermissionGuidanceActions &actions)
{
    PermissionGuidanceConfiguration configuration;
    configuration.title = texts.title;
    configuration.message = texts.message;
    configuration.detail = texts.detail;
    if (preflight) {
        configuration.style = PermissionGuidanceStyle::Informational;
        configuration.primaryActionTitle = QStringLiteral("Continue");
        configuration.primaryAction = actions.proceed;
        configuration.secondaryActionTitle = QStringLiteral("Cancel");
        configuration.secondaryAction = actions.dismiss;
    } else if (settingsTitle.isEmpty()) {
        configuration.style = PermissionGuidanceStyle::Denied;
        configuration.primaryActionTitle = QStringLiteral("Check Again");
        configuration.primaryAction = actions.retry;
    } else {
        configuration.style = PermissionGuidanceStyle::Denied;
        configuration.primaryActionTitle = settingsTitle;
        configuration.primaryAction = actions.openSettings;
        configuration.secondaryActionTitle = QStringLiteral("I've Enabled It");
        configuration.secondaryAction = actions.retry;
    }
    return configuration;
}

const QString bluetoothSettings = QStringLiteral("Open Bluetooth Settings");

} // namespace

std::optional<DiscoveryPermissionGuidanceState>
PermissionGuidanceCards::localNetworkState(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown: return DiscoveryPermissionGuidanceState::Preflight;
    case SystemPermissionStatus::Denied: return DiscoveryPermissionGuidanceState::DeniedRecovery;
    case SystemPermissionStatus::Authorized: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<BluetoothPermissionGuidanceState> PermissionGuidanceCards::bluetoothState(SystemPermissionStatus status)
{
    switch (status) {
    case SystemPermissionStatus::Unknown: return BluetoothPermissionGuidanceState::Preflight;
    case SystemPermissionStatus::Denied: return BluetoothPermissionGuidanceState::DeniedRecovery;
    case SystemPermissionStatus::Authorized: return std::nullopt;
    }
    return std::nullopt;
}

PermissionGuidanceConfiguration PermissionGuidanceCards::localNetwork(DiscoveryPermissionGuidanceState state,
                                                                      const PermissionGuidanceActions &actions)
{
    const CardTexts texts = isPreflight(state)
        ? CardTexts{QStringLiteral("Allow Local Network"),
                    QStringLiteral("Verandel uses the local network service (avahi-daemon) to find nearby computers."),
                    QStringLiteral("Continue and Verandel checks that avahi-daemon is reachable.")}
        : CardTexts{QStringLiteral("Turn Local Network back on"),
                    QStringLiteral("Verandel can’t discover nearby computers until avahi-daemon is reachable again."),
                    QStringLiteral("The local network service (avahi-daemon) is off or not installed. An "
                                   "administrator can install it and run “systemctl enable --now avahi-daemon”, "
                                   "then check again.")};
    // No settings panel starts a system service: the card says what helps and offers a new check only.
    return card(isPreflight(state), texts, {}, actions);
}

PermissionGuidanceConfiguration PermissionGuidanceCards::bluetoothDevices(BluetoothPermissionGuidanceState state,
                                                                          const PermissionGuidanceActions &actions)
{
    const CardTexts texts = isPreflight(state)
        ? CardTexts{QStringLiteral("Allow Bluetooth"),
                    QStringLiteral("Verandel needs Bluetooth access to read paired devices and move control between "
                                   "linked computers."),
                    QStringLiteral("Continue and Verandel checks Bluetooth access again. Verandel runs Bluetooth "
                                   "actions only after access is allowed.")}
        : CardTexts{QStringLiteral("Turn Bluetooth access back on"),
                    QStringLiteral("Verandel can’t refresh or transfer Bluetooth devices until Bluetooth access is "
                                   "enabled again."),
                    QStringLiteral("Open Bluetooth Settings, make sure Bluetooth is on and available to you, then come "
                                   "back and refresh devices again.")};
    return card(isPreflight(state), texts, bluetoothSettings, actions);
}

PermissionGuidanceConfiguration PermissionGuidanceCards::bluetoothTransfer(BluetoothPermissionGuidanceState state,
                                                                           const PermissionGuidanceActions &actions)
{
    const CardTexts texts = isPreflight(state)
        ? CardTexts{QStringLiteral("Allow Bluetooth"),
                    QStringLiteral("Verandel needs Bluetooth access before it can move device control during a "
                                   "transfer."),
                    QStringLiteral("Continue and Verandel checks Bluetooth access again. Control actions start only "
                                   "after access is allowed.")}
        : CardTexts{QStringLiteral("Turn Bluetooth access back on"),
                    QStringLiteral("Verandel can’t move device control until Bluetooth access is enabled again."),
                    QStringLiteral("Open Bluetooth Settings, make sure Bluetooth is on and available to you, then come "
                                   "back and start control transfer again.")};
    return card(isPreflight(state), texts, bluetoothSettings, actions);
}

PermissionGuidanceConfiguration
PermissionGuidanceCards::withoutBluetoothSettingsProgram(PermissionGuidanceConfiguration card)
{
    card.detail = QStringLiteral("No Bluetooth settings program was found. In a terminal, run “rfkill unblock "
                                 "bluetooth” if Bluetooth is blocked, then “bluetoothctl power on”, and choose I've "
                                 "Enabled It.");
    return card;
}

} // namespace verandel
