#include "foundation/LogText.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(LogTextTest, EscapesControlCharactersSoPeerTextStaysOnOneLine)
{
    EXPECT_EQ(escapeControlCharacters(u"plain name"), QStringLiteral("plain name"));
    EXPECT_EQ(escapeControlCharacters(u"a\nb\r\tc"), QStringLiteral("a\\nb\\r\\tc"));
    EXPECT_EQ(escapeControlCharacters(QStringView(u"\x1b[31mred\x7f")), QStringLiteral("\\u001B[31mred\\u007F"));
    EXPECT_EQ(escapeControlCharacters(QString(QChar(0x85))), QStringLiteral("\\u0085"));
    EXPECT_EQ(escapeControlCharacters(u"Büro – Mac"), QStringLiteral("Büro – Mac"));
    // Bidi controls would reorder the rest of the line on a terminal or in a log viewer.
    EXPECT_EQ(escapeControlCharacters(u"Office\u202Eexe.nimda"), QStringLiteral("Office\\u202Eexe.nimda"));
    EXPECT_EQ(escapeControlCharacters(u"a\u061Cb\u200Ec\u200Fd\u202Ae\u2066f\u2069"),
              QStringLiteral("a\\u061Cb\\u200Ec\\u200Fd\\u202Ae\\u2066f\\u2069"));
    // Letters of right-to-left scripts are text, not controls.
    EXPECT_EQ(escapeControlCharacters(u"שלום مرحبا"), QStringLiteral("שלום مرحبا"));
}

TEST(LogTextTest, ShowsOnlyTheStartOfALongText)
{
    // A 10,000-character security code once made one log line of 10,153 characters.
    EXPECT_EQ(escapeControlCharacters(QString(10000, u'A')),
              QString(256, u'A') + QStringLiteral("… (9744 more characters)"));
    EXPECT_EQ(escapeControlCharacters(QString(256, u'A')), QString(256, u'A'));
    // Escapes may lengthen what is shown; a pair of surrogates is never split.
    EXPECT_EQ(escapeControlCharacters(QString(300, u'\n')).size(),
              512 + QStringLiteral("… (44 more characters)").size());
    const QString emoji = QString(255, u'a') + QStringLiteral("😀😀");
    EXPECT_EQ(escapeControlCharacters(emoji), QString(255, u'a') + QStringLiteral("… (4 more characters)"));
}

TEST(LogTextTest, StripsControlCharacters)
{
    EXPECT_EQ(stripControlCharacters(u"AB\nC\x01"
                                     u"D"),
              QStringLiteral("ABCD"));
    EXPECT_EQ(stripControlCharacters(u"Büro"), QStringLiteral("Büro"));
}

TEST(LogTextTest, FormatsDoublesWithAFractionalPart)
{
    EXPECT_EQ(formatDouble(5), QStringLiteral("5.0"));
    EXPECT_EQ(formatDouble(0.25), QStringLiteral("0.25"));
    EXPECT_EQ(formatDouble(10.5), QStringLiteral("10.5"));
    EXPECT_EQ(formatDouble(1e-05), QStringLiteral("1e-05"));
}
