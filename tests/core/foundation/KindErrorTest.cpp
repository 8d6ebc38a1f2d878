#include "foundation/KindError.h"

#include <gtest/gtest.h>

namespace verandel {

namespace {

struct KindErrorSampleCases
{
    enum class Kind { Plain, One, Two };
    struct Payload
    {
        QString first;
        int second = 0;
        bool operator==(const Payload &) const = default;
    };
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::Plain, u"Nothing to insert"},
        {Kind::One, u"Only %1"},
        {Kind::Two, u"%2 before %1, then %1 again"},
    });
    static QStringList arguments(const Payload &payload) { return {payload.first, QString::number(payload.second)}; }
};

class KindErrorSample final : public KindError<KindErrorSampleCases>
{
public:
    KindErrorSample(Kind kind, Payload payload)
        : KindError(kind, std::move(payload))
    { }
    using KindError::description;
    using KindError::payload;
};

} // namespace

TEST(KindErrorTest, FillArgumentsReplacesEachMarkerOnceAndLeavesTheRest)
{
    const struct
    {
        const char16_t *format;
        QStringList arguments;
        QString filled;
    } cases[] = {
        {u"plain text", {QStringLiteral("x")}, QStringLiteral("plain text")},
        {u"%1", {QStringLiteral("only")}, QStringLiteral("only")},
        {u"a %1 b %2 c", {QStringLiteral("1"), QStringLiteral("2")}, QStringLiteral("a 1 b 2 c")},
        {u"%2%1", {QStringLiteral("x"), QStringLiteral("y")}, QStringLiteral("yx")},
        // An argument's own markers stay as they are.
        {u"%1 and %2", {QStringLiteral("%2"), QStringLiteral("%1")}, QStringLiteral("%2 and %1")},
        // Markers without an argument, %0 and a % at the end are plain text.
        {u"%3 %0 100%", {QStringLiteral("x")}, QStringLiteral("%3 %0 100%")},
        {u"", {}, QString()},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(fillArguments(QStringView(c.format), c.arguments), c.filled) << c.filled.toStdString();
    }
}

TEST(KindErrorTest, EachKindIsDescribedFromItsRowAndComparedWithItsPayload)
{
    const KindErrorSample two(KindErrorSample::Kind::Two, {QStringLiteral("x"), 7});
    EXPECT_EQ(two.description(), QStringLiteral("7 before x, then x again"));
    EXPECT_STREQ(two.what(), "7 before x, then x again");
    EXPECT_EQ(KindErrorSample(KindErrorSample::Kind::Plain, {QStringLiteral("x"), 7}).description(),
              QStringLiteral("Nothing to insert"));

    EXPECT_EQ(two, KindErrorSample(KindErrorSample::Kind::Two, {QStringLiteral("x"), 7}));
    EXPECT_NE(two, KindErrorSample(KindErrorSample::Kind::One, {QStringLiteral("x"), 7}));
    EXPECT_NE(two, KindErrorSample(KindErrorSample::Kind::Two, {QStringLiteral("x"), 8}));
}

} // namespace verandel
