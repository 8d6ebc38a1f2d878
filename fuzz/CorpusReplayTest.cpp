#include "Harnesses.h"

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

class CorpusReplayTest : public ::testing::TestWithParam<Target>
{ };

#define VERANDEL_FUZZ_TARGET(corpus, harness) Target{#corpus, verandel::fuzz::harness},
const Target kTargets[] = {
#include "FuzzTargets.inc"
};
#undef VERANDEL_FUZZ_TARGET

} // namespace

// Every seed goes through the same harness as under the fuzzer: a seed that crashes, trips a
// sanitizer or breaks a promise fails here too. Seeds named "valid-..." must be accepted (or the
// fuzzer starts from nothing useful); the others must be refused on the way.
TEST_P(CorpusReplayTest, EverySeedRunsThroughItsHarness)
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

INSTANTIATE_TEST_SUITE_P(Harnesses, CorpusReplayTest, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target> &info) { return std::string(info.param.corpus); });
