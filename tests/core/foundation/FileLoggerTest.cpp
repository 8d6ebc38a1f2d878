#include "foundation/FileLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void logAllLevels(LoggerProtocol &logger)
{
    logger.log(QStringLiteral("m"));
    logger.info(QStringLiteral("m"));
    logger.debug(QStringLiteral("m"));
    logger.notice(QStringLiteral("m"));
    logger.warning(QStringLiteral("m"));
    logger.error(QStringLiteral("m"));
    logger.critical(QStringLiteral("m"));
}

class FileLoggerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QTemporaryDir m_dir;
};

TEST_F(FileLoggerTest, FirstLineCreatesDirectoryAndFile)
{
    const QString path = m_dir.filePath(QStringLiteral("a/b/app.log"));
    FileLoggerFactory factory(path);
    EXPECT_TRUE(QDir(m_dir.filePath(QStringLiteral("a/b"))).exists());
    QDir(m_dir.filePath(QStringLiteral("a"))).removeRecursively();

    factory.createLogger(QStringLiteral("Cat"))->info(QStringLiteral("hello"));
    factory.waitForAllWrites();
    const QRegularExpression line(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[INFO\] \[Cat\] hello \(:\d+ info\(_:\)\)\n$)"));
    EXPECT_TRUE(line.match(readAll(path)).hasMatch()) << qPrintable(readAll(path));
}

TEST_F(FileLoggerTest, AppendsInOrderAndNeverReplacesAnExistingLog)
{
    const QString path = m_dir.filePath(QStringLiteral("app.log"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier run\n");
    }
    FileLoggerFactory factory(path);
    const LoggerPtr first = factory.createLogger(QStringLiteral("First"));
    const LoggerPtr second = FileLoggerFactory(path).createLogger(QStringLiteral("Second"));
    for (int i = 0; i < 50; ++i) {
        (i % 2 ? second : first)->notice(QString::number(i));
    }
    factory.waitForAllWrites();

    const QStringList lines = readAll(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 51);
    EXPECT_EQ(lines.first(), QStringLiteral("earlier run"));
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(lines[i + 1].contains(QStringLiteral("] %1 (:").arg(i))) << qPrintable(lines[i + 1]);
    }
}

// The filter is the standard-output logger's; here each kept line also names its level's call.
TEST_F(FileLoggerTest, MinimumLevelIsHonoured)
{
    const QString path = m_dir.filePath(QStringLiteral("levels.log"));
    FileLoggerFactory factory(path);
    logAllLevels(*factory.createLogger(QStringLiteral("C"), LogLevel::Debug));
    factory.waitForAllWrites();
    QStringList tags;
    for (const QString &line : readAll(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        tags << line.section(QLatin1Char('['), 1, 1).section(QLatin1Char(']'), 0, 0);
        EXPECT_TRUE(line.endsWith(QLatin1Char(' ') + tags.last().toLower() + QStringLiteral("(_:))")));
    }
    EXPECT_EQ(tags,
              (QStringList{QStringLiteral("INFO"), QStringLiteral("DEBUG"), QStringLiteral("NOTICE"),
                           QStringLiteral("WARNING"), QStringLiteral("ERROR"), QStringLiteral("CRITICAL")}));
}

TEST_F(FileLoggerTest, UnwritableFileReportsEachLostLine)
{
    const QString blocker = m_dir.filePath(QStringLiteral("file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    const QString directory = m_dir.filePath(QStringLiteral("dir.log"));
    QDir().mkpath(directory);

    // Root ignores file modes; a file in the way of the directory and a directory in place of the
    // file fail for everyone.
    for (const QString &path : {blocker + QStringLiteral("/sub/app.log"), directory}) {
        testing::internal::CaptureStdout();
        FileLoggerFactory factory(path);
        const LoggerPtr logger = factory.createLogger(QStringLiteral("C"));
        logger->error(QStringLiteral("one"));
        logger->error(QStringLiteral("two"));
        factory.waitForAllWrites();
        const QStringList out = QString::fromStdString(testing::internal::GetCapturedStdout())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(out.size(), 2) << qPrintable(path);
        for (const QString &line : out) {
            EXPECT_TRUE(line.startsWith(QStringLiteral("Failed to write to log file: "))) << qPrintable(line);
        }
    }
    EXPECT_EQ(QFileInfo(blocker).size(), 0);
}

} // namespace
