#include "foundation/JsonCodec.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

// The generation of a complete, self-consistent document; -1 for anything torn or mixed.
qint64 generationOf(const QByteArray &bytes)
{
    try {
        const QJsonObject document = verandel::json::decodeDocument(bytes).toObject();
        const qint64 generation = document.value(QStringLiteral("generation")).toInteger(-1);
        const QJsonArray records = document.value(QStringLiteral("records")).toArray();
        if (records.size() != 100) {
            return -1;
        }
        for (const QJsonValue &record : records) {
            if (record.toObject().value(QStringLiteral("generation")).toInteger(-2) != generation) {
                return -1;
            }
        }
        return generation;
    } catch (const std::exception &) {
        return -1;
    }
}

} // namespace

// A writer killed with SIGKILL at random moments of a tight write loop: the document on disk is
// always a whole document, never older than one seen before, and the temporary files killed writes
// leave behind do not pile up (the next write removes them, so at most the last one is left).
TEST(StoreCrashTest, DocumentSurvivesKillDuringWrites)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString document = dir.filePath(QStringLiteral("crash.json"));
    qint64 lastGeneration = 0;
    int killedWithDocument = 0;

    for (int round = 0; round < 25; ++round) {
        QProcess writer;
        writer.setProgram(QStringLiteral(VERANDEL_STORE_WRITER));
        writer.setArguments({dir.path(), QStringLiteral("crash.json")});
        writer.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        writer.start();
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "writer did not start";
        QThread::usleep(QRandomGenerator::global()->bounded(1000, 30000));
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(10000));

        const QStringList temporaries
            = QDir(dir.path()).entryList({QStringLiteral("crash.tmp.*.json")}, QDir::Files | QDir::Hidden);
        ASSERT_LE(temporaries.size(), 1) << "temporary files pile up after round " << round;

        QFile file(document);
        if (!file.exists()) {
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const qint64 generation = generationOf(file.readAll());
        ASSERT_GT(generation, 0) << "torn document after round " << round;
        ASSERT_GE(generation, lastGeneration) << "document went back in time after round " << round;
        lastGeneration = generation;
        ++killedWithDocument;
    }
    EXPECT_GT(killedWithDocument, 0);
    EXPECT_GT(lastGeneration, 0);
}
