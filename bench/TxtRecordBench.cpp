// Reading a received TXT record: 30 entries (a full record as this program advertises it, with room
// to spare) and 3,000 two-byte keys (about 9 KB, the largest record a browse can hand over). Every
// browse change reads every instance's record again, so the cost must grow linearly with the entries;
// the per-entry time of the two cases should be about the same.
#include "peer/dnssd/TxtRecord.h"

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

QList<QByteArray> recordStrings(int entries)
{
    QList<QByteArray> strings;
    strings.reserve(entries);
    for (int i = 0; i < entries; ++i) {
        // Two printable bytes per key, distinct for up to 95 * 95 entries.
        const char key[2] = {static_cast<char>(0x21 + i / 95), static_cast<char>(0x20 + i % 95)};
        strings.append(QByteArray(key, 2) == QByteArrayLiteral("==") ? QByteArrayLiteral("zz") : QByteArray(key, 2));
    }
    return strings;
}

void BM_TxtRecordFromStrings(benchmark::State &state)
{
    const QList<QByteArray> strings = recordStrings(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(TxtRecord::fromStrings(strings).size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TxtRecordFromStrings)->Arg(30)->Arg(3000)->Unit(benchmark::kMicrosecond);

} // namespace
