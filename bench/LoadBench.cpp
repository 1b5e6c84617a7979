// Loading a document (read + normalise + show) against the floor of a bare
// QPlainTextEdit::setPlainText of the same text, in the same run.

#include "MainUnit.h"
#include "OrvelDocument.h"
#include "ui_MainUnit.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// NFO-looking text: 78-column lines of art and prose with LF ends, so normalisation has work,
// and a web address every sixty lines for the navigator.
QString documentOf(qint64 bytes) {
    static std::map<qint64, QString> made;
    auto found = made.find(bytes);
    if (found != made.end())
        return found->second;
    const QByteArray lines[] = {
        "  \xDB\xDB\xDB\xDB\xDF\xDF\xDB\xDB\xDC\xDC  \xB0\xB1\xB2\xDB  Release notes for this "
        "fine piece of software  \xDB\xB2\xB1\xB0\n",
        " \xBA  Supplier .....: someone     Cracker ....: nobody          \xBA\n",
        " \xC8\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD"
        "\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBC  greetings to all\n",
    };
    QByteArray text;
    text.reserve(bytes + 100);
    for (int i = 0; text.size() < bytes; ++i)
        text +=
            i % 60 == 59 ? QByteArray("   more at http://www.example.org/nfo/\n") : lines[i % 3];
    text.truncate(bytes);
    const QString path = folder().filePath(QStringLiteral("doc-%1.nfo").arg(bytes));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return made[bytes] = path;
}

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
    const QString path = folder().filePath(QStringLiteral("addresses-%1.nfo").arg(state.range(0)));
    if (!QFile::exists(path)) {
        QByteArray text;
        for (qint64 i = 0; i < state.range(0); ++i)
            text +=
                "  \xBA http://www.site" + QByteArray::number(i) + ".example/page.html \xBA\r\n";
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theEdit.reset();
    theViewer.reset();
    return 0;
}
