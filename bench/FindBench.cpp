// Find on the 64 MiB NFO, in-process: the first match from a place near the top, and the whole
// count, for a word on every third line, a rarer one, and a block character; against memchr of
// one byte over the same bytes, the floor of any scan.

#include "BenchSupport.h"
#include "OrvelDocument.h"
#include "TextSearch.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr qint64 MiB = 1024 * 1024;

const QByteArray& document() {
    static const QByteArray bytes =
        NormalizeLineBreaks(ReadDocumentFile(bench::documentOf(64 * MiB), DocumentCapacity));
    return bytes;
}

const char16_t* const Queries[] = {u"supplier", u"http://www", u"\u2588\u2593\u2592\u2591"};

void BM_FindFirstFromTheTop(benchmark::State& state) {
    const QByteArray& bytes = document();
    const TextSearch search(QString::fromUtf16(Queries[state.range(0)]), CodePage::Charset::Oem,
                            false);
    for (auto _ : state)
        benchmark::DoNotOptimize(search.next(bytes, 1000, bytes.size()));
}

void BM_CountAll(benchmark::State& state) {
    const QByteArray& bytes = document();
    const TextSearch search(QString::fromUtf16(Queries[state.range(0)]), CodePage::Charset::Oem,
                            false);
    qsizetype matches = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(matches = search.count(bytes, 0, bytes.size()));
    state.counters["matches"] = double(matches);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_MemchrFloor(benchmark::State& state) {
    const QByteArray& bytes = document();
    for (auto _ : state) {
        qsizetype found = 0;
        for (const char *p = bytes.constData(), *end = p + bytes.size();
             (p = static_cast<const char*>(std::memchr(p, 'Q', size_t(end - p)))); ++p)
            ++found;
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * document().size());
}

} // namespace

BENCHMARK(BM_FindFirstFromTheTop)
    ->ArgName("supplier|http|blocks")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountAll)
    ->ArgName("supplier|http|blocks")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrFloor)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
