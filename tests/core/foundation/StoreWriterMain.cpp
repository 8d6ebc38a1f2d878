// Writes documents to one path in a tight loop until killed; the crash test kills it mid-write.
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/PosixFileManager.h"
#include "foundation/StorageManager.h"
#include "foundation/SystemClock.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <directory> <file name>\n", argv[0]);
        return 2;
    }
    using namespace verandel;
    DefaultLoggerFactory loggers(QStringLiteral("com.verandel.Verandel"), false, {}, LogLevel::Critical);
    auto store = StorageManager::create(std::make_shared<PosixFileManager>(), std::make_shared<SystemClock>(),
                                        QString::fromLocal8Bit(argv[1]), loggers);
    const QString path = store->getFileURL(QString::fromLocal8Bit(argv[2]));
    // Carry on from the document a killed predecessor left, so generations only grow.
    qint64 start = 1;
    if (store->fileExists(path)) {
        start = store->readJSONSync<QJsonObject>(path).value(QStringLiteral("generation")).toInteger() + 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (qint64 generation = start;; ++generation) {
        // Each document is self-checking: every record carries the generation, so a torn or mixed
        // document is detectable by the reader.
        QJsonArray records;
        for (int i = 0; i < 100; ++i) {
            records.append(QJsonObject{{QStringLiteral("generation"), generation},
                                       {QStringLiteral("index"), i},
                                       {QStringLiteral("padding"), QString(200, QLatin1Char('x'))}});
        }
        store->writeJSONSync(
            QJsonObject{{QStringLiteral("generation"), generation}, {QStringLiteral("records"), records}}, path);
    }
}
