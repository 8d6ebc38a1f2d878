#include "mock/DebugContext.h"

#include "foundation/FileSystemError.h"
#include "foundation/JsonCodec.h"
#include "foundation/JsonFields.h"
#include "foundation/StorageError.h"
#include "mock/DebugConnectionRequestCoding.h"
#include "mock/DebugContextError.h"
#include "mock/MockFileIO.h"

#include <QFileInfo>
#include <QJsonObject>

namespace verandel {

namespace {

const QString commentKey = QStringLiteral("comment");
const QString discoverableMacsKey = QStringLiteral("discoverableMacs");
const QString discoveryStateKey = QStringLiteral("discoveryState");
const QString localBluetoothDevicesKey = QStringLiteral("localBluetoothDevices");
const QString connectionRequestsKey = QStringLiteral("connectionRequests");
const QString listenerPortKey = QStringLiteral("listenerPort");

template <typename T, typename Codec = JsonCodec<QList<T>>>
QList<T> requireList(const QJsonObject &object, const QString &key)
{
    try {
        return Codec::decode(json::requireValue(object, key));
    } catch (const JsonDecodeError &error) {
        throw JsonDecodeError(key + QStringLiteral(": ") + error.description());
    }
}

using ConnectionRequestListCoding = JsonListCodec<ConnectionRequest, DebugConnectionRequestCoding>;

DeviceDetectionAttributes attributes(quint16 vendorID, quint16 productID, quint32 classOfDevice)
{
    return DeviceDetectionAttributes{vendorID, productID, classOfDevice, {}};
}

} // namespace

QJsonValue DebugContext::toJson() const
{
    QJsonObject object{
        {commentKey, comment},
        {discoverableMacsKey, JsonCodec<QList<DebugDiscoverableMac>>::encode(discoverableMacs)},
        {discoveryStateKey, discoveryState.toJson()},
        {localBluetoothDevicesKey, JsonCodec<QList<DebugBluetoothDevice>>::encode(localBluetoothDevices)},
        {connectionRequestsKey, ConnectionRequestListCoding::encode(connectionRequests)},
    };
    if (listenerPort) {
        object.insert(listenerPortKey, int(*listenerPort));
    }
    return object;
}

DebugContext DebugContext::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("debug context"));
    DebugContext context;
    context.comment = json::requireString(object, commentKey);
    context.discoverableMacs = requireList<DebugDiscoverableMac>(object, discoverableMacsKey);
    context.discoveryState = DebugDiscoveryState::fromJson(json::requireValue(object, discoveryStateKey));
    context.localBluetoothDevices = requireList<DebugBluetoothDevice>(object, localBluetoothDevicesKey);
    context.connectionRequests
        = requireList<ConnectionRequest, ConnectionRequestListCoding>(object, connectionRequestsKey);
    if (const std::optional<qint64> port = json::optionalInteger(object, listenerPortKey, 1, 65535)) {
        context.listenerPort = quint16(*port);
    }
    return context;
}

DebugContext DebugContext::load(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        throw DebugContextError::fileNotFound(path);
    }
    try {
        return fromJson(json::decodeDocument(MockFileIO::readFile(path)));
    } catch (const FileSystemError &error) {
        throw StorageError::jsonDecodingFailed(error.description());
    } catch (const JsonDecodeError &error) {
        throw StorageError::jsonDecodingFailed(error.description());
    }
}

void DebugContext::save(const QString &path) const
{
    if (path.isEmpty()) {
        throw StorageError::invalidData(QStringLiteral("Cannot save to empty path"));
    }
    try {
        MockFileIO::writeInPlace(path, json::encodeDocument(toJson()));
    } catch (const FileSystemError &error) {
        throw StorageError::jsonEncodingFailed(error.description());
    } catch (const JsonEncodeError &error) {
        throw StorageError::jsonEncodingFailed(error.description());
    }
}

DebugContext DebugContext::createDefault()
{
    DebugContext context;
    context.comment = QStringLiteral("Use this file to control the app state in Mock Mode.");
    context.discoverableMacs
        = {DebugDiscoverableMac{QStringLiteral("C7E4F44C-5B6C-4589-B85D-19EFE5A4A9DA"), 62475,
                                QStringLiteral("Unsaved Mac Mini"), QStringLiteral("1.0.0"), QStringLiteral("482917")}};
    context.discoveryState = DebugDiscoveryState{QStringLiteral("active"), QStringLiteral("482917")};
    context.localBluetoothDevices = {
        DebugBluetoothDevice{QStringLiteral("217F216B-C8DB-412D-BD8B-4B5378C39F0E"),
                             QStringLiteral("11:22:33:44:55:66"), QStringLiteral("An Unshared Mouse"), true, true,
                             attributes(1452, 617, 329920), std::nullopt},
        DebugBluetoothDevice{QStringLiteral("45749F61-4CD6-4FBC-8D7E-C71FB43D55D4"),
                             QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Tovin's Magic Keyboard"), true, true,
                             attributes(1452, 620, 1344), std::nullopt},
    };
    return context;
}

} // namespace verandel
