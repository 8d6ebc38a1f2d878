#include "records/PeerNamePolicy.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(PeerNamePolicyTest, PeerNamesLoseControlCharactersAndAreCappedAtACharacterBoundary)
{
    const QString e = QStringLiteral("\u00e9"); // two bytes in UTF-8
    const struct
    {
        QString in;
        std::optional<QString> out;
    } cases[] = {
        {QStringLiteral("Studio"), QStringLiteral("Studio")},
        {QStringLiteral("  Desk\n\x1b[2J Mac\t "), QStringLiteral("Desk[2J Mac")},
        {QStringLiteral(" \r\n "), std::nullopt},
        // Bidi controls would make one name show as another.
        {QStringLiteral("Office\u202Eexe.nimda"), QStringLiteral("Officeexe.nimda")},
        {QStringLiteral("\u2067Desk\u2069 \u200F\u061C\u200E\u202A\u202B\u202C\u202D\u2066\u2068"),
         QStringLiteral("Desk")},
        {QStringLiteral("\u202E \u2066"), std::nullopt},
        {QStringLiteral("מחשב ✓"), QStringLiteral("מחשב ✓")},
        {QString(70, QLatin1Char('x')), QString(63, QLatin1Char('x'))},
        // 31 two-byte characters fill 62 bytes; the 32nd would split at byte 63.
        {e.repeated(40), e.repeated(31)},
        // A base letter and its combining accent stay together.
        {QString(62, QLatin1Char('x')) + QStringLiteral("e\u0301"), QString(62, QLatin1Char('x'))},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sanitizedPeerName(c.in), c.out) << c.in.toStdString();
    }
}
