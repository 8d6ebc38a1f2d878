#include "mock/FileWatcher.h"

#include "mock/FileWatcherError.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace verandel;
using namespace verandel::test;

namespace {

class FileWatcherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeFile(path, "first");
        watcher.startWatching(path);
    }

    // Waits for the next announcement, then lets any straggling events of the same change arrive.
    bool announcedAgain()
    {
        const qsizetype before = changes.count();
        if (!waitUntil([&] { return changes.count() > before; })) {
            return false;
        }
        QTest::qWait(50);
        return true;
    }

    QTemporaryDir directory;
    QString path = directory.filePath(QStringLiteral("context.json"));
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    FileWatcher watcher{clock};
    QSignalSpy changes{&watcher, &FileWatcher::fileDidChange};
};

TEST_F(FileWatcherTest, AnInPlaceWriteIsAnnouncedWithThePathAndTime)
{
    clock->advance(5);
    writeFile(path, "second");
    ASSERT_TRUE(announcedAgain());
    EXPECT_EQ(changes.last().at(0).toString(), path);
    EXPECT_EQ(watcher.lastChangeTimestamp(), clock->now());
    EXPECT_TRUE(watcher.isWatching());
}

TEST_F(FileWatcherTest, TheWatchFollowsTheNameThroughRenamesAndRecreation)
{
    replaceFile(path, "replaced");
    ASSERT_TRUE(announcedAgain());
    EXPECT_TRUE(watcher.isWatching());
    // The new file is watched: an in-place write to it is seen.
    writeFile(path, "edited");
    ASSERT_TRUE(announcedAgain());

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(announcedAgain());
    EXPECT_TRUE(watcher.isWatching());
    const qsizetype beforeRecreation = changes.count();
    writeFile(path, "recreated");
    ASSERT_TRUE(announcedAgain());
    writeFile(path, "edited again");
    ASSERT_TRUE(announcedAgain());
    EXPECT_GE(changes.count(), beforeRecreation + 2);
    for (const QList<QVariant> &change : changes) {
        EXPECT_EQ(change.at(0).toString(), path);
    }
}

TEST_F(FileWatcherTest, ChangesElsewhereInTheDirectoryAreNotAnnounced)
{
    writeFile(directory.filePath(QStringLiteral("frames.log")), "line\n");
    replaceFile(directory.filePath(QStringLiteral("other.json")), "{}");
    QTest::qWait(150);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(FileWatcherTest, NothingIsAnnouncedAfterStopAndASecondStartWatchesAgain)
{
    QSignalSpy watching(&watcher, &FileWatcher::isWatchingChanged);
    watcher.stopWatching();
    EXPECT_FALSE(watcher.isWatching());
    EXPECT_EQ(watcher.filePath(), std::nullopt);
    writeFile(path, "unseen");
    replaceFile(path, "unseen either");
    QTest::qWait(150);
    EXPECT_EQ(changes.count(), 0);

    watcher.stopWatching();
    const QString other = directory.filePath(QStringLiteral("other.json"));
    writeFile(other, "{}");
    watcher.startWatching(other);
    EXPECT_EQ(watcher.filePath(), other);
    writeFile(other, "{ }");
    ASSERT_TRUE(announcedAgain());
    EXPECT_EQ(changes.last().at(0).toString(), other);
    EXPECT_EQ(watching.count(), 2);
}

TEST_F(FileWatcherTest, StartChecksComeInTheirOrder)
{
    struct Case
    {
        const char *name;
        QString path;
        bool stopFirst;
        QString description;
    };
    const QString missing = directory.filePath(QStringLiteral("missing.json"));
    const std::vector<Case> cases{
        {"already watching", missing, false, QStringLiteral("Already watching file: ") + path},
        {"empty path", QString(), true, QStringLiteral("Invalid file path: ")},
        {"missing file", missing, true, QStringLiteral("File not found: ") + missing},
    };
    for (const Case &c : cases) {
        if (c.stopFirst) {
            watcher.stopWatching();
        }
        try {
            watcher.startWatching(c.path);
            ADD_FAILURE() << c.name;
        } catch (const FileWatcherError &error) {
            EXPECT_EQ(error.errorDescription(), c.description) << c.name;
        }
    }
    EXPECT_FALSE(watcher.isWatching());
}

TEST_F(FileWatcherTest, TriggeringAnnouncesTheWatchedPathOrNone)
{
    watcher.triggerChangeNotification();
    watcher.stopWatching();
    watcher.triggerChangeNotification();
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(0).at(0).toString(), path);
    EXPECT_EQ(changes.at(1).at(0).toString(), QString());
}

} // namespace
