#include "mock/DebugContextKeeper.h"

#include "foundation/StorageError.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace verandel;
using namespace verandel::test;

namespace {

class DebugContextKeeperTest : public ::testing::Test
{
protected:
    std::unique_ptr<DebugContextKeeper> make(const QString &contextPath)
    {
        return std::make_unique<DebugContextKeeper>(contextPath, logs, clock);
    }
    std::unique_ptr<DebugContextKeeper> make() { return make(path); }

    static DebugContext withComment(const QString &comment)
    {
        DebugContext context = DebugContext::createDefault();
        context.comment = comment;
        return context;
    }

    QStringList messages() const { return logs.allMessages(); }

    QTemporaryDir directory;
    QString path = directory.filePath(QStringLiteral("debug/context.json"));
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
};

TEST_F(DebugContextKeeperTest, AMissingFileGetsTheDefaultContextQuietlyAndIsWatched)
{
    const auto keeper = make();
    EXPECT_EQ(keeper->getContext(), DebugContext::createDefault());
    EXPECT_EQ(DebugContext::load(path), DebugContext::createDefault());
    EXPECT_TRUE(keeper->fileWatcher().isWatching());
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(DebugContextKeeperTest, AnUnreadableFileIsKeptAsideBeforeTheDefaultReplacesIt)
{
    QDir().mkpath(QFileInfo(path).path());
    writeFile(path + QStringLiteral(".invalid"), "an older copy");
    writeFile(path, "{\"comment\": \"half an edit\"");
    const auto keeper = make();

    EXPECT_EQ(readFile(path + QStringLiteral(".invalid")), QByteArray("{\"comment\": \"half an edit\""));
    EXPECT_EQ(DebugContext::load(path), DebugContext::createDefault());
    EXPECT_EQ(keeper->getContext(), DebugContext::createDefault());
    const QList<LogRecord> records = logs.records();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records.at(0).level, LogLevel::Error);
    EXPECT_TRUE(records.at(0).message.startsWith(QStringLiteral("Warning: Failed to load debug context from ") + path
                                                 + QStringLiteral(": JSON decoding failed: ")));
    EXPECT_TRUE(records.at(0).message.endsWith(QStringLiteral(" (its content is kept in ") + path
                                               + QStringLiteral(".invalid)")));
    EXPECT_EQ(records.at(1).message, QStringLiteral("Creating default debug context..."));
    EXPECT_EQ(records.at(2).message, QStringLiteral("Default debug context saved to ") + path);
}

TEST_F(DebugContextKeeperTest, AFileThatCannotBeKeptAsideIsNotOverwritten)
{
    // The path of the copy is taken by a directory.
    QDir().mkpath(path + QStringLiteral(".invalid"));
    writeFile(path, "not json");
    const auto keeper = make();
    EXPECT_EQ(readFile(path), QByteArray("not json"));
    EXPECT_EQ(keeper->getContext(), DebugContext::createDefault());
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Error,
                                       QStringLiteral("(it is left as it is: keeping its content in ") + path
                                           + QStringLiteral(".invalid failed: ")));
    EXPECT_FALSE(logs.containsSubstring(LogLevel::Info, QStringLiteral("Default debug context saved")));
    // Fixing the file by hand brings it in.
    withComment(QStringLiteral("fixed")).save(path);
    ASSERT_TRUE(waitUntil([&] { return keeper->getContext().comment == QStringLiteral("fixed"); }));
}

TEST_F(DebugContextKeeperTest, AContextThatCannotBeWrittenStaysInMemoryUnwatched)
{
    // The context's directory is taken by a file.
    writeFile(directory.filePath(QStringLiteral("debug")), "a file");
    const auto keeper = make();
    EXPECT_EQ(keeper->getContext(), DebugContext::createDefault());
    EXPECT_FALSE(keeper->fileWatcher().isWatching());
    const QStringList errors = logs.messages(LogLevel::Error);
    ASSERT_EQ(errors.size(), 3);
    EXPECT_TRUE(errors.at(0).startsWith(QStringLiteral("Warning: Failed to load debug context from ") + path
                                        + QStringLiteral(": JSON encoding failed: ")));
    EXPECT_TRUE(errors.at(1).startsWith(QStringLiteral("Warning: Failed to save default debug context: ")));
    EXPECT_EQ(errors.at(2),
              QStringLiteral("Warning: Failed to start watching context file at ") + path
                  + QStringLiteral(": File not found: ") + path);
}

