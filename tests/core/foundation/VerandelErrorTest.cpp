#include "foundation/VerandelError.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(VerandelErrorTest, Descriptions)
{
    const struct
    {
        VerandelError error;
        const char *text;
    } cases[] = {
        {VerandelError::deviceNotFound(QStringLiteral("kbd")), "Device not found: kbd"},
        {VerandelError::pairingFailed(QStringLiteral("x")), "Pairing failed: x"},
        {VerandelError::connectionFailed(QStringLiteral("y")), "Connection failed: y"},
        {VerandelError::invalidAddress(QStringLiteral("zz")), "Invalid MAC address format: zz"},
        {VerandelError::bluetoothUnavailable(), "Bluetooth is not available or disabled"},
        {VerandelError::authenticationFailed(), "Biometric authentication failed"},
        {VerandelError::operationTimeout(), "Operation timed out"},
        {VerandelError::permissionDenied(), "Permission denied - Bluetooth access required"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.error.errorDescription(), QString::fromUtf8(c.text));
        EXPECT_STREQ(c.error.what(), c.text);
    }
}
