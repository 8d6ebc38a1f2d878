#include "mock/DebugContext.h"

#include "foundation/JsonCodec.h"
#include "foundation/JsonFields.h"
#include "foundation/StorageError.h"
#include "mock/DebugContextError.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>

#include <functional>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString requestId = QStringLiteral("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");
const QString otherMacId = QStringLiteral("C7E4F44C-5B6C-4589-B85D-19EFE5A4A9DA");

QJsonObject request()
{
    return QJsonObject{
        {QStringLiteral("id"), requestId},
        {QStringLiteral("otherMacId"), otherMacId},
        {QStringLiteral("timestamp"), 789000000.5},
        {QStringLiteral("securityCode"), QStringLiteral("482917")},
        {QStringLiteral("state"), QStringLiteral("pending")},
        {QStringLiteral("direction"), QStringLiteral("incoming")},
    };
}

// A document with every kind of entry: a Mac without a code, a device without "isPaired", a request.
QJsonObject document()
{
    QJsonObject object = DebugContext::createDefault().toJson().toObject();
    QJsonArray macs = object.value(QStringLiteral("discoverableMacs")).toArray();
    macs.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("8D0B5E1A-2C3F-4E5D-9A8B-7C6D5E4F3A2B")},
                            {QStringLiteral("port"), 65535},
                            {QStringLiteral("name"), QStringLiteral("Peer")},
                            {QStringLiteral("version"), QStringLiteral("1.0.0")}});
    object.insert(QStringLiteral("discoverableMacs"), macs);
    QJsonArray devices = object.value(QStringLiteral("localBluetoothDevices")).toArray();
    devices.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D")},
                               {QStringLiteral("address"), QStringLiteral("aa-bb-cc-00-11-22")},
                               {QStringLiteral("name"), QStringLiteral("Trackpad")},
                               {QStringLiteral("isConnected"), false},
                               {QStringLiteral("deviceType"), QStringLiteral("magic_trackpad")}});
    object.insert(QStringLiteral("localBluetoothDevices"), devices);
    object.insert(QStringLiteral("connectionRequests"), QJsonArray{request()});
    return object;
}

class DebugContextTest : public ::testing::Test
{
protected:
    QString path(const QString &name = QStringLiteral("context.json")) const { return m_directory.filePath(name); }

    DebugContext loadDocument(const QJsonObject &object)
    {
        writeFile(path(), QJsonDocument(object).toJson());
        return DebugContext::load(path());
    }

    // The load error's description, or none when the document loads.
    std::optional<QString> loadError(const QJsonObject &object)
    {
        try {
            loadDocument(object);
        } catch (const StorageError &error) {
            EXPECT_EQ(error.kind(), StorageError::Kind::JsonDecodingFailed);
            return error.errorDescription();
        }
        return std::nullopt;
    }

    QTemporaryDir m_directory;
};

TEST_F(DebugContextTest, ReadsEveryFieldAndAppliesTheDefaults)
{
    const DebugContext context = loadDocument(document());
    ASSERT_EQ(context.discoverableMacs.size(), 2);
    EXPECT_EQ(context.discoverableMacs.at(0).securityCode, QStringLiteral("482917"));
    EXPECT_EQ(context.discoverableMacs.at(1).port, 65535);
    EXPECT_EQ(context.discoverableMacs.at(1).securityCode, std::nullopt);
    ASSERT_EQ(context.localBluetoothDevices.size(), 3);
    const DebugBluetoothDevice &trackpad = context.localBluetoothDevices.at(2);
    EXPECT_TRUE(trackpad.isPaired);
    EXPECT_EQ(trackpad.deviceType, QStringLiteral("magic_trackpad"));
    EXPECT_EQ(trackpad.detectionAttributes, std::nullopt);
    ASSERT_EQ(context.connectionRequests.size(), 1);
    const ConnectionRequest &request = context.connectionRequests.first();
    EXPECT_EQ(request.id(), QUuid::fromString(requestId));
    EXPECT_EQ(request.otherMacId(), QUuid::fromString(otherMacId));
    EXPECT_EQ(request.timestamp(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).addMSecs(789000000500));
    EXPECT_EQ(request.securityCode(), QStringLiteral("482917"));
    EXPECT_EQ(request.state(), ConnectionRequestState::Pending);
    EXPECT_EQ(request.direction(), ConnectionDirection::Incoming);
    EXPECT_EQ(context.listenerPort, std::nullopt);
    EXPECT_EQ(context.discoveryState.state, QStringLiteral("active"));
}

