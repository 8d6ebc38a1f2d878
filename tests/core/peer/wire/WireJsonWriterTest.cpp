#include "peer/wire/WireJsonWriter.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

// The wire form as every peer writes it: the text's UTF-8 bytes, each escaped on its own.
QByteArray escapedByteByByte(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray out("\"");
    for (const char ch : text.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '/': out.append("\\/"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (c < 0x20) {
                out.append("\\u00").append(hex[c >> 4]).append(hex[c & 0xF]);
            } else {
                out.append(ch);
            }
        }
    }
    return out.append('"');
}

QByteArray escaped(QStringView text)
{
    QByteArray out("prefix");
    WireJsonWriter::appendEscaped(out, text);
    return out.mid(6);
}

} // namespace

TEST(WireJsonWriterTest, EscapingMatchesTheByteByByteWireForm)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("plain ascii"),
        QStringLiteral("a/b\\c\"d"),
        QStringLiteral("\b\f\n\r\t\x01\x1f\x7f"),
        QStringLiteral("Büro – Schreibtisch 😀"),
        QString(QChar(0xD800)), // lone high surrogate
        QString(QChar(0xDC00)) + QStringLiteral("x"), // lone low surrogate
        QString(QChar(0xD83D)) + QStringLiteral("/"), // high surrogate before ASCII
        QStringLiteral("x") + QString(QChar(0xD83D)), // high surrogate at the end
        QString(QChar(0xDE00)) + QString(QChar(0xD83D)), // reversed pair
        QString(QChar(0xFFFF)) + QString(QChar(0x0080)),
    };
    for (const QString &text : texts) {
        EXPECT_EQ(escaped(text), escapedByteByByte(text)) << text.toStdString();
        const QByteArray latin1 = text.toLatin1();
        QByteArray out;
        WireJsonWriter::appendEscaped(out, QLatin1StringView(latin1));
        EXPECT_EQ(out, escapedByteByByte(QString::fromLatin1(latin1))) << text.toStdString();
    }

    // Random texts over the units where the two could part: ASCII specials, controls, Latin-1,
    // the BMP and both surrogate halves in any order.
    QRandomGenerator random(20260307);
    const char16_t pool[]
        = {u'a', u'/', u'\\', u'"', u'\n', 0x01, 0x1f, 0x7f, 0x80, 0xe9, 0x2013, 0xd83d, 0xde00, 0xfffd};
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = static_cast<int>(random.bounded(12));
        for (int i = 0; i < length; ++i) {
            text.append(QChar(pool[random.bounded(static_cast<quint32>(std::size(pool)))]));
        }
        ASSERT_EQ(escaped(text), escapedByteByByte(text)) << "round " << round;
    }
}

TEST(WireJsonWriterTest, UuidsAreUpperCaseAndIntegersPlain)
{
    WireJsonWriter writer;
    writer.beginArray();
    writer.uuid(QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-0000000000ff")));
    writer.integer(-9007199254740993);
    writer.integer(0);
    writer.endArray();
    EXPECT_EQ(writer.take(), QByteArray(R"(["A1B2C3D4-0000-4000-8000-0000000000FF",-9007199254740993,0])"));
}
