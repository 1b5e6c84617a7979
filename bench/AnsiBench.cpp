// ANSI art in-process: interpreting pieces of 256 KiB to 4 MiB of one kind (100,000 sequences a
// MiB: colours, cursor moves, blocks), whose time a byte says whether it is linear; preparing a
// 1 MiB piece as the viewer does (found and drawn) against the same bytes as code page 437 (its
// ESCs made another byte, so nothing is found); and the png of the piece against a plain code page
// 437 document of the same cells, as the companion draws them.

#include "AnsiArt.h"
#include "CellRenderer.h"
#include "PaneFont.h"
#include "PicturePng.h"
#include "Prefetch.h"

#include <QBuffer>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype MiB = 1 << 20;

// A piece of size bytes with about 100,000 sequences a MiB: runs of one or two blocks and
// shades in a colour of their own, a cursor move now and then, a row every 80 cells.
QByteArray pieceOf(qsizetype size) {
    static const char Cells[] = "\xDB\xB2\xB1\xB0\xDC\xDF\xDD\xDE ";
    QByteArray out;
    out.reserve(size + 64);
    quint32 seed = 1;
    const auto next = [&seed](quint32 bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    int column = 0;
    while (out.size() < size) {
        const quint32 kind = next(20);
        if (kind == 0) {
            const int move = 1 + int(next(6));
            out += "\x1B[" + QByteArray::number(move) + 'C';
            column += move;
        } else {
            out += "\x1B[" + QByteArray::number(next(2)) + ';' + QByteArray::number(30 + next(8)) +
                   ';' + QByteArray::number(40 + next(8)) + 'm';
            for (quint32 n = 1 + next(2); n > 0; --n, ++column)
                out += Cells[next(sizeof Cells - 1)];
        }
        if (column >= 80) {
            out += "\r\n";
            column = 0;
        }
    }
    out.truncate(size);
    return out;
}

const QByteArray& piece(qsizetype size) {
    static std::map<qsizetype, QByteArray> made;
    QByteArray& found = made[size];
    if (found.isEmpty())
        found = pieceOf(size);
    return found;
}

void BM_Interpret(benchmark::State& state) {
    const QByteArray& bytes = piece(qsizetype(state.range(0)) * 1024);
    qint64 sequences = 0;
    for (auto _ : state)
        sequences = AnsiArt::interpret(bytes).sequences;
    state.counters["sequences"] = double(sequences);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_PrepareArt(benchmark::State& state) {
    const QByteArray& bytes = piece(MiB);
    for (auto _ : state)
        benchmark::DoNotOptimize(prepareDocument(bytes).art);
}

void BM_PrepareSameBytesAsCp437(benchmark::State& state) {
    QByteArray bytes = piece(MiB);
    bytes.replace('\x1B', '\x1C');
    for (auto _ : state)
        benchmark::DoNotOptimize(prepareDocument(bytes).art);
}

// The png of the art, and of a plain document of its cells: the same picture size.
void pictureOf(benchmark::State& state, bool coloured) {
    const AnsiArt::Art art = AnsiArt::interpret(piece(MiB));
    TextDocument document;
    document.setBytes(art.text);
    CellRenderer renderer;
    renderer.setFont(resolveFont(FontSpec{}));
    const CellColours none;
    qint64 bytes = 0;
    for (auto _ : state) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        writePicturePng(document, CodePage::Charset::Oem, renderer, QColor(0xAA, 0xAA, 0xAA),
                        Qt::black, out, 12 << 20, coloured ? art.colours : none);
        bytes = out.size();
    }
    state.counters["png_bytes"] = double(bytes);
    state.counters["rows"] = double(art.rows);
}

void BM_PngOfTheArt(benchmark::State& state) {
    pictureOf(state, true);
}

void BM_PngOfItsCellsInOneColour(benchmark::State& state) {
    pictureOf(state, false);
}

} // namespace

BENCHMARK(BM_Interpret)
    ->ArgName("KiB")
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareArt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareSameBytesAsCp437)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOfTheArt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOfItsCellsInOneColour)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
