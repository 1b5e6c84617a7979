// The navigator at any size: loading and showing a document of the same length with 20 or with
// 200,000 addresses, and a change of the window's height with each one shown.

#include "Application.h"
#include "BenchSupport.h"
#include "MainUnit.h"
#include "ui_MainUnit.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The same 110,000 lines of three 25-byte slots, about 8 MiB, whatever the count: the given
// number of slots hold an address, the others block art.
QString documentWith(qint64 addresses) {
    const QString name = QStringLiteral("links-%1.nfo").arg(addresses);
    if (QFile::exists(bench::folder().filePath(name)))
        return bench::folder().filePath(name);
    constexpr qint64 Lines = 110000;
    constexpr qint64 Slots = Lines * 3;
    QByteArray text;
    text.reserve(Lines * 80);
    qint64 made = 0;
    for (qint64 slot = 0; slot < Slots; ++slot) {
        if (made < addresses && slot * addresses / Slots >= made) {
            text += "www.s" + QByteArray::number(slot).rightJustified(7, '0') + ".example  ";
            ++made;
        } else {
            text += "\xDB\xDB\xDF\xDF\xDB\xDC\xDC \xB0\xB1\xB2\xDB release notes ";
        }
        if (slot % 3 == 2)
            text += "\r\n";
    }
    return bench::writeDocument(name, text);
}

void LoadAndShow(benchmark::State& state) {
    const QString path = documentWith(state.range(0));
    for (auto _ : state) {
        TMainForm form({QStringLiteral("zelvan-rid-evodad"), path});
        form.show();
        (void)QTest::qWaitForWindowExposed(&form);
        QApplication::processEvents();
        state.PauseTiming();
        form.close();
        state.ResumeTiming();
    }
}

void ChangeTheHeight(benchmark::State& state) {
    TMainForm form({QStringLiteral("zelvan-rid-evodad"), documentWith(state.range(0))});
    form.show();
    (void)QTest::qWaitForWindowExposed(&form);
    QTest::qWait(1500); // the list's entries measured, as they are a moment after the show
    int step = 0;
    for (auto _ : state) {
        form.resize(form.width(), 700 + (++step % 2) * 150);
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(LoadAndShow)->Arg(20)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(ChangeTheHeight)->Arg(20)->Arg(200000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithWidgets(argc, argv, [] { Application::initialise(); });
}
