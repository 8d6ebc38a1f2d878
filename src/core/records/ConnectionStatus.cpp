#include "records/ConnectionStatus.h"

#include "foundation/JsonDecodeError.h"

namespace verandel {

QString displayName(ConnectionStatus status)
{
    switch (status) {
    case ConnectionStatus::Connected: return QStringLiteral("Connected");
    case ConnectionStatus::NotPaired: return QStringLiteral("Not paired");
    case ConnectionStatus::PairedNotConnected: return QStringLiteral("Paired, not connected");
    }
    return {};
}

ConnectionStatus connectionStatusFromBluetooth(bool isPaired, bool isConnected)
{
    if (!isPaired) {
        return ConnectionStatus::NotPaired;
    }
    return isConnected ? ConnectionStatus::Connected : ConnectionStatus::PairedNotConnected;
}

QJsonValue toJson(ConnectionStatus status)
{
    return toString(status);
}

ConnectionStatus connectionStatusFromJson(const QJsonValue &json)
{
    if (!json.isString()) {
        throw JsonDecodeError(QStringLiteral("Expected a string for ConnectionStatus"));
    }
    const QString text = json.toString();
    if (const std::optional<ConnectionStatus> status = connectionStatusFromString(text)) {
        return *status;
    }
    if (text == u"not_connected") {
        return ConnectionStatus::PairedNotConnected;
    }
    throw JsonDecodeError(QStringLiteral("Invalid ConnectionStatus raw value: ") + text);
}

} // namespace verandel
