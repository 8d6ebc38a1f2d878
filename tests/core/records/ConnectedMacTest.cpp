#include "records/ConnectedMac.h"
#include "foundation/JsonDecodeError.h"
#include "records/ConnectedMacInput.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>

using namespace verandel;

namespace {

const QUuid macId = QUuid::fromString(QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"));
const QDateTime lastSeen(QDate(2026, 3, 4), QTime(12, 0), Qt::UTC);

ConnectedMac record(const QString &name, const QDateTime &seen = lastSeen, ConnectionMetadata metadata = {})
{
    return ConnectedMac(macId, name, QStringLiteral("c0ffee00-0000-4000-8000-000000000001"), lastSeen, seen,
                        std::move(metadata));
}

QDateTime after(double seconds)
{
    return lastSeen.addMSecs(static_cast<qint64>(seconds * 1000));
}

TEST(ConnectedMacTest, DisplayNameFallsBackToTheIdOnlyForAnEmptyName)
{
    EXPECT_EQ(record(QString()).displayName(), QStringLiteral("Computer 0A1B2C3D"));
    EXPECT_EQ(record(QStringLiteral("  ")).displayName(), QStringLiteral("  "));
    EXPECT_EQ(record(QStringLiteral("Studio")).displayName(), QStringLiteral("Studio"));
}

TEST(ConnectedMacTest, QualityBandsAndThresholds)
{
    struct Case
    {
        double seconds;
        ConnectionQuality quality;
        bool stale;
        bool offline;
    };
    const Case cases[] = {
        {-10, ConnectionQuality::Excellent, false, false},  {0, ConnectionQuality::Excellent, false, false},
        {59.9, ConnectionQuality::Excellent, false, false}, {60, ConnectionQuality::Good, false, false},
        {299.9, ConnectionQuality::Good, false, false},     {300, ConnectionQuality::Poor, false, false},
        {300.5, ConnectionQuality::Poor, true, false},      {1800, ConnectionQuality::Offline, true, false},
        {1800.5, ConnectionQuality::Offline, true, true},
    };
    const ConnectedMac mac = record(QStringLiteral("M"));
    for (const Case &c : cases) {
        const QDateTime now = after(c.seconds);
        EXPECT_DOUBLE_EQ(mac.timeSinceLastSeen(now), c.seconds);
        EXPECT_EQ(mac.connectionQuality(now), c.quality) << c.seconds;
        EXPECT_EQ(mac.isStale(now), c.stale) << c.seconds;
        EXPECT_EQ(mac.isOffline(now), c.offline) << c.seconds;
    }
    EXPECT_EQ(colorName(mac.connectionQuality(after(61))), QStringLiteral("yellow"));
}

TEST(ConnectedMacTest, RelativeLastSeenText)
{
    const struct
    {
        double seconds;
        const char *text;
    } cases[] = {
        {0, "now"},
        {0.4, "now"},
        {45, "45 sec. ago"},
        {59.9, "59 sec. ago"},
        {60, "1 min. ago"},
        {7300, "2 hr. ago"},
        {86400, "1 day ago"},
        {3 * 86400, "3 days ago"},
        {15 * 86400, "2 wk. ago"},
        {61 * 86400, "2 mo. ago"},
        {400 * 86400, "1 yr. ago"},
        {-300, "in 5 min."},
    };
    const ConnectedMac mac = record(QStringLiteral("M"));
    for (const auto &c : cases) {
        EXPECT_EQ(mac.formattedLastSeen(after(c.seconds)), QString::fromLatin1(c.text)) << c.seconds;
    }
}

TEST(ConnectedMacTest, OrderByNameThenMostRecentlySeen)
{
    const ConnectedMac beta10 = record(QStringLiteral("Beta"), lastSeen.addSecs(-7200));
    const ConnectedMac alpha9 = record(QStringLiteral("Alpha"), lastSeen.addSecs(-10800));
    const ConnectedMac beta11 = record(QStringLiteral("Beta"), lastSeen.addSecs(-3600));
    QList<ConnectedMac> macs{beta10, alpha9, beta11};
    std::stable_sort(macs.begin(), macs.end());
    EXPECT_EQ(macs, (QList<ConnectedMac>{alpha9, beta11, beta10}));
    EXPECT_LT(record(QStringLiteral("Zeta")), record(QStringLiteral("alpha")));
    EXPECT_FALSE(record(QStringLiteral("Same")) < record(QStringLiteral("Same")));
}

TEST(ConnectedMacTest, CopiesMoveTheRightTimes)
{
    const ConnectedMacInput input{macId, QStringLiteral("M"), QStringLiteral("i"), {}};
    const ConnectedMac made = input.toConnectedMac(lastSeen);
    EXPECT_EQ(made.timestamp(), made.lastSeenTimestamp());

    const ConnectedMac mac
        = record(QStringLiteral("M"), lastSeen,
                 {{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("b"), QStringLiteral("1")}});
    const ConnectedMac merged = mac.withUpdatedMetadata({{QStringLiteral("a"), QStringLiteral("2")}}, after(5));
    EXPECT_EQ(
        merged.connectionMetadata(),
        (ConnectionMetadata{{QStringLiteral("a"), QStringLiteral("2")}, {QStringLiteral("b"), QStringLiteral("1")}}));
    EXPECT_EQ(merged.lastSeenTimestamp(), after(5));
    EXPECT_EQ(merged.timestamp(), mac.timestamp());

    const ConnectedMac replaced
        = mac.withUpdates(std::nullopt, ConnectionMetadata{{QStringLiteral("c"), QStringLiteral("3")}}, after(9));
    EXPECT_EQ(replaced.connectionMetadata(), (ConnectionMetadata{{QStringLiteral("c"), QStringLiteral("3")}}));
    EXPECT_EQ(replaced.name(), QStringLiteral("M"));
    EXPECT_EQ(replaced.timestamp(), after(9));
    EXPECT_EQ(replaced.lastSeenTimestamp(), after(9));
}

TEST(ConnectedMacJsonTest, RoundTripAndKeyRules)
{
    const ConnectedMac mac = record(QStringLiteral("M"), after(30), {{QStringLiteral("k"), QStringLiteral("v")}});
    const QJsonObject json = mac.toJson().toObject();
    EXPECT_EQ(json.value(QStringLiteral("id")).toString(), QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"));
    EXPECT_EQ(json.value(QStringLiteral("lastSeenTimestamp")).toString(), QStringLiteral("2026-03-04T12:00:30Z"));
    EXPECT_EQ(ConnectedMac::fromJson(json), mac);

    QJsonObject lower = json;
    lower.insert(QStringLiteral("id"), QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"));
    lower.insert(QStringLiteral("extra"), 1);
    EXPECT_EQ(ConnectedMac::fromJson(lower), mac);

    // Metadata is required and holds only strings; the id is a bare UUID; every other key is required.
    const std::pair<const char *, QJsonValue> broken[] = {
        {"connectionMetadata", QJsonValue::Undefined},
        {"connectionMetadata", QJsonValue::Null},
        {"connectionMetadata", QJsonObject{{QStringLiteral("k"), 1}}},
        {"id", QStringLiteral("{0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d}")},
        {"id", QJsonValue::Undefined},
        {"name", QJsonValue::Undefined},
        {"installationId", QJsonValue::Undefined},
        {"timestamp", QJsonValue::Undefined},
        {"lastSeenTimestamp", QJsonValue::Undefined},
    };
    for (const auto &[key, value] : broken) {
        QJsonObject changed = json;
        if (value.isUndefined()) {
            changed.remove(QLatin1String(key));
        } else {
            changed.insert(QLatin1String(key), value);
        }
        EXPECT_THROW(ConnectedMac::fromJson(changed), JsonDecodeError) << key;
    }

    const ConnectedMacInput input{macId, QString(), QStringLiteral("not validated"), {}};
    EXPECT_EQ(ConnectedMacInput::fromJson(input.toJson()), input);
}

} // namespace
