#pragma once

#include "records/ConnectedMac.h"

namespace verandel {

// The caller-chosen fields from which the linked-computer store creates a record.
struct ConnectedMacInput
{
    QUuid id;
    QString name;
    QString installationId;
    ConnectionMetadata connectionMetadata;

    // Both time stamps are the same instant.
    ConnectedMac toConnectedMac(const QDateTime &now) const;

    QString description() const;

    QJsonValue toJson() const;
    static ConnectedMacInput fromJson(const QJsonValue &json);

    bool operator==(const ConnectedMacInput &) const = default;
};

size_t qHash(const ConnectedMacInput &input, size_t seed = 0);

} // namespace verandel