TEST_F(DebugContextTest, EveryShapeFaultFailsTheWholeLoad)
{
    const auto without = [](const QString &key) { return [key](QJsonObject &object) { object.remove(key); }; };
    const auto inFirst = [](const QString &array, std::function<void(QJsonObject &)> change) {
        return [array, change](QJsonObject &object) {
            QJsonArray entries = object.value(array).toArray();
            QJsonObject entry = entries.at(0).toObject();
            change(entry);
            entries.replace(0, entry);
            object.insert(array, entries);
        };
    };
    const auto set = [](const QString &key, QJsonValue value) {
        return [key, value](QJsonObject &object) { object.insert(key, value); };
    };
    const QString macs = QStringLiteral("discoverableMacs");
    const QString devices = QStringLiteral("localBluetoothDevices");
    const QString requests = QStringLiteral("connectionRequests");
    const std::vector<std::pair<const char *, std::function<void(QJsonObject &)>>> cases{
        {"no comment", without(QStringLiteral("comment"))},
        {"no Macs", without(macs)},
        {"no discovery state", without(QStringLiteral("discoveryState"))},
        {"no devices", without(devices)},
        {"no requests, not even an empty list", without(requests)},
        {"discovery state without its code",
         set(QStringLiteral("discoveryState"), QJsonObject{{QStringLiteral("state"), QStringLiteral("active")}})},
        {"Mac without an id", inFirst(macs, without(QStringLiteral("id")))},
        {"Mac without a port", inFirst(macs, without(QStringLiteral("port")))},
        {"Mac without a name", inFirst(macs, without(QStringLiteral("name")))},
        {"Mac without a version", inFirst(macs, without(QStringLiteral("version")))},
        {"port above 65535", inFirst(macs, set(QStringLiteral("port"), 65536))},
        {"negative port", inFirst(macs, set(QStringLiteral("port"), -1))},
        {"fractional port", inFirst(macs, set(QStringLiteral("port"), 80.5))},
        {"port as text", inFirst(macs, set(QStringLiteral("port"), QStringLiteral("80")))},
        {"device without an address", inFirst(devices, without(QStringLiteral("address")))},
        {"device without isConnected", inFirst(devices, without(QStringLiteral("isConnected")))},
        {"isPaired as text", inFirst(devices, set(QStringLiteral("isPaired"), QStringLiteral("true")))},
        {"vendor id beyond 16 bits",
         inFirst(
             devices,
             set(QStringLiteral("detectionAttributes"),
                 QJsonObject{{QStringLiteral("vendorID"), 65536}, {QStringLiteral("serviceNames"), QJsonArray()}}))},
        {"class of device beyond 32 bits",
         inFirst(devices,
                 set(QStringLiteral("detectionAttributes"),
                     QJsonObject{{QStringLiteral("classOfDevice"), 4294967296.0},
                                 {QStringLiteral("serviceNames"), QJsonArray()}}))},
        {"request time as ISO text",
         inFirst(requests, set(QStringLiteral("timestamp"), QStringLiteral("2026-01-01T00:00:00Z")))},
        {"request time some 3000 years away", inFirst(requests, set(QStringLiteral("timestamp"), 2e11))},
        {"request without a code", inFirst(requests, without(QStringLiteral("securityCode")))},
        {"request state accepted", inFirst(requests, set(QStringLiteral("state"), QStringLiteral("accepted")))},
        {"request direction sideways", inFirst(requests, set(QStringLiteral("direction"), QStringLiteral("sideways")))},
        {"request id not a UUID", inFirst(requests, set(QStringLiteral("otherMacId"), QStringLiteral("mac-2")))},
        {"listener port 0", set(QStringLiteral("listenerPort"), 0)},
        {"listener port above 65535", set(QStringLiteral("listenerPort"), 70000)},
    };
    for (const auto &[name, change] : cases) {
        QJsonObject object = document();
        change(object);
        EXPECT_TRUE(loadError(object).has_value()) << name;
    }
    EXPECT_EQ(loadError(document()), std::nullopt);
}

TEST_F(DebugContextTest, SyntaxErrorsAndMissingFilesHaveTheirOwnErrors)
{
    writeFile(path(), "{\"comment\": ");
    EXPECT_THROW(DebugContext::load(path()), StorageError);
    try {
        DebugContext::load(path(QStringLiteral("missing.json")));
        FAIL();
    } catch (const DebugContextError &error) {
        EXPECT_EQ(error.errorDescription(),
                  QStringLiteral("Debug context file not found: ") + path(QStringLiteral("missing.json")));
    }
}

