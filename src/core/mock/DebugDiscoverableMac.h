#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

namespace verandel {

// A simulated peer computer of the debug context, reachable on this host at its port.
struct DebugDiscoverableMac
{
    // A UUID in text form; only the discovery transport checks it.
    QString id;
    quint16 port = 0;
    QString name;
    QString version;
    std::optional<QString> securityCode;

    // "securityCode" only when present.
    QJsonValue toJson() const;
    // Every key but "securityCode" is required; "port" is a whole number from 0 to 65535.
    static DebugDiscoverableMac fromJson(const QJsonValue &json);

    bool operator==(const DebugDiscoverableMac &) const = default;
};

} // namespace verandel
