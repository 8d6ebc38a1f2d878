#include "linking/ConnectionRequest.h"
#include "linking/MacConnectionStatus.h"

#include "foundation/JsonDecodeError.h"
#include "support/QtPrinters.h"

#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kMac = QUuid::fromString(QStringLiteral("e0000000-0000-4000-8000-000000000001"));

ConnectionRequest request(ConnectionRequestState state)
{
    return ConnectionRequest(QUuid::fromString(QStringLiteral("e0000000-0000-4000-8000-0000000000aa")), kMac,
                             QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC), QStringLiteral("ABC123"), state,
                             ConnectionDirection::Incoming);
}

} // namespace

TEST(ConnectionRequestTest, JsonRoundTripsAndRefusesUnknownStates)
{
    for (const ConnectionRequestState state : allConnectionRequestStates) {
        EXPECT_EQ(ConnectionRequest::fromJson(request(state).toJson()), request(state));
    }
    QJsonObject accepted = request(ConnectionRequestState::Pending).toJson().toObject();
    accepted.insert(QStringLiteral("state"), QStringLiteral("accepted"));
    EXPECT_THROW(ConnectionRequest::fromJson(accepted), JsonDecodeError);

    QJsonObject missing = request(ConnectionRequestState::Pending).toJson().toObject();
    missing.remove(QStringLiteral("direction"));
    EXPECT_THROW(ConnectionRequest::fromJson(missing), JsonDecodeError);

    EXPECT_NE(request(ConnectionRequestState::Pending), request(ConnectionRequestState::Rejected));
    EXPECT_EQ(request(ConnectionRequestState::Pending).withState(ConnectionRequestState::Rejected),
              request(ConnectionRequestState::Rejected));
}

// Each row: the operation, then state, failures and message after it.
TEST(MacConnectionStatusTest, FailureCountingTable)
{
    MacConnectionStatus status(kMac);
    status.updateConnectionState(ConnectionState::Connected);
    const struct
    {
        std::function<void()> operation;
        ConnectionState state;
        qint64 failures;
        std::optional<QString> message;
    } rows[] = {
        {[&] { status.recordFailedPing(QStringLiteral("x")); }, ConnectionState::Unstable, 1, QStringLiteral("x")},
        {[&] { status.recordFailedPing(std::nullopt); }, ConnectionState::Unstable, 2, QStringLiteral("x")},
        {[&] { status.updateConnectionState(ConnectionState::Connecting); }, ConnectionState::Connecting, 2,
         QStringLiteral("x")},
        {[&] { status.recordFailedPing(std::nullopt); }, ConnectionState::Disconnected, 3, QStringLiteral("x")},
        {[&] { status.recordFailedPing(QStringLiteral("y")); }, ConnectionState::Disconnected, 4, QStringLiteral("y")},
        {[&] { status.setError(QStringLiteral("gave up")); }, ConnectionState::Error, 4, QStringLiteral("gave up")},
        {[&] { status.recordSuccessfulPing(); }, ConnectionState::Connected, 0, std::nullopt},
        {[&] { status.recordFailedPing(QStringLiteral("z")); }, ConnectionState::Unstable, 1, QStringLiteral("z")},
        {[&] { status.updateConnectionState(ConnectionState::Connected); }, ConnectionState::Connected, 0,
         std::nullopt},
        {[&] { status.reset(); }, ConnectionState::Disconnected, 0, std::nullopt},
    };
    int row = 0;
    for (const auto &r : rows) {
        r.operation();
        EXPECT_EQ(status.connectionState(), r.state) << "row " << row;
        EXPECT_EQ(status.consecutiveFailures(), r.failures) << "row " << row;
        EXPECT_EQ(status.errorMessage(), r.message) << "row " << row;
        ++row;
    }
}

TEST(MacConnectionStatusTest, DisplayAndJson)
{
    const MacConnectionStatus fresh(kMac);
    EXPECT_EQ(fresh.displayStatus(), QStringLiteral("Disconnected"));
    EXPECT_EQ(fresh.statusColor(), QStringLiteral("gray"));
    EXPECT_FALSE(fresh.isHealthy());
    EXPECT_FALSE(fresh.toJson().toObject().contains(QStringLiteral("errorMessage")));

    QJsonObject json = fresh.toJson().toObject();
    json.insert(QStringLiteral("connectionState"), QStringLiteral("connected"));
    json.insert(QStringLiteral("consecutiveFailures"), 1);
    const auto decoded = MacConnectionStatus::fromJson(json);
    EXPECT_EQ(decoded->displayStatus(), QStringLiteral("Connected (Unstable)"));
    EXPECT_EQ(decoded->statusColor(), QStringLiteral("yellow"));
    EXPECT_TRUE(decoded->isStable());
    EXPECT_FALSE(decoded->isHealthy());

    json.insert(QStringLiteral("connectionState"), QStringLiteral("online"));
    EXPECT_THROW(MacConnectionStatus::fromJson(json), JsonDecodeError);

    const MacConnectionStatus a(fresh.id(), kMac, ConnectionState::Error, 2, QStringLiteral("one"));
    const MacConnectionStatus b(fresh.id(), kMac, ConnectionState::Error, 2, QStringLiteral("two"));
    EXPECT_TRUE(a == b);
}
