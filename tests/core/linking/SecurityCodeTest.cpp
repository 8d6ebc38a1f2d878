#include "linking/SecurityCode.h"
#include "linking/DiscoverySession.h"

#include "support/ManualClock.h"
#include "support/QtPrinters.h"

#include <QHash>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>

using namespace verandel;

namespace {

const QDateTime kEarly(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
const QDateTime kLate(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);

} // namespace

TEST(SecurityCodeTest, GeneratedCodesHaveSixSymbolsOfTheAlphabet)
{
    EXPECT_EQ(SecurityCode::alphabet(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
    for (int i = 0; i < 200; ++i) {
        const SecurityCode code = SecurityCode::generateSecure();
        ASSERT_EQ(code.code().size(), 6);
        EXPECT_TRUE(SecurityCode::isWellFormed(code.code())) << code.code().toStdString();
    }
    const SecurityCode empty = SecurityCode::generateSecure(0);
    EXPECT_EQ(empty.code(), QString());
    EXPECT_EQ(empty.description(), QStringLiteral("SecurityCode()"));
}

TEST(SecurityCodeTest, SymbolsAreUniformWithinAChiSquareBound)
{
    constexpr int codes = 6000;
    QHash<QChar, int> counts;
    for (int i = 0; i < codes; ++i) {
        const QString code = SecurityCode::generateSecure().code();
        for (const QChar symbol : code) {
            ++counts[symbol];
        }
    }
    ASSERT_EQ(counts.size(), 36);
    const double expected = codes * 6 / 36.0;
    double chiSquare = 0;
    for (const int count : std::as_const(counts)) {
        chiSquare += (count - expected) * (count - expected) / expected;
    }
    // 35 degrees of freedom: a uniform source exceeds 90 about once in a million runs.
    EXPECT_LT(chiSquare, 90.0);
}

TEST(SecurityCodeTest, DrawsInTheBiasedRangeAreDrawnAgain)
{
    QList<quint64> draws = {0, std::numeric_limits<quint64>::max(), 1, quint64(1) << 63, 2};
    int used = 0;
    const auto source = [&] { return draws.at(used++); };
    // 0 * 36 falls below 2^64 mod 36 and is drawn again; the top draw is the last symbol.
    EXPECT_EQ(SecurityCode::generateSecure(1, source).code(), QStringLiteral("9"));
    EXPECT_EQ(used, 2);
    // 1 gives the first symbol; 2^63 * 36 has a lower half of 0 and is drawn again.
    EXPECT_EQ(SecurityCode::generateSecure(2, source).code(), QStringLiteral("AA"));
    EXPECT_EQ(used, 5);
}

TEST(SecurityCodeTest, DisplayCodeSplitsSixAndEightSymbolCodes)
{
    const struct
    {
        QString code;
        QString display;
    } cases[] = {
        {QStringLiteral("ABC123"), QStringLiteral("ABC-123")},
        {QStringLiteral("ABC1234"), QStringLiteral("ABC1234")},
        {QStringLiteral("ABCD1234"), QStringLiteral("ABCD-1234")},
        {QStringLiteral("AB"), QStringLiteral("AB")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(SecurityCode(c.code, kEarly).displayCode(), c.display);
    }
    EXPECT_EQ(SecurityCode(QStringLiteral("ABC123"), kEarly).description(), QStringLiteral("SecurityCode(ABC-123)"));
}

TEST(SecurityCodeTest, WellFormedCodesAreSixToEightAlphabetSymbols)
{
    for (const QString &good : {QStringLiteral("ABC123"), QStringLiteral("ABCD123"), QStringLiteral("ABCD1234")}) {
        EXPECT_TRUE(SecurityCode::isWellFormed(good)) << good.toStdString();
    }
    for (const QString &bad : {QStringLiteral("48213"), QStringLiteral("ABCDE1234"), QStringLiteral("abc123"),
                               QStringLiteral("ABC-12"), QStringLiteral("ABC12\n"), QString()}) {
        EXPECT_FALSE(SecurityCode::isWellFormed(bad)) << bad.toStdString();
    }
}

TEST(SecurityCodeTest, NewerCodesSortFirstAndEqualityNeedsBothFields)
{
    const SecurityCode early(QStringLiteral("AAA111"), kEarly);
    const SecurityCode late(QStringLiteral("AAA111"), kLate);
    EXPECT_NE(early, late);
    EXPECT_TRUE(late < early);
    EXPECT_TRUE(early > late);
    EXPECT_TRUE(late <= early);
    EXPECT_FALSE(early <= late);

    const SecurityCode other(QStringLiteral("ZZZ999"), kEarly);
    EXPECT_FALSE(early < other);
    EXPECT_FALSE(other < early);
    EXPECT_TRUE(early <= other && early >= other);

    EXPECT_TRUE(early.matches(QStringLiteral("aaa111")));
    EXPECT_NE(early, SecurityCode(QStringLiteral("aaa111"), kEarly));
    EXPECT_EQ(SecurityCode::fromJson(early.toJson()), early);
}

TEST(DiscoverySessionTest, TransitionsFollowTheirTable)
{
    auto clock = std::make_shared<test::ManualClock>(kEarly);
    DiscoverySession session(QUuid::createUuid(), DiscoverySessionState::Idle, QStringLiteral("ABC123"), clock);
    EXPECT_EQ(session.createdAt(), kEarly);
    EXPECT_EQ(session.updatedAt(), kEarly);
    QSignalSpy states(&session, &DiscoverySession::stateChanged);

    clock->advance(1);
    session.stop(); // idle: nothing at all
    EXPECT_EQ(session.state(), DiscoverySessionState::Idle);
    EXPECT_EQ(session.updatedAt(), kEarly);

    session.start();
    EXPECT_EQ(session.state(), DiscoverySessionState::Starting);
    EXPECT_EQ(session.updatedAt(), kEarly.addSecs(1));

    session.setError(QStringLiteral("Browsing failed"));
    EXPECT_EQ(session.state(), DiscoverySessionState::Failed);
    EXPECT_TRUE(session.canRestart());
    session.start(); // only idle starts
    session.stop(); // failed stays failed
    EXPECT_EQ(session.state(), DiscoverySessionState::Failed);

    session.updateState(DiscoverySessionState::Stopped);
    EXPECT_EQ(session.errorMessage(), QStringLiteral("Browsing failed"));
    session.updateState(DiscoverySessionState::Discovering);
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    session.stop();
    EXPECT_EQ(session.state(), DiscoverySessionState::Stopped);
    EXPECT_EQ(states.count(), 5);

    EXPECT_EQ(session.debugDescription().split(u'\n').at(4), QStringLiteral("    errorMessage: nil"));
    EXPECT_EQ(session.debugDescription().split(u'\n').last(), QStringLiteral(")"));
}
