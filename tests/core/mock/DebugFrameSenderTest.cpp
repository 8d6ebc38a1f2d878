#include "mock/DebugFrameSender.h"

#include "peer/tcp/MultiplexFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"
#include "support/fakes/RecordingFrameSender.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QTemporaryDir>

using namespace verandel;
using namespace verandel::test;

namespace {

const QUuid sender = QUuid(QStringLiteral("11111111-2222-4333-8444-555555555555"));
const QUuid recipient = QUuid(QStringLiteral("66666666-7777-4888-9999-AAAAAAAAAAAA"));

RawEventEnvelope envelope(const QString &type, QByteArray payload = "{}")
{
    return RawEventEnvelope{QUuid::createUuid(),
                            std::nullopt,
                            sender,
                            recipient,
                            type,
                            std::move(payload),
                            QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)};
}

DiscoverableMac peer()
{
    return DiscoverableMac(recipient, QStringLiteral("Peer"), QStringLiteral("1.0.0"), std::nullopt,
                           QStringLiteral("installation"), std::nullopt, QDateTime());
}

class DebugFrameSenderTest : public ::testing::Test
{
protected:
    DebugFrameSender make() { return DebugFrameSender(*logs, dataPath, configPath); }

    QTemporaryDir directory;
    QString dataPath = directory.filePath(QStringLiteral("frames/sent.jsonl"));
    QString configPath = directory.filePath(QStringLiteral("config.json"));
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
};

TEST_F(DebugFrameSenderTest, EveryEnvelopeBecomesOneWholeLineInOrder)
{
    DebugFrameSender frames = make();
    QList<RawEventEnvelope> sent;
    for (const QString &type : {QStringLiteral("connection_request"), QStringLiteral("ping_request"),
                                QStringLiteral("transfer_to_requester")}) {
        sent.append(envelope(type, "{\"recipientMacId\":\"x\"}"));
    }
    // Started together, finished in order.
    std::vector<QCoro::Task<bool>> tasks;
    for (const RawEventEnvelope &each : sent) {
        tasks.push_back(frames.send(each, peer()));
    }
    for (QCoro::Task<bool> &task : tasks) {
        EXPECT_TRUE(runTask(std::move(task)));
    }

    const QList<QByteArray> lines = readFile(dataPath).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines.last().isEmpty());
    for (int i = 0; i < 3; ++i) {
        const EnvelopeResult<RawEventEnvelope> decoded = EventEnvelopeCodec::decodeFromData(lines.at(i));
        ASSERT_TRUE(decoded) << i;
        EXPECT_EQ(decoded.value(), sent.at(i));
    }
}

TEST_F(DebugFrameSenderTest, FailAllCreatesNoFileAndStopsTheNetworkSender)
{
    writeFile(configPath, R"({"failAll": true})");
    auto frames = std::make_shared<DebugFrameSender>(*logs, dataPath, configPath);
    auto network = std::make_shared<RecordingFrameSender>();
    MultiplexFrameSender multiplex({frames, network}, logs);

    EXPECT_FALSE(runTask(multiplex.send(envelope(QStringLiteral("ping_request")), peer())));
    EXPECT_TRUE(network->sent.isEmpty());
    EXPECT_FALSE(QFile::exists(dataPath));
    EXPECT_TRUE(logs->contains(LogLevel::Info, QStringLiteral("Loaded config: failAll=true")));
}

TEST_F(DebugFrameSenderTest, ThroughTheMultiplexTheFileComesFirstThenTheNetwork)
{
    auto frames = std::make_shared<DebugFrameSender>(*logs, dataPath, configPath);
    auto network = std::make_shared<RecordingFrameSender>();
    MultiplexFrameSender multiplex({frames, network}, logs);
    EXPECT_TRUE(runTask(multiplex.send(envelope(QStringLiteral("ping_request")), peer())));
    EXPECT_EQ(network->sent.size(), 1);
    EXPECT_EQ(readFile(dataPath).count('\n'), 1);
}

TEST_F(DebugFrameSenderTest, OnlyABooleanFailAllInAnObjectCounts)
{
    struct Case
    {
        const char *name;
        std::optional<QByteArray> config;
        bool failAll;
        std::optional<QString> errorStart;
    };
    const std::vector<Case> cases{
        {"no file", std::nullopt, false, std::nullopt},
        {"false", R"({"failAll": false})", false, std::nullopt},
        {"an array", R"([true])", false, std::nullopt},
        {"a string", R"({"failAll": "true"})", false, std::nullopt},
        {"not JSON", "failAll=true", false, QStringLiteral("Failed to load config: ")},
        {"true", R"({"failAll": true, "other": 1})", true, std::nullopt},
    };
    for (const Case &c : cases) {
        QFile::remove(configPath);
        if (c.config) {
            writeFile(configPath, *c.config);
        }
        logs->clear();
        EXPECT_EQ(make().failAll(), c.failAll) << c.name;
        const QStringList errors = logs->messages(LogLevel::Error);
        EXPECT_EQ(errors.size(), c.errorStart ? 1 : 0) << c.name;
        if (c.errorStart && !errors.isEmpty()) {
            EXPECT_TRUE(errors.first().startsWith(*c.errorStart)) << c.name;
        }
    }
}

TEST_F(DebugFrameSenderTest, AnEnvelopeTooLargeForAFrameIsRefusedAndNotWritten)
{
    DebugFrameSender frames = make();
    const QByteArray payload = "\"" + QByteArray(EventEnvelopeCodec::MAX_FRAME_SIZE, 'x') + "\"";
    EXPECT_FALSE(runTask(frames.send(envelope(QStringLiteral("ping_request"), payload), peer())));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Error, QStringLiteral("Failed to encode envelope ")));
    EXPECT_FALSE(QFile::exists(dataPath));
}

TEST_F(DebugFrameSenderTest, AnUnwritableDataFileAnswersFalse)
{
    QDir().mkpath(dataPath);
    DebugFrameSender frames = make();
    EXPECT_FALSE(runTask(frames.send(envelope(QStringLiteral("ping_request")), peer())));
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Error, QStringLiteral("Failed to write envelope ")));
}

} // namespace
