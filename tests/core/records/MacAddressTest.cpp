#include "records/MacAddress.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

struct MacCase
{
    const char16_t *input;
    const char16_t *canonical; // nullptr: refused
};

class MacAddressTest : public ::testing::TestWithParam<MacCase>
{ };

TEST_P(MacAddressTest, CanonicalizesOrRefuses)
{
    const MacCase &c = GetParam();
    const std::optional<QString> result = MacAddress::canonicalize(QStringView(c.input));
    if (c.canonical == nullptr) {
        EXPECT_FALSE(result.has_value()) << QString::fromUtf16(c.input).toStdString();
        EXPECT_FALSE(MacAddress::isValid(QStringView(c.input)));
    } else {
        ASSERT_TRUE(result.has_value()) << QString::fromUtf16(c.input).toStdString();
        EXPECT_EQ(*result, QString::fromUtf16(c.canonical));
        EXPECT_TRUE(MacAddress::isCanonical(*result));
        EXPECT_EQ(MacAddress::isCanonical(QStringView(c.input)), *result == QString::fromUtf16(c.input));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MacAddressTest,
    ::testing::Values(MacCase{u"aa:bb:cc:dd:ee:ff", u"aa:bb:cc:dd:ee:ff"},
                      MacCase{u"AA:BB:CC:DD:EE:FF", u"aa:bb:cc:dd:ee:ff"},
                      MacCase{u"0a-1B-2c-3D-4e-5F", u"0a:1b:2c:3d:4e:5f"}, MacCase{u"", nullptr},
                      MacCase{u"aa:bb:cc:dd:ee", nullptr}, MacCase{u"aa:bb:cc:dd:ee:ff:00", nullptr},
                      MacCase{u"aa:bb-cc:dd:ee:ff", nullptr}, MacCase{u"aabbccddeeff", nullptr},
                      MacCase{u" aa:bb:cc:dd:ee:f", nullptr}, MacCase{u"aa:bb:cc:dd:ee:fg", nullptr},
                      MacCase{u"aa.bb.cc.dd.ee.ff", nullptr}, MacCase{u"a:abb:cc:dd:ee:ff", nullptr},
                      // Full-width digits are not hexadecimal digits of an address.
                      MacCase{u"\uFF21A:bb:cc:dd:ee:ff", nullptr}));

} // namespace
