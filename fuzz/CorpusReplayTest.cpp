#include "PeerInputHarness.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Every seed of the fuzz corpus goes through the same entry as under the fuzzer, in the ordinary
// build: a seed that crashes or trips a sanitizer fails here too.
TEST(FuzzCorpusReplayTest, EverySeedRunsThroughThePeerInputPath)
{
    const QDir corpus(QStringLiteral(VERANDEL_FUZZ_CORPUS_DIR));
    const QStringList seeds = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(seeds.size(), 10) << "corpus missing at " << corpus.path().toStdString();
    QStringList deliverable
        = {QStringLiteral("envelope-lower-case-ids"), QStringLiteral("envelope-null-correlation"),
           QStringLiteral("envelope-with-correlation"), QStringLiteral("envelope-control-characters"),
           // Link handshakes pass the gate from anyone.
           QStringLiteral("envelope-stranger-connection_request")};
    for (const char *type : {"ping_request", "ping_response", "transfer_to_requester", "devices_ready_for_pairing",
                             "connection_request", "connection_request_accepted", "connection_request_rejected"}) {
        deliverable << QStringLiteral("frame-") + QLatin1String(type)
                    << QStringLiteral("envelope-") + QLatin1String(type);
    }
    for (const QString &seed : seeds) {
        QFile file(corpus.filePath(seed));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << seed.toStdString();
        const QByteArray bytes = file.readAll();
        const int events = verandel::fuzz::feedPeerInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                                         static_cast<std::size_t>(bytes.size()));
        // Well-formed seeds must reach the hub (or the fuzzer starts from nothing useful); the others
        // must be refused on the way.
        EXPECT_EQ(events, deliverable.contains(seed) ? 1 : 0) << seed.toStdString();
    }
}
