#include "kit/NameText.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(NameTextTest, NamesAreCutIsolatedAndKeepTheirAmpersands)
{
    EXPECT_EQ(NameText::elided(QStringLiteral("Studio")), QStringLiteral("Studio"));
    const QString fortyOne(41, QLatin1Char('x'));
    EXPECT_EQ(NameText::elided(fortyOne), QString(39, QLatin1Char('x')) + QChar(0x2026));
    EXPECT_EQ(NameText::elided(QString(40, QLatin1Char('x'))).size(), 40);
    // An emoji across the cut is dropped whole rather than split.
    const QString emoji = QString(38, QLatin1Char('x')) + QString::fromUtf8("😀") + QStringLiteral("yy");
    EXPECT_EQ(NameText::elided(emoji), QString(38, QLatin1Char('x')) + QChar(0x2026));

    EXPECT_EQ(NameText::isolated(QStringLiteral("A&B")), QChar(0x2068) + QStringLiteral("A&B") + QChar(0x2069));
    EXPECT_EQ(NameText::mnemonicSafe(QStringLiteral("Move to A&B && C")), QStringLiteral("Move to A&&B &&&& C"));
}
