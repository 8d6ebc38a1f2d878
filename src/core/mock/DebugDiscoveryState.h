#pragma once

#include <QJsonValue>
#include <QString>

namespace verandel {

// A discovery state and its code, kept in the debug context for the person editing it; nothing acts on it.
struct DebugDiscoveryState
{
    QString state;
    QString securityCode;

    QJsonValue toJson() const;
    // Both keys required.
    static DebugDiscoveryState fromJson(const QJsonValue &json);

    bool operator==(const DebugDiscoveryState &) const = default;
};

} // namespace verandel
