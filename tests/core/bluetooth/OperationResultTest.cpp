#include "bluetooth/OperationResult.h"
#include "bluetooth/BluetoothError.h"
#include "bluetooth/BluezDeviceProperties.h"
#include "bluetooth/PairingErrorMapping.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

TEST(OperationResultTest, SuccessNeverCarriesACategory)
{
    EXPECT_FALSE(OperationResult(false, QStringLiteral("m")).failureCategory.has_value());
    EXPECT_FALSE(OperationResult(true, QStringLiteral("m"), OperationFailureCategory::Timeout).failureCategory);
    EXPECT_EQ(OperationResult(false, std::nullopt, OperationFailureCategory::Conflict).failureCategory,
              OperationFailureCategory::Conflict);
}

TEST(OperationResultTest, CategoriesUseTheirCaseNamesAsText)
{
    for (const OperationFailureCategory category : allOperationFailureCategories) {
        EXPECT_EQ(operationFailureCategoryFromString(toString(category)), category);
    }
    EXPECT_EQ(toString(OperationFailureCategory::PermissionDenied), QStringLiteral("permissionDenied"));
    EXPECT_FALSE(operationFailureCategoryFromString(u"permission_denied").has_value());
    EXPECT_FALSE(operationFailureCategoryFromString(u"Timeout").has_value());
}

TEST(OperationResultTest, BluetoothErrorDescriptions)
{
    EXPECT_EQ(BluetoothError::pairingFailed(5, QStringLiteral("D")).errorDescription(),
              QStringLiteral("Pairing failed (code 5): D"));
    EXPECT_EQ(BluetoothError::connectionFailed(-4).errorDescription(),
              QStringLiteral("Connection failed with error code: -4"));
    EXPECT_EQ(BluetoothError::invalidMACAddress(QStringLiteral("x")).errorDescription(),
              QStringLiteral("Invalid MAC address: x"));
    EXPECT_EQ(BluetoothError::deviceNotFound(QStringLiteral("x")).errorDescription(),
              QStringLiteral("Device not found: x"));
    EXPECT_EQ(BluetoothError::unpairingFailed(QStringLiteral("x")).errorDescription(),
              QStringLiteral("Unpairing failed: x"));
    EXPECT_EQ(BluetoothError::alreadyPaired().errorDescription(), QStringLiteral("Device is already paired"));
    EXPECT_EQ(BluetoothError::notPaired().errorDescription(), QStringLiteral("Device is not paired"));
    EXPECT_EQ(BluetoothError::timeout().errorDescription(), QStringLiteral("Operation timed out"));
}

TEST(PairingErrorMappingTest, HciCodesByLowByte)
{
    using namespace PairingErrorMapping;
    struct Row
    {
        qint32 code;
        QString description;
        OperationFailureCategory category;
    };
    const QList<Row> rows{
        {0x04, QStringLiteral("Page Timeout"), OperationFailureCategory::Timeout},
        {0x08, QStringLiteral("Connection Timeout"), OperationFailureCategory::Timeout},
        {0x10, QStringLiteral("Host Timeout"), OperationFailureCategory::Timeout},
        {0x22, QStringLiteral("LMP Response Timeout"), OperationFailureCategory::Timeout},
        {0x05, QStringLiteral("Authentication Failure"), OperationFailureCategory::PermissionDenied},
        {0x0E, QStringLiteral("Host Rejected Security Reasons"), OperationFailureCategory::PermissionDenied},
        {0x18, QStringLiteral("Pairing Not Allowed"), OperationFailureCategory::PermissionDenied},
        {0x11, QStringLiteral("Unsupported Feature or Parameter Value"), OperationFailureCategory::UnsupportedDevice},
        {0x12, QStringLiteral("Invalid HCI Command Parameters"), OperationFailureCategory::ValidationFailed},
        {0x13, QStringLiteral("Other End Terminated Connection User Ended"), OperationFailureCategory::Cancelled},
        {0x16, QStringLiteral("Connection Terminated by Local Host"), OperationFailureCategory::Cancelled},
        {0x39, QStringLiteral("Connection Rejected Due to No Suitable Channel Found"),
         OperationFailureCategory::NetworkUnavailable},
        {0x01, QStringLiteral("Unknown HCI Command"), OperationFailureCategory::Unknown},
        {0x40, QStringLiteral("Coarse Clock Adjustment Rejected"), OperationFailureCategory::Unknown},
        {0x2B, QStringLiteral("Unknown Error"), OperationFailureCategory::Unknown},
        {0x00, QStringLiteral("Unknown Error"), OperationFailureCategory::Unknown},
        {0x41, QStringLiteral("Unknown Error"), OperationFailureCategory::Unknown},
        {0x1205, QStringLiteral("Authentication Failure"), OperationFailureCategory::PermissionDenied},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(hciErrorDescription(row.code), row.description) << row.code;
        EXPECT_EQ(hciFailureCategory(row.code), row.category) << row.code;
    }
    EXPECT_EQ(hciPairingFailureMessage(5), QStringLiteral("Pairing failed: Error 0x05 (Authentication Failure)"));
    EXPECT_EQ(hciPairingFailureMessage(0x1F2B), QStringLiteral("Pairing failed: Error 0x1f2b (Unknown Error)"));
    EXPECT_EQ(hciPairingFailureMessage(-1), QStringLiteral("Pairing failed: Error 0xffffffff (Unknown Error)"));
}

