#include "common/DeviceRowPresentation.h"

namespace verandel {

QString DeviceRowPresentation::deviceIconName(DeviceType type)
{
    switch (type) {
    case DeviceType::MagicKeyboard: return QStringLiteral("keyboard");
    case DeviceType::MagicTrackpad: return QStringLiteral("trackpad");
    case DeviceType::MagicMouse: return QStringLiteral("computermouse");
    case DeviceType::Other: return QStringLiteral("questionmark.circle");
    }
    return QStringLiteral("questionmark.circle");
}

QString DeviceRowPresentation::controlText(Control control)
{
    switch (control) {
    case Control::StopTransfer: return QStringLiteral("Stop Transfer");
    case Control::AllowTransfer: return QStringLiteral("Allow Transfer");
    case Control::AllowAnyway: return QStringLiteral("Allow Anyway");
    }
    return {};
}

DeviceRowPresentation DeviceRowPresentation::make(const DeviceState &state, DeviceRowCompactMode mode)
{
    DeviceRowPresentation shown;
    shown.iconName = deviceIconName(state.classifiedDeviceType());
    shown.nameColor = state.isSupported() ? ThemeColor::PrimaryText : ThemeColor::SecondaryText;
    shown.statusText = displayName(state.connectionStatus());
    switch (state.connectionStatus()) {
    case ConnectionStatus::Connected: shown.statusDotColor = ThemeColor::Green; break;
    case ConnectionStatus::PairedNotConnected: shown.statusDotColor = ThemeColor::Orange; break;
    case ConnectionStatus::NotPaired: shown.statusDotColor = ThemeColor::SecondaryText; break;
    }

    // Only a device kept on this computer, in the available list, can be allowed; everything else stops.
    const bool allows = state.sharingStatus() == SharingStatus::Local && mode == DeviceRowCompactMode::Available;
    shown.control = !allows   ? Control::StopTransfer
        : state.isSupported() ? Control::AllowTransfer
                              : Control::AllowAnyway;

    shown.supportingTextBoxed = !state.isSupported();
    if (!state.isSupported()) {
        shown.supportingText = QStringLiteral(
            "This device may not yet be supported by Verandel. You can still allow transfer. If transfer fails, you "
            "may need to pair the device again manually.");
    } else if (state.connectionStatus() == ConnectionStatus::NotPaired) {
        shown.supportingText = QStringLiteral("Not paired with this computer yet.");
    } else if (state.connectionStatus() == ConnectionStatus::PairedNotConnected) {
        shown.supportingText = QStringLiteral("Paired on this computer, but not currently connected.");
    }

    shown.toolTip = !state.isSupported()
        ? QStringLiteral("This device is experimental in Verandel and may not switch reliably between computers.")
        : state.isShared() ? QStringLiteral("This device is allowed for transfer through Verandel.")
                           : QStringLiteral("Allow Verandel to transfer this paired device.");
    return shown;
}

} // namespace verandel
