#include "DecoderHarnesses.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Target
{
    const char *corpus;
    int (*harness)(const std::uint8_t *, std::size_t);
};

// Test names stay the same from build to build.
void PrintTo(const Target &target, std::ostream *out)
{
    *out << target.corpus;
}

class DecoderCorpusReplayTest : public ::testing::TestWithParam<Target>
{ };

} // namespace

// Every seed goes through the same entry as under the fuzzer: a seed that crashes, trips a sanitizer
// or breaks a round trip fails here too. Seeds named "valid-..." must be accepted (or the fuzzer
// starts from nothing useful); the others must be refused.
TEST_P(DecoderCorpusReplayTest, EverySeedRunsThroughItsDecoder)
{
    const QDir corpus(QStringLiteral(VERANDEL_FUZZ_CORPORA_DIR "/") + QLatin1String(GetParam().corpus));
    const QStringList seeds = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(seeds.size(), 5) << "corpus missing at " << corpus.path().toStdString();
    for (const QString &seed : seeds) {
        QFile file(corpus.filePath(seed));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << seed.toStdString();
        const QByteArray bytes = file.readAll();
        const int accepted = GetParam().harness(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size()));
        EXPECT_EQ(accepted > 0, seed.startsWith(QLatin1String("valid-"))) << seed.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Decoders, DecoderCorpusReplayTest,
                         ::testing::Values(Target{"txt_record", verandel::fuzz::feedTxtRecord},
                                           Target{"environment_file", verandel::fuzz::feedEnvironmentFile},
                                           Target{"devices", verandel::fuzz::feedDevicesDocument},
                                           Target{"linked_computers", verandel::fuzz::feedLinkedComputersDocument},
                                           Target{"permissions_state", verandel::fuzz::feedPermissionsDocument},
                                           Target{"identity", verandel::fuzz::feedIdentityDocument}),
                         [](const ::testing::TestParamInfo<Target> &info) { return std::string(info.param.corpus); });
