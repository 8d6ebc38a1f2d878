#include "models/BluetoothRefreshSource.h"

namespace verandel {

QString toString(BluetoothRefreshSource source)
{
    switch (source) {
    case BluetoothRefreshSource::UserInitiated: return QStringLiteral("userInitiated");
    case BluetoothRefreshSource::AppLaunchPassive: return QStringLiteral("appLaunchPassive");
    case BluetoothRefreshSource::ToolbarPreparation: return QStringLiteral("toolbarPreparation");
    }
    return {};
}

} // namespace verandel
