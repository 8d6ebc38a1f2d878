#include "foundation/DefaultLogger.h"
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/LogLevel.h"

#include <QRegularExpression>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

// What the process writes to standard output while `body` runs.
QByteArray captureStdout(const std::function<void()> &body)
{
    testing::internal::CaptureStdout();
    body();
    return QByteArray::fromStdString(testing::internal::GetCapturedStdout());
}

void writeAllLevels(LoggerProtocol &logger)
{
    logger.log(QStringLiteral("log"));
    logger.info(QStringLiteral("info"));
    logger.debug(QStringLiteral("debug"));
    logger.notice(QStringLiteral("notice"));
    logger.warning(QStringLiteral("warning"));
    logger.error(QStringLiteral("error"));
    logger.critical(QStringLiteral("critical"));
}

QStringList writtenTags(const QByteArray &output)
{
    QStringList tags;
    for (const QByteArray &line : output.split('\n')) {
        if (!line.isEmpty()) {
            tags.append(QString::fromUtf8(line.mid(1, line.indexOf(']') - 1)));
        }
    }
    return tags;
}

} // namespace

TEST(LogLevelTest, SeverityOrderDiffersFromDeclarationOrder)
{
    EXPECT_TRUE(LogLevel::Debug < LogLevel::Info);
    EXPECT_FALSE(LogLevel::Info < LogLevel::Debug);
    EXPECT_TRUE(LogLevel::Log < LogLevel::Debug);
    EXPECT_TRUE(LogLevel::Error >= LogLevel::Warning);
    for (LogLevel level : allLogLevels) {
        EXPECT_EQ(logLevelFromString(toString(level)), level);
    }
    EXPECT_EQ(logLevelFromString(u"DEBUG"), std::nullopt);
    EXPECT_EQ(logLevelFromString(u"deBug"), std::nullopt);
    EXPECT_EQ(logLevelFromString(u"verbose"), std::nullopt);
}

TEST(DefaultLoggerTest, MinimumLevelFiltersBySeverity)
{
    struct Case
    {
        std::optional<LogLevel> minLevel;
        QStringList written;
    };
    const QStringList all{QStringLiteral("LOG"),     QStringLiteral("INFO"),    QStringLiteral("DEBUG"),
                          QStringLiteral("NOTICE"),  QStringLiteral("WARNING"), QStringLiteral("ERROR"),
                          QStringLiteral("CRITICAL")};
    const Case cases[] = {
        {std::nullopt, all},
        {LogLevel::Log, all},
        {LogLevel::Debug,
         {QStringLiteral("INFO"), QStringLiteral("DEBUG"), QStringLiteral("NOTICE"), QStringLiteral("WARNING"),
          QStringLiteral("ERROR"), QStringLiteral("CRITICAL")}},
        {LogLevel::Info,
         {QStringLiteral("INFO"), QStringLiteral("NOTICE"), QStringLiteral("WARNING"), QStringLiteral("ERROR"),
          QStringLiteral("CRITICAL")}},
        {LogLevel::Warning, {QStringLiteral("WARNING"), QStringLiteral("ERROR"), QStringLiteral("CRITICAL")}},
        {LogLevel::Critical, {QStringLiteral("CRITICAL")}},
    };
    for (const Case &c : cases) {
        DefaultLogger logger(QStringLiteral("com.verandel.Verandel"), QStringLiteral("Cat"), true, c.minLevel);
        EXPECT_EQ(writtenTags(captureStdout([&] { writeAllLevels(logger); })), c.written)
            << (c.minLevel ? toString(*c.minLevel).toStdString() : "none");
    }

    DefaultLogger quiet(QStringLiteral("com.verandel.Verandel"), QStringLiteral("Cat"), false, std::nullopt);
    EXPECT_TRUE(captureStdout([&] { writeAllLevels(quiet); }).isEmpty());
}

TEST(DefaultLoggerTest, StandardOutputLineFormat)
{
    const QDateTime at(QDate(2026, 12, 7), QTime(9, 5, 3, 7));
    EXPECT_EQ(DefaultLogger::stdoutLine(LogLevel::Warning, QStringLiteral("PeerCommunicationHub"),
                                        QStringLiteral("Sent ping"), at),
              QStringLiteral("[WARNING] [2026-12-07 09:05:03.007] [PeerCommunicationHub] Sent ping"));
    EXPECT_EQ(DefaultLogger::stdoutLine(LogLevel::Info, QStringLiteral("C"), QString(), at),
              QStringLiteral("[INFO] [2026-12-07 09:05:03.007] [C] "));

    DefaultLogger logger(QStringLiteral("com.verandel.Verandel"), QStringLiteral("Cat"), true, std::nullopt);
    const QByteArray output = captureStdout([&] { logger.notice(QStringLiteral("ünïcode")); });
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral(
                        "^\\[NOTICE\\] \\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] \\[Cat\\] ünïcode\\n$"))
                    .match(QString::fromUtf8(output))
                    .hasMatch())
        << output.toStdString();
}

TEST(DefaultLoggerTest, EachStandardOutputLineIsInTheFileAtOnce)
{
    // Redirected to a file, standard output is block-buffered: a line would wait for 4 KiB more.
    std::fflush(stdout);
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    const int saved = ::dup(STDOUT_FILENO);
    ASSERT_GE(::dup2(file.handle(), STDOUT_FILENO), 0);
    DefaultLogger logger(QStringLiteral("com.verandel.Verandel"), QStringLiteral("Cat"), true, std::nullopt);
    logger.info(QStringLiteral("first line"));
    QFile reader(file.fileName());
    const QByteArray written = reader.open(QIODevice::ReadOnly) ? reader.readAll() : QByteArray();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    EXPECT_TRUE(written.endsWith("[Cat] first line\n")) << written.toStdString();
}

TEST(DefaultLoggerFactoryTest, CategoryMapBeatsArgumentBeatsDefault)
{
    DefaultLoggerFactory factory(QStringLiteral("com.verandel.Verandel"), false,
                                 {{QStringLiteral("PeerCommunicationHub"), LogLevel::Error}}, LogLevel::Warning);
    auto minLevelOf = [&](const QString &category, std::optional<LogLevel> argument) {
        return std::dynamic_pointer_cast<DefaultLogger>(factory.createLogger(category, argument))->minLevel();
    };
    EXPECT_EQ(minLevelOf(QStringLiteral("PeerCommunicationHub"), LogLevel::Debug), LogLevel::Error);
    EXPECT_EQ(minLevelOf(QStringLiteral("peercommunicationhub"), LogLevel::Debug), LogLevel::Debug);
    EXPECT_EQ(minLevelOf(QStringLiteral("peercommunicationhub"), std::nullopt), LogLevel::Warning);
    EXPECT_EQ(std::dynamic_pointer_cast<DefaultLogger>(factory.createLogger(QStringLiteral("Other")))->minLevel(),
              LogLevel::Warning);

    DefaultLoggerFactory open(QStringLiteral("com.verandel.Verandel"), true);
    auto logger = std::dynamic_pointer_cast<DefaultLogger>(open.createLogger(QStringLiteral("Any")));
    EXPECT_EQ(logger->minLevel(), std::nullopt);
    EXPECT_TRUE(logger->enableStdout());
}
