// ExtractLinks throughput on several shapes of text, and ForEachLinkSpan's (where the addresses
// stand, as a document's links are found: nothing copied), against the floor of a memchr scan
// of the same bytes, in the same run.

#include "OrvelLinks.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

enum Shape { Nfo, Dense, ManyHttpOneWww, NearMisses, AddressEveryLine };

QByteArray repeatTo(const QByteArray& unit, qint64 size) {
    QByteArray text;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    text.truncate(size);
    return text;
}

const QByteArray& textOf(Shape shape, qint64 size) {
    static std::map<std::pair<int, qint64>, QByteArray> made;
    QByteArray& text = made[{shape, size}];
    if (!text.isEmpty())
        return text;
    switch (shape) {
    case Nfo: {
        QByteArray unit;
        for (int i = 0; i < 19; ++i)
            unit +=
                " \xBA  Release notes: the quick brown fox jumps over the lazy dog ... \xBA\r\n"
                " \xDB\xDB\xB2\xB2\xB1\xB1\xB0\xB0   Supplier ....: Team      Date: 12/2026\r\n";
        unit += "   Visit us at http://www.orveldesign.example/download-tool/index.html\r\n";
        text = repeatTo(unit, size);
        break;
    }
    case Dense:
        text = repeatTo("http://www.a.example/p/123 www.b.example/q?x=1&y WWW.C.EXAMPLE, ", size);
        break;
    case ManyHttpOneWww:
        text = repeatTo("http://x.example/ ", size - 16) + "www.end.example";
        break;
    case NearMisses:
        text = repeatTo("ww//wx http:/ hTTp:/x Www: //www ", size);
        break;
    case AddressEveryLine: // a distinct address on every line, as bench/navigator.sh makes
        text.reserve(size + 64);
        for (int i = 0; text.size() < size; ++i)
            text += QByteArray("  \xDB\xB2 see http://www.site") +
                    QByteArray::number(i).rightJustified(7, '0') +
                    ".example/release/notes \xB2\xDB\r\n";
        text.truncate(size);
        break;
    }
    return text;
}

void BM_ExtractLinks(benchmark::State& state) {
    const QByteArray& text = textOf(Shape(state.range(0)), state.range(1));
    std::int64_t found = 0;
    for (auto _ : state) {
        QByteArrayList list;
        found = ExtractLinks(text, list);
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["addresses"] = double(found);
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_LinkSpans(benchmark::State& state) {
    const QByteArray& text = textOf(Shape(state.range(0)), state.range(1));
    std::int64_t found = 0;
    for (auto _ : state) {
        std::vector<std::pair<quint32, quint32>> spans;
        found = ForEachLinkSpan(text, [&](qsizetype at, qsizetype length) {
            spans.emplace_back(quint32(at), quint32(length));
        });
        benchmark::DoNotOptimize(spans.data());
    }
    state.counters["addresses"] = double(found);
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_MemchrFloor(benchmark::State& state) {
    const QByteArray& text = textOf(Shape(state.range(0)), state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(text.constData(), '\x01', size_t(text.size())));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void shapes(benchmark::internal::Benchmark* b) {
    for (int shape : {Nfo, Dense, ManyHttpOneWww, NearMisses, AddressEveryLine}) {
        for (qint64 mib : {1, 16, 128})
            b->Args({shape, mib << 20});
    }
}

BENCHMARK(BM_ExtractLinks)->Apply(shapes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinkSpans)->Apply(shapes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrFloor)->Apply(shapes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
