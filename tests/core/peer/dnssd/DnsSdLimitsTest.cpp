#include "peer/dnssd/DnsSdLimits.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(DnsSdLimitsTest, CutsUtf8AtACharacterBoundary)
{
    struct Case
    {
        QString text;
        qsizetype maxBytes;
        QString expected;
    };
    const QString e = QString(QChar(0x00E9)); // 2 bytes
    const QString euro = QString(QChar(0x20AC)); // 3 bytes
    const QString smile = QString::fromUcs4(U"\U0001F600", 1); // 4 bytes, a surrogate pair in UTF-16
    const QList<Case> cases{
        {QStringLiteral("Studio"), 63, QStringLiteral("Studio")},
        {QString(63, u'a'), 63, QString(63, u'a')},
        {QString(64, u'a'), 63, QString(63, u'a')},
        {QString(32, QChar(0x00E9)), 63, QString(31, QChar(0x00E9))},
        {QStringLiteral("ab") + euro, 4, QStringLiteral("ab")},
        {QStringLiteral("a") + smile + QStringLiteral("b"), 4, QStringLiteral("a")},
        {QStringLiteral("a") + smile + QStringLiteral("b"), 5, QStringLiteral("a") + smile},
        {e + e, 0, QString()},
    };
    for (const Case &testCase : cases) {
        SCOPED_TRACE(testCase.text.toStdString());
        const QString cut = dnssd::cutToUtf8Bytes(testCase.text, testCase.maxBytes);
        EXPECT_EQ(cut, testCase.expected);
        EXPECT_LE(cut.toUtf8().size(), testCase.maxBytes);
    }
    EXPECT_EQ(dnssd::boundedInstanceName(QString(40, QChar(0x20AC))), QString(21, QChar(0x20AC)));
}

TEST(DnsSdLimitsTest, CutsTxtBytesWithoutSplittingACharacter)
{
    const QByteArray entry = QByteArrayLiteral("name=x") + QString(200, QChar(0x00E9)).toUtf8(); // 406 bytes
    const QByteArray cut = dnssd::cutUtf8Bytes(entry, dnssd::kMaxTxtEntryBytes);
    EXPECT_EQ(cut.size(), 254); // 255 would end inside a character
    EXPECT_EQ(QString::fromUtf8(cut).toUtf8(), cut);
    EXPECT_EQ(dnssd::cutUtf8Bytes("short", 255), QByteArray("short"));
}
