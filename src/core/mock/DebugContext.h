#pragma once

#include "linking/ConnectionRequest.h"
#include "mock/DebugBluetoothDevice.h"
#include "mock/DebugDiscoverableMac.h"
#include "mock/DebugDiscoveryState.h"

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

namespace verandel {

// The one document that drives mock mode: the simulated peers, this computer's simulated Bluetooth
// devices, and where this instance's frame listener listens. A developer edits the file by hand
// while the program runs; keys it does not define are dropped at the next save.
struct DebugContext
{
    // For the person editing the file; never interpreted.
    QString comment;
    QList<DebugDiscoverableMac> discoverableMacs;
    DebugDiscoveryState discoveryState;
    QList<DebugBluetoothDevice> localBluetoothDevices;
    // Carried through load, update and save; nothing acts on them. The file gives their time stamps
    // in seconds since 2001-01-01 UTC.
    QList<ConnectionRequest> connectionRequests;
    // The port this instance's frame listener takes on 127.0.0.1, so simulated peers can list it;
    // absent: the system picks one.
    std::optional<quint16> listenerPort;

    // Throws DebugContextError for a missing file and StorageError::jsonDecodingFailed for a file
    // that cannot be read or does not have the document's shape.
    static DebugContext load(const QString &path);
    // Pretty-printed with sorted keys, written in place with missing directories created. Throws
    // StorageError: invalidData for an empty path, jsonEncodingFailed for any other failure.
    void save(const QString &path) const;
    static DebugContext createDefault();

    QJsonValue toJson() const;
    // Strict: the five document keys are required, every value has its JSON type and range.
    static DebugContext fromJson(const QJsonValue &json);

    bool operator==(const DebugContext &) const = default;
};

} // namespace verandel