TEST(PairingErrorMappingTest, BluezErrorNames)
{
    using namespace PairingErrorMapping;
    EXPECT_FALSE(bluezFailureCategory(QStringLiteral("org.bluez.Error.AlreadyExists")).has_value());
    EXPECT_TRUE(isAlreadyPaired(QStringLiteral("org.bluez.Error.AlreadyExists")));
    EXPECT_EQ(bluezFailureCategory(QStringLiteral("org.bluez.Error.Rejected")),
              OperationFailureCategory::PermissionDenied);
    EXPECT_EQ(bluezFailureCategory(QStringLiteral("org.freedesktop.DBus.Error.NoReply")),
              OperationFailureCategory::Timeout);
    EXPECT_EQ(bluezFailureCategory(QStringLiteral("org.bluez.Error.DoesNotExist")),
              OperationFailureCategory::ValidationFailed);
    EXPECT_EQ(bluezFailureCategory(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject")),
              OperationFailureCategory::ValidationFailed);
    EXPECT_EQ(bluezFailureCategory(QStringLiteral("org.bluez.Error.InProgress")), OperationFailureCategory::Unknown);
    EXPECT_EQ(bluezPairingFailureMessage(QStringLiteral("org.bluez.Error.Failed"), QStringLiteral("Oops")),
              QStringLiteral("Pairing failed: org.bluez.Error.Failed (Oops)"));
}

TEST(BluezDevicePropertiesTest, ModaliasAndServiceNames)
{
    using namespace BluezProperties;
    const auto usb = parseModalias(QStringLiteral("usb:v05ACp0267d0001"));
    ASSERT_TRUE(usb.has_value());
    EXPECT_EQ(usb->vendorID, 0x05AC);
    EXPECT_EQ(usb->productID, 0x0267);
    EXPECT_EQ(parseModalias(QStringLiteral("bluetooth:v004Cp0265d0110"))->vendorID, 0x004C);
    for (const QString &bad : {QString(), QStringLiteral("pci:v05ACp0267"), QStringLiteral("usb:v05Ap0267"),
                               QStringLiteral("usb:vZZZZp0267")}) {
        EXPECT_FALSE(parseModalias(bad).has_value()) << bad.toStdString();
    }
    EXPECT_EQ(serviceName(QStringLiteral("00001124-0000-1000-8000-00805f9b34fb")),
              QStringLiteral("Human Interface Device Service"));
    EXPECT_EQ(serviceName(QStringLiteral("00001812-0000-1000-8000-00805F9B34FB")),
              QStringLiteral("Human Interface Device"));
    EXPECT_FALSE(serviceName(QStringLiteral("6e400001-b5a3-f393-e0a9-e50e24dcca9e")).has_value());
    EXPECT_FALSE(serviceName(QStringLiteral("1124")).has_value());
}

TEST(BluezDevicePropertiesTest, AddressesAreCanonicalOrAbsent)
{
    const auto device = BluezDeviceProperties::fromProperties(
        QStringLiteral("/org/bluez/hci0/dev_AA_BB_CC_DD_EE_0F"),
        {{QStringLiteral("Address"), QStringLiteral("AA:BB:CC:DD:EE:0F")}, {QStringLiteral("Paired"), true}});
    EXPECT_EQ(device.macAddress, QStringLiteral("aa:bb:cc:dd:ee:0f"));
    EXPECT_TRUE(device.paired);
    EXPECT_FALSE(device.name.has_value());
    EXPECT_FALSE(device.classOfDevice.has_value());
    const auto odd = BluezDeviceProperties::fromProperties(QStringLiteral("/x"),
                                                           {{QStringLiteral("Address"), QStringLiteral("AA:BB")}});
    EXPECT_FALSE(odd.macAddress.has_value());
}

} // namespace
