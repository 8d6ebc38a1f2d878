#include "foundation/EnumText.h"

#include <gtest/gtest.h>

namespace verandel {

enum class EnumTextSample { First, Second, Third };

template <>
inline constexpr auto enumTexts<EnumTextSample> = std::to_array<EnumText<EnumTextSample>>({
    {EnumTextSample::First, u"first"},
    {EnumTextSample::Second, u"second_case"},
    {EnumTextSample::Third, u"Third"},
});

TEST(EnumTextTest, EveryCaseGoesToItsTextAndBack)
{
    static_assert(enumValues<EnumTextSample>()
                  == std::array{EnumTextSample::First, EnumTextSample::Second, EnumTextSample::Third});
    for (const EnumTextSample value : enumValues<EnumTextSample>()) {
        EXPECT_EQ(enumFromString<EnumTextSample>(toString(value)), value);
    }
    EXPECT_EQ(toString(EnumTextSample::Second), QStringLiteral("second_case"));
}

TEST(EnumTextTest, OnlyTheExactTextIsACase)
{
    for (const char16_t *text : {u"", u"First", u"third", u"first ", u"second"}) {
        EXPECT_EQ(enumFromString<EnumTextSample>(QStringView(text)), std::nullopt)
            << QString::fromUtf16(text).toStdString();
    }
}

} // namespace verandel