TEST_F(DebugContextTest, SavingWritesSortedKnownKeysAndReadsBackTheSameContext)
{
    QJsonObject object = document();
    object.insert(QStringLiteral("futureKey"), true);
    object.insert(QStringLiteral("listenerPort"), 50123);
    const DebugContext context = loadDocument(object);
    EXPECT_EQ(context.listenerPort, 50123);

    const QString saved = path(QStringLiteral("new/dir/context.json"));
    context.save(saved);
    const QByteArray bytes = readFile(saved);
    EXPECT_TRUE(bytes.startsWith("{\n    \"comment\""));
    const QJsonObject written = QJsonDocument::fromJson(bytes).object();
    EXPECT_FALSE(written.contains(QStringLiteral("futureKey")));
    EXPECT_EQ(written.value(QStringLiteral("listenerPort")).toInt(), 50123);
    const QJsonArray macs = written.value(QStringLiteral("discoverableMacs")).toArray();
    EXPECT_FALSE(macs.at(1).toObject().contains(QStringLiteral("securityCode")));
    const QJsonObject trackpad = written.value(QStringLiteral("localBluetoothDevices")).toArray().at(2).toObject();
    EXPECT_EQ(trackpad.value(QStringLiteral("isPaired")), QJsonValue(true));
    EXPECT_FALSE(trackpad.contains(QStringLiteral("detectionAttributes")));
    // Seconds since 2001 stay a number.
    EXPECT_EQ(written.value(QStringLiteral("connectionRequests"))
                  .toArray()
                  .at(0)
                  .toObject()
                  .value(QStringLiteral("timestamp")),
              QJsonValue(789000000.5));
    EXPECT_EQ(DebugContext::load(saved), context);

    DebugContext withoutPort = context;
    withoutPort.listenerPort.reset();
    withoutPort.save(saved);
    EXPECT_FALSE(readJsonObject(saved).contains(QStringLiteral("listenerPort")));
}

TEST_F(DebugContextTest, RequestsAreWrittenInSecondsSince2001AndReadBackTheSame)
{
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    DebugContext context = DebugContext::createDefault();
    context.connectionRequests = {
        TestData::randomConnectionRequest(std::nullopt, reference.addMSecs(-1500)),
        TestData::randomConnectionRequest(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 5),
        TestData::randomConnectionRequest(std::nullopt, reference.addMSecs(789000000123), QString(),
                                          ConnectionRequestState::Rejected, ConnectionDirection::Outgoing),
    };
    context.save(path());
    const QJsonArray written = readJsonObject(path()).value(QStringLiteral("connectionRequests")).toArray();
    ASSERT_EQ(written.size(), 3);
    EXPECT_EQ(written.at(0).toObject().value(QStringLiteral("timestamp")), QJsonValue(-1.5));
    const QJsonObject last = written.at(2).toObject();
    EXPECT_EQ(last.value(QStringLiteral("timestamp")), QJsonValue(789000000.123));
    EXPECT_EQ(last.value(QStringLiteral("state")), QJsonValue(QStringLiteral("rejected")));
    EXPECT_EQ(last.value(QStringLiteral("direction")), QJsonValue(QStringLiteral("outgoing")));
    EXPECT_EQ(last.value(QStringLiteral("otherMacId")).toString(),
              json::uuidToString(context.connectionRequests.at(2).otherMacId()));
    EXPECT_EQ(DebugContext::load(path()), context);
}

TEST_F(DebugContextTest, SavingToAnEmptyPathCreatesNothing)
{
    try {
        DebugContext::createDefault().save(QString());
        FAIL();
    } catch (const StorageError &error) {
        EXPECT_EQ(error.errorDescription(), QStringLiteral("Invalid data: Cannot save to empty path"));
    }
    EXPECT_TRUE(QDir(m_directory.path()).isEmpty());
}

TEST_F(DebugContextTest, ADeviceEntryBecomesADeviceWithTheCanonicalAddress)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    const DebugContext context = loadDocument(document());
    const Device mouse = context.localBluetoothDevices.at(0).toDevice(now);
    EXPECT_EQ(mouse.macAddress(), QStringLiteral("11:22:33:44:55:66"));
    EXPECT_EQ(mouse.telemetryDeviceId(), QStringLiteral("217f216b-c8db-412d-bd8b-4b5378c39f0e"));
    EXPECT_EQ(mouse.detectionAttributes()->productID, 617);
    EXPECT_EQ(mouse.legacyDeviceType(), std::nullopt);
    EXPECT_EQ(mouse.timestamp(), now);
    EXPECT_EQ(context.localBluetoothDevices.at(1).toDevice(now).macAddress(), QStringLiteral("aa:bb:cc:dd:ee:ff"));
    EXPECT_EQ(context.localBluetoothDevices.at(2).toDevice(now).macAddress(), QStringLiteral("aa:bb:cc:00:11:22"));
}

} // namespace
