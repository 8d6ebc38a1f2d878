#include "records/Device.h"
#include "foundation/JsonDecodeError.h"
#include "records/ConnectionStatus.h"
#include "records/DeviceInput.h"
#include "records/NameOrdering.h"
#include "records/SharingStatus.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>

using namespace verandel;

namespace {

QJsonObject parse(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

QDateTime at(int hour, int minute = 0)
{
    return QDateTime(QDate(2026, 3, 1), QTime(hour, minute), Qt::UTC);
}

Device named(const QString &name, const QDateTime &timestamp, const QString &mac = QStringLiteral("aa:bb:cc:dd:ee:ff"))
{
    return Device(mac, name, QStringLiteral("T"), std::nullopt, timestamp);
}

// --- Enumerations ---------------------------------------------------------------------------------

TEST(ConnectionStatusTest, JsonAcceptsTheOlderSpellingButRawValuesDoNot)
{
    struct Case
    {
        const char *text;
        std::optional<ConnectionStatus> fromJson;
        std::optional<ConnectionStatus> fromString;
    };
    const Case cases[] = {
        {"connected", ConnectionStatus::Connected, ConnectionStatus::Connected},
        {"not_paired", ConnectionStatus::NotPaired, ConnectionStatus::NotPaired},
        {"paired_not_connected", ConnectionStatus::PairedNotConnected, ConnectionStatus::PairedNotConnected},
        {"not_connected", ConnectionStatus::PairedNotConnected, std::nullopt},
        {"Connected", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(connectionStatusFromString(text), c.fromString) << c.text;
        if (c.fromJson) {
            EXPECT_EQ(connectionStatusFromJson(QJsonValue(text)), *c.fromJson) << c.text;
        } else {
            try {
                connectionStatusFromJson(QJsonValue(text));
                ADD_FAILURE() << "decoded " << c.text;
            } catch (const JsonDecodeError &error) {
                EXPECT_EQ(error.description(), QStringLiteral("Invalid ConnectionStatus raw value: ") + text);
            }
        }
    }
    EXPECT_THROW(connectionStatusFromJson(QJsonValue(3)), JsonDecodeError);
    for (ConnectionStatus status : allConnectionStatuses) {
        EXPECT_EQ(connectionStatusFromJson(toJson(status)), status);
    }
}

TEST(ConnectionStatusTest, FromBluetoothTable)
{
    EXPECT_EQ(connectionStatusFromBluetooth(false, true), ConnectionStatus::NotPaired);
    EXPECT_EQ(connectionStatusFromBluetooth(false, false), ConnectionStatus::NotPaired);
    EXPECT_EQ(connectionStatusFromBluetooth(true, true), ConnectionStatus::Connected);
    EXPECT_EQ(connectionStatusFromBluetooth(true, false), ConnectionStatus::PairedNotConnected);
}

TEST(EnumerationJsonTest, SharingStatusAndDeviceTypeHaveNoFallback)
{
    for (SharingStatus status : allSharingStatuses) {
        EXPECT_EQ(sharingStatusFromJson(toJson(status)), status);
    }
    for (DeviceType type : allDeviceTypes) {
        EXPECT_EQ(deviceTypeFromJson(toJson(type)), type);
    }
    EXPECT_THROW(sharingStatusFromJson(QJsonValue(QStringLiteral("Shared"))), JsonDecodeError);
    EXPECT_THROW(sharingStatusFromJson(QJsonValue()), JsonDecodeError);
    EXPECT_THROW(deviceTypeFromJson(QJsonValue(QStringLiteral("keyboard"))), JsonDecodeError);
    EXPECT_THROW(deviceTypeFromJson(QJsonValue(1)), JsonDecodeError);
}

// --- Device JSON -----------------------------------------------------------------------------------

TEST(DeviceJsonTest, LegacyTypeIsReadButNeverWritten)
{
    const Device device = Device::fromJson(parse(R"({"macAddress": "aa:bb:cc:dd:ee:ff", "name": "Mouse",
        "telemetryDeviceId": "T", "deviceType": "magic_mouse", "timestamp": "2026-03-01T10:00:00Z"})"));
    EXPECT_EQ(device.legacyDeviceType(), DeviceType::MagicMouse);
    EXPECT_TRUE(device.isSupported());
    EXPECT_EQ(device.effectiveDeviceType(), DeviceType::MagicMouse);

    const QJsonObject written = device.toJson().toObject();
    EXPECT_FALSE(written.contains(QStringLiteral("deviceType")));
    EXPECT_FALSE(written.contains(QStringLiteral("detectionAttributes")));
    EXPECT_EQ(written.value(QStringLiteral("timestamp")).toString(), QStringLiteral("2026-03-01T10:00:00Z"));

    const Device restamped = device.withUpdatedTimestamp(at(12));
    EXPECT_FALSE(restamped.isSupported());
    EXPECT_EQ(restamped.legacyDeviceType(), std::nullopt);
    EXPECT_EQ(restamped.timestamp(), at(12));
    EXPECT_NE(Device::fromJson(written), device); // the legacy type counts in equality
}

TEST(DeviceJsonTest, LegacyTypeValues)
{
    const auto withType = [](const char *type) {
        return Device::fromJson(parse((R"({"macAddress": "m", "name": "n", "telemetryDeviceId": "t",
            "timestamp": "2026-03-01T10:00:00Z", "deviceType": )"
                                       + std::string(type) + "}")
                                          .c_str()));
    };
    const Device other = withType(R"("other")");
    EXPECT_FALSE(other.isSupported());
    EXPECT_EQ(other.effectiveDeviceType(), DeviceType::Other);
    EXPECT_EQ(withType("null").legacyDeviceType(), std::nullopt);
    EXPECT_THROW(withType(R"("keyboard")"), JsonDecodeError);
}

TEST(DeviceJsonTest, DetectionAttributesAbsentNullAndRequiredServiceNames)
{
    const auto withAttributes = [](const char *attributes) {
        return Device::fromJson(parse((R"({"macAddress": "m", "name": "n", "telemetryDeviceId": "t",
            "timestamp": "2026-03-01T10:00:00Z", "detectionAttributes": )"
                                       + std::string(attributes) + "}")
                                          .c_str()));
    };
    EXPECT_EQ(withAttributes("null").detectionAttributes(), std::nullopt);
    EXPECT_THROW(withAttributes("{}"), JsonDecodeError);
    EXPECT_THROW(withAttributes(R"({"serviceNames": "HID"})"), JsonDecodeError);
    EXPECT_THROW(withAttributes(R"({"serviceNames": [], "vendorID": 65536})"), JsonDecodeError);
    EXPECT_THROW(withAttributes(R"({"serviceNames": [], "productID": -1})"), JsonDecodeError);
    EXPECT_THROW(withAttributes(R"({"serviceNames": [], "classOfDevice": 1.5})"), JsonDecodeError);

    const Device empty = withAttributes(R"({"serviceNames": []})");
    ASSERT_TRUE(empty.detectionAttributes().has_value());
    EXPECT_EQ(*empty.detectionAttributes(), DeviceDetectionAttributes{});

    const Device full = withAttributes(
        R"({"vendorID": 1452, "productID": 613, "classOfDevice": 4294967295, "serviceNames": ["HID", "PnP"]})");
    const DeviceDetectionAttributes expected{0x05AC,
                                             0x0265,
                                             0xFFFFFFFFu,
                                             {QStringLiteral("HID"), QStringLiteral("PnP")}};
    EXPECT_EQ(full.detectionAttributes(), expected);
    EXPECT_EQ(Device::fromJson(full.toJson()), full);

    // Present numbers only; the list always.
    const QJsonObject written = DeviceDetectionAttributes{std::nullopt, 7, std::nullopt, {}}.toJson().toObject();
    EXPECT_EQ(written.keys(), (QStringList{QStringLiteral("productID"), QStringLiteral("serviceNames")}));
}

TEST(DeviceJsonTest, RequiredFieldsAndTypes)
{
    for (const char *bad :
         {R"({"name": "n", "telemetryDeviceId": "t", "timestamp": "2026-03-01T10:00:00Z"})",
          R"({"macAddress": "m", "name": "n", "telemetryDeviceId": "t"})",
          R"({"macAddress": "m", "name": 5, "telemetryDeviceId": "t", "timestamp": "2026-03-01T10:00:00Z"})",
          R"({"macAddress": "m", "name": "n", "telemetryDeviceId": "t", "timestamp": "yesterday"})"}) {
        EXPECT_THROW(Device::fromJson(parse(bad)), JsonDecodeError) << bad;
    }
    EXPECT_THROW(Device::fromJson(QJsonValue(QStringLiteral("device"))), JsonDecodeError);
}

TEST(DeviceInputJsonTest, RoundTripsAndStampsTheGivenTime)
{
    const DeviceInput input{QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Keyboard"), QStringLiteral("T"),
                            DeviceDetectionAttributes{0x05AC, 0x026C, std::nullopt, {}}};
    EXPECT_EQ(DeviceInput::fromJson(input.toJson()), input);
    const DeviceInput bare{QStringLiteral("m"), QString(), QStringLiteral("t"), std::nullopt};
    EXPECT_FALSE(bare.toJson().toObject().contains(QStringLiteral("detectionAttributes")));
    EXPECT_EQ(DeviceInput::fromJson(bare.toJson()), bare);

    const Device device = input.toDevice(at(9));
    EXPECT_EQ(device, Device(input.macAddress, input.name, input.telemetryDeviceId, input.detectionAttributes, at(9)));
}

// --- Device behaviour ------------------------------------------------------------------------------

TEST(DeviceTest, DisplayNameFallsBackToTheAddressOnlyForAnEmptyName)
{
    EXPECT_EQ(named(QString(), at(1), QStringLiteral("AA-BB")).displayName(), QStringLiteral("Device AA-BB"));
    EXPECT_EQ(named(QStringLiteral(" "), at(1)).displayName(), QStringLiteral(" "));
    EXPECT_EQ(named(QStringLiteral("Mouse"), at(1)).formattedMacAddress(), QStringLiteral("AA:BB:CC:DD:EE:FF"));
}

TEST(DeviceTest, WithUpdatesKeepsTheTelemetryIdAndRestamps)
{
    const Device device(QStringLiteral("m"), QStringLiteral("old"), QStringLiteral("T"),
                        DeviceDetectionAttributes{1, 2, 3, {}}, at(1));
    EXPECT_EQ(
        device.withUpdates(QStringLiteral("n"), QStringLiteral("new"), DeviceDetectionAttributes{}, at(2)),
        Device(QStringLiteral("n"), QStringLiteral("new"), QStringLiteral("T"), DeviceDetectionAttributes{}, at(2)));
}

TEST(DeviceOrderingTest, NameThenNewestFirst)
{
    const Device mouse10 = named(QStringLiteral("Mouse"), at(10));
    const Device mouse11 = named(QStringLiteral("Mouse"), at(11));
    const Device lower = named(QStringLiteral("mouse"), at(12));
    const Device zebra = named(QStringLiteral("Zebra"), at(9));
    QList<Device> devices{lower, mouse10, zebra, mouse11};
    std::stable_sort(devices.begin(), devices.end());
    EXPECT_EQ(devices, (QList<Device>{mouse11, mouse10, zebra, lower}));

    const Device same = named(QStringLiteral("Mouse"), at(10), QStringLiteral("other"));
    EXPECT_FALSE(mouse10 < same);
    EXPECT_FALSE(same < mouse10);
    EXPECT_TRUE(mouse11 <= mouse10);
    EXPECT_TRUE(mouse10 > mouse11);
}

TEST(NameOrderingTest, CanonicalFormsAndScalarValues)
{
    // "é" precomposed and as e + combining acute are one name.
    EXPECT_EQ(compareNames(QStringLiteral("Caf\u00E9"), QStringLiteral("Cafe\u0301")), 0);
    EXPECT_LT(compareNames(QStringLiteral("Zeta"), QStringLiteral("alpha")), 0);
    EXPECT_LT(compareNames(QStringLiteral("Mac"), QStringLiteral("Mac mini")), 0);
    // U+FFFD sorts before U+1F600 by scalar value, though its UTF-16 unit is larger than a surrogate.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    EXPECT_LT(compareNames(QStringLiteral("\uFFFD"), emoji), 0);
    EXPECT_GT(compareNames(emoji, QStringLiteral("\uFFFD")), 0);
    EXPECT_LT(compareNames(QStringLiteral("\uD7FF"), emoji), 0);
}

} // namespace
