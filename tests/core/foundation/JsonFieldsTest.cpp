#include "foundation/JsonFields.h"
#include "foundation/JsonDecodeError.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace verandel;

TEST(JsonFieldsTest, UuidTextIsStrict)
{
    const QUuid id = QUuid::fromString(QStringLiteral("3f2504e0-4f89-11d3-9a0c-0305e82c3301"));
    EXPECT_EQ(json::uuidToString(id), QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301"));
    EXPECT_EQ(json::uuidFromString(QStringLiteral("3f2504e0-4f89-11d3-9a0c-0305e82c3301")), id);
    EXPECT_EQ(json::uuidFromString(QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301")), id);
    for (const QString &bad :
         {QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"), QStringLiteral("3F2504E04F8911D39A0C0305E82C3301"),
          QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C330"),
          QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C33011"),
          QStringLiteral("3F2504E0-4F89-11D3-9A0C_0305E82C3301"),
          QStringLiteral("3G2504E0-4F89-11D3-9A0C-0305E82C3301"), QString()}) {
        EXPECT_EQ(json::uuidFromString(bad), std::nullopt) << bad.toStdString();
    }
}

TEST(JsonFieldsTest, DatesAreWholeSecondUtcWithAZone)
{
    const QDateTime local(QDate(2026, 12, 7), QTime(10, 15, 30, 999), QTimeZone(3600));
    EXPECT_EQ(json::toIso8601(local), QStringLiteral("2026-12-07T09:15:30Z"));
    EXPECT_EQ(json::fromIso8601(QStringLiteral("2026-12-07T10:15:30+01:00")),
              QDateTime(QDate(2026, 12, 7), QTime(9, 15, 30), Qt::UTC));
    EXPECT_EQ(json::fromIso8601(QStringLiteral("2026-12-07T10:15:30")), std::nullopt);
    EXPECT_EQ(json::fromIso8601(QStringLiteral("2026-12-07T10:15:30.5Z")), std::nullopt);
    EXPECT_EQ(json::fromIso8601(QStringLiteral("2026-13-07T10:15:30Z")), std::nullopt);
}

TEST(JsonFieldsTest, FieldReadersNameTheKeyAndCheckRanges)
{
    const QJsonObject object{{QStringLiteral("n"), 1.5},
                             {QStringLiteral("big"), 70000},
                             {QStringLiteral("s"), 3},
                             {QStringLiteral("nil"), QJsonValue::Null}};
    EXPECT_EQ(json::optionalString(object, QStringLiteral("nil")), std::nullopt);
    EXPECT_EQ(json::optionalString(object, QStringLiteral("absent")), std::nullopt);
    EXPECT_THROW(json::requireString(object, QStringLiteral("absent")), JsonDecodeError);
    EXPECT_THROW(json::requireInteger(object, QStringLiteral("n"), 0, 10), JsonDecodeError);
    EXPECT_THROW(json::requireInteger(object, QStringLiteral("big"), 0, 65535), JsonDecodeError);
    try {
        json::requireString(object, QStringLiteral("s"));
        FAIL();
    } catch (const JsonDecodeError &error) {
        EXPECT_EQ(error.description(), QStringLiteral("Expected a string for key \"s\""));
    }
}
