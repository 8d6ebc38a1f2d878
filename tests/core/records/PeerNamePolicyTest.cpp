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