TEST_F(DebugContextKeeperTest, EditsAreReloadedAndAnnouncedAndBadEditsKeepTheLastGoodContext)
{
    const auto keeper = make();
    QSignalSpy announced(keeper.get(), &DebugContextProvider::contextChanged);

    withComment(QStringLiteral("edited")).save(path);
    ASSERT_TRUE(waitUntil([&] { return !announced.isEmpty(); }));
    EXPECT_EQ(announced.last().at(0).value<DebugContext>().comment, QStringLiteral("edited"));
    EXPECT_EQ(keeper->getContext().comment, QStringLiteral("edited"));
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Debug context file changed, reloading...")));

    QTest::qWait(50);
    const qsizetype good = announced.count();
    writeFile(path, "{ broken");
    ASSERT_TRUE(waitUntil(
        [&] { return logs.containsSubstring(LogLevel::Error, QStringLiteral("Error reloading debug context: ")); }));
    EXPECT_EQ(announced.count(), good);
    EXPECT_EQ(keeper->getContext().comment, QStringLiteral("edited"));
    EXPECT_EQ(readFile(path), QByteArray("{ broken"));

    // An editor's save through a temporary file.
    replaceFile(path, QJsonDocument(withComment(QStringLiteral("renamed")).toJson().toObject()).toJson());
    ASSERT_TRUE(waitUntil([&] { return keeper->getContext().comment == QStringLiteral("renamed"); }));
    withComment(QStringLiteral("after rename")).save(path);
    ASSERT_TRUE(waitUntil([&] { return keeper->getContext().comment == QStringLiteral("after rename"); }));
}

TEST_F(DebugContextKeeperTest, UpdatesAreWrittenAndReachReadersThroughTheWatch)
{
    const auto keeper = make();
    QSignalSpy announced(keeper.get(), &DebugContextProvider::contextChanged);

    keeper->updateDebugContext([](DebugContext &context) { context.listenerPort = 50001; });
    EXPECT_EQ(keeper->getContext().listenerPort, 50001);
    EXPECT_TRUE(announced.isEmpty());
    EXPECT_EQ(DebugContext::load(path).listenerPort, 50001);
    ASSERT_TRUE(waitUntil([&] { return !announced.isEmpty(); }));
    EXPECT_EQ(announced.last().at(0).value<DebugContext>().listenerPort, 50001);

    keeper->updateDebugContext(withComment(QStringLiteral("whole")));
    EXPECT_EQ(DebugContext::load(path).comment, QStringLiteral("whole"));
}

TEST_F(DebugContextKeeperTest, AFailedWriteKeepsOrReplacesTheContextAsEachUpdateSays)
{
    const auto keeper = make();
    // The file's place is taken by a directory, so writing fails.
    ASSERT_TRUE(QFile::remove(path));
    QDir().mkpath(path);

    EXPECT_THROW(keeper->updateDebugContext([](DebugContext &context) { context.comment = QStringLiteral("lost"); }),
                 StorageError);
    EXPECT_EQ(keeper->getContext(), DebugContext::createDefault());
    EXPECT_THROW(keeper->updateDebugContext(withComment(QStringLiteral("kept in memory"))), StorageError);
    EXPECT_EQ(keeper->getContext().comment, QStringLiteral("kept in memory"));
}

TEST_F(DebugContextKeeperTest, AnExplicitReloadThrowsAndChangesNothingWhenTheFileIsGone)
{
    const auto keeper = make();
    QSignalSpy announced(keeper.get(), &DebugContextProvider::contextChanged);
    keeper->reloadDebugContext();
    EXPECT_EQ(announced.count(), 1);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_ANY_THROW(keeper->reloadDebugContext());
    EXPECT_EQ(keeper->getContext(), DebugContext::createDefault());
}

TEST_F(DebugContextKeeperTest, AContextPathWithoutDirectoryIsUsedRelativeToTheWorkingDirectory)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(directory.path()));
    {
        const auto keeper = make(QStringLiteral("bare.json"));
        EXPECT_TRUE(keeper->fileWatcher().isWatching());
        EXPECT_TRUE(QFile::exists(directory.filePath(QStringLiteral("bare.json"))));
    }
    QDir::setCurrent(previous);
}

} // namespace
