// Loading a document (read + normalise + show) against the floor of a bare
// QPlainTextEdit::setPlainText of the same text, in the same run.

#include "BenchSupport.h"
#include "MainUnit.h"
#include "OrvelDocument.h"
#include "ui_MainUnit.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using bench::documentOf;

// Both windows go before the application object does.
std::unique_ptr<TMainForm> theViewer;
std::unique_ptr<QPlainTextEdit> theEdit;

TMainForm& viewer() {
    if (!theViewer) {
        theViewer = std::make_unique<TMainForm>(QStringList{QStringLiteral("bench")});
        theViewer->show();
    }
    return *theViewer;
}

void BM_LoadDocument(benchmark::State& state) {
    const QString path = documentOf(state.range(0));
    TMainForm& form = viewer();
    for (auto _ : state) {
        form.LoadDocument(path);
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_SetPlainTextFloor(benchmark::State& state) {
    const QString path = documentOf(state.range(0));
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QString text = QString::fromLatin1(NormalizeLineBreaks(file.readAll()));
    if (!theEdit) {
        theEdit = std::make_unique<QPlainTextEdit>();
        theEdit->resize(640, 860);
        theEdit->setFont(viewer().form()->Memo->font());
        theEdit->show();
    }
    QPlainTextEdit* edit = theEdit.get();
    for (auto _ : state) {
        edit->setPlainText(text);
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Normalise(benchmark::State& state) {
    QFile file(documentOf(state.range(0)));
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(NormalizeLineBreaks(bytes));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// A document of n address lines: the refill hands n entries to the list in one go.
void BM_LoadWithAddresses(benchmark::State& state) {
    QByteArray text;
    for (qint64 i = 0; i < state.range(0); ++i)
        text += "  \xBA http://www.site" + QByteArray::number(i) + ".example/page.html \xBA\r\n";
    const QString path =
        bench::writeDocument(QStringLiteral("addresses-%1.nfo").arg(state.range(0)), text);
    TMainForm& form = viewer();
    for (auto _ : state) {
        form.LoadDocument(path);
        QCoreApplication::processEvents();
    }
    state.counters["entries"] = double(form.form()->lboxLinks->count());
}

constexpr qint64 KiB = 1024;
constexpr qint64 MiB = 1024 * KiB;

BENCHMARK(BM_LoadDocument)->Arg(64 * KiB)->Arg(MiB)->Arg(16 * MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPlainTextFloor)
    ->Arg(64 * KiB)
    ->Arg(MiB)
    ->Arg(16 * MiB)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWithAddresses)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Normalise)->Arg(64 * KiB)->Arg(MiB)->Arg(16 * MiB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithWidgets(argc, argv, {}, [] {
        theEdit.reset();
        theViewer.reset();
    });
}
