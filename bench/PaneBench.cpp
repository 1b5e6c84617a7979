// The cell-grid pane on documents of 1, 16 and 64 MiB: a load (read + normalise + index + first
// paint of a window-sized pane) against the floor of reading the file and finding its line ends
// with memchr, the old rich-text path (QPlainTextEdit::setPlainText) at 64 MiB, and what a user
// does to an open document: wrap, resize, script, size, PageDown, Ctrl+End; and the same on
// one line of 8 and 64 MiB.

#include "BenchSupport.h"
#include "CodePage.h"
#include "DocumentEncoding.h"
#include "OrvelDocument.h"
#include "PaneFont.h"
#include "TextPane.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>

namespace {

constexpr qint64 MiB = 1024 * 1024;

using bench::documentOf;

// The pane as the window holds it: its default font, its size in the default window.
// A widget as the window holds the pane: the default font, its size in the default window.
template <typename Widget> Widget* shownLikeThePane() {
    auto* widget = new Widget;
    widget->setFont(resolveFont(FontSpec{}));
    widget->resize(625, 861);
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget))
        qFatal("the widget was never shown");
    return widget;
}

TextPane& pane() {
    static TextPane* made = shownLikeThePane<TextPane>();
    return *made;
}

void paint(QWidget* widget) {
    widget->repaint();
}

void BM_ReadAndFindLineEnds(benchmark::State& state) {
    const QString path = documentOf(state.range(0));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        qint64 lines = 0;
        for (const char *p = bytes.constData(), *end = p + bytes.size();
             (p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))); ++p)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The load's parts, for finding where its time goes.
void BM_ReadNormalise(benchmark::State& state) {
    const QString path = documentOf(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(NormalizeLineBreaks(ReadDocumentFile(path, DocumentCapacity)));
}

void BM_PaintOnly(benchmark::State& state) {
    TextPane& p = pane();
    p.setBytes(NormalizeLineBreaks(ReadDocumentFile(documentOf(MiB), DocumentCapacity)));
    for (auto _ : state)
        paint(p.viewport());
}

void BM_PaneLoad(benchmark::State& state) {
    const QString path = documentOf(state.range(0));
    TextPane& p = pane();
    for (auto _ : state) {
        p.setBytes(NormalizeLineBreaks(ReadDocumentFile(path, DocumentCapacity)));
        paint(p.viewport());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_SetPlainTextPath(benchmark::State& state) {
    const QString path = documentOf(state.range(0));
    static QPlainTextEdit* edit = shownLikeThePane<QPlainTextEdit>();
    for (auto _ : state) {
        edit->setPlainText(CodePage::toDisplay(
            NormalizeLineBreaks(ReadDocumentFile(path, DocumentCapacity)), CodePage::Charset::Oem));
        paint(edit->viewport());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    edit->clear();
}

// The UTF-8 detection every load runs, on the 64 MiB code page 437 document (it gives up at
// the first block byte) and on 64 MiB of plain ASCII, which it must read to the end.
void BM_DetectUtf8(benchmark::State& state) {
    QByteArray bytes = ReadDocumentFile(documentOf(64 * MiB), DocumentCapacity);
    if (state.range(0))
        bytes.fill('a');
    for (auto _ : state)
        benchmark::DoNotOptimize(DocumentEncoding::isUtf8Document(bytes));
}

// What a user does to an open 64 MiB document, each followed by the repaint it causes.
enum Action { Wrap, Resize, Script, Size, PageDown, CtrlEnd, KeyWithWrap };

void BM_OnLargeDocument(benchmark::State& state) {
    TextPane& p = pane();
    p.setBytes(NormalizeLineBreaks(ReadDocumentFile(documentOf(64 * MiB), DocumentCapacity)));
    p.setReadOnly(false);
    p.setWrap(state.range(0) == Resize || state.range(0) == Script || state.range(0) == Size ||
              state.range(0) == KeyWithWrap);
    // Typed where a user types, near the top, where the most bytes come after it.
    p.setCaret(p.bytes().indexOf('\n', 4000) - 3);
    FontSpec spec;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        switch (Action(state.range(0))) {
        case Wrap:
            p.setWrap(flip);
            break;
        // With Wrap on, the worst case: every line's rows are found again.
        case Resize:
            p.resize(flip ? 540 : 625, flip ? 700 : 861);
            break;
        case Script:
            p.setCharset(flip ? CodePage::Charset::Ansi : CodePage::Charset::Oem);
            break;
        case Size:
            spec.pointSize = flip ? 18 : 9;
            p.setFont(resolveFont(spec));
            break;
        case PageDown: {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
            QApplication::sendEvent(&p, &key);
            break;
        }
        case KeyWithWrap: {
            QKeyEvent key(QEvent::KeyPress, flip ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                          flip ? QStringLiteral("x") : QString());
            QApplication::sendEvent(&p, &key);
            break;
        }
        case CtrlEnd: {
            QKeyEvent key(QEvent::KeyPress, flip ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
            QApplication::sendEvent(&p, &key);
            break;
        }
        }
        paint(p.viewport());
    }
    p.setWrap(false);
    p.resize(625, 861);
    p.setFont(resolveFont(FontSpec{}));
}

// One line of art of the given size: a tab every 1,000 bytes, so the line's marks are needed;
// in UTF-8 the same art as box and block characters.
const QByteArray& longLine(qint64 bytes, bool utf8) {
    static std::map<std::pair<qint64, bool>, QByteArray> made;
    QByteArray& line = made[{bytes, utf8}];
    if (line.isEmpty()) {
        const QByteArray unit = utf8 ? QByteArray("\xE2\x96\x88\xE2\x96\x93\xE2\x94\x80 NFO ")
                                     : QByteArray("\xDB\xB2\xC4 NFO ");
        line.reserve(bytes + unit.size());
        while (line.size() < bytes)
            line += line.size() % 1000 < unit.size() ? "\t" + unit : unit;
        line.truncate(bytes);
    }
    return line;
}

// What a user does on one long line, each followed by the repaint it causes. The view starts at
// the line's end, where a walk from the line's start would cost the most.
enum LineAction { Repaint, CtrlEndHome, Home, End, PageUpDown, ResizeIt, TypeKey, Blink };

void BM_OnLongLine(benchmark::State& state) {
    const qint64 size = state.range(0) * MiB;
    const bool wrap = state.range(1);
    const bool utf8 = state.range(3);
    TextPane& p = pane();
    p.setBytes(longLine(size, utf8), utf8 ? CodePage::Charset::Utf8 : CodePage::Charset::Oem);
    p.setReadOnly(false);
    p.setWrap(wrap);
    p.setFocus();
    const auto press = [&p](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, key == Qt::Key_X ? "x" : "");
        QApplication::sendEvent(&p, &event);
    };
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_PageUp);
    paint(p.viewport());
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        switch (LineAction(state.range(2))) {
        case Repaint:
            break;
        case CtrlEndHome:
            press(flip ? Qt::Key_Home : Qt::Key_End, Qt::ControlModifier);
            break;
        case Home:
            press(flip ? Qt::Key_Home : Qt::Key_End);
            break;
        case End:
            press(flip ? Qt::Key_End : Qt::Key_Home);
            break;
        case PageUpDown:
            press(flip ? Qt::Key_PageUp : Qt::Key_PageDown);
            break;
        case ResizeIt:
            p.resize(flip ? 540 : 625, flip ? 700 : 861);
            break;
        case TypeKey:
            press(Qt::Key_X);
            break;
        case Blink:
            // What the caret's timer asks for: its own cells only.
            p.viewport()->repaint(p.cursorRect(p.caret()));
            continue;
        }
        paint(p.viewport());
    }
    p.resize(625, 861);
    p.setWrap(false);
}

// The first Ctrl+End on a newly opened long line: it marks the line on the way.
void BM_FirstEndOfLongLine(benchmark::State& state) {
    const bool utf8 = state.range(1);
    const QByteArray& line = longLine(state.range(0) * MiB, utf8);
    TextPane& p = pane();
    for (auto _ : state) {
        state.PauseTiming();
        p.setBytes(line, utf8 ? CodePage::Charset::Utf8 : CodePage::Charset::Oem);
        p.setReadOnly(false);
        state.ResumeTiming();
        QKeyEvent event(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(&p, &event);
        paint(p.viewport());
    }
}

BENCHMARK(BM_ReadAndFindLineEnds)
    ->Arg(MiB)
    ->Arg(16 * MiB)
    ->Arg(64 * MiB)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNormalise)->Arg(64 * MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaneLoad)->Arg(MiB)->Arg(16 * MiB)->Arg(64 * MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectUtf8)->ArgName("ascii")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPlainTextPath)->Arg(64 * MiB)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnLargeDocument)
    ->ArgName("wrap|resize|script|size|pagedown|ctrlend|keywithwrap")
    ->DenseRange(Wrap, KeyWithWrap)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnLongLine)
    ->ArgNames({"MiB", "wrap", "repaint|ctrlend|home|end|page|resize|key|blink", "utf8"})
    ->ArgsProduct({{8, 64}, {0, 1}, benchmark::CreateDenseRange(Repaint, Blink, 1), {0}})
    ->ArgsProduct({{64}, {0, 1}, benchmark::CreateDenseRange(Repaint, Blink, 1), {1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstEndOfLongLine)
    ->ArgNames({"MiB", "utf8"})
    ->ArgsProduct({{8, 64}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithWidgets(argc, argv);
}
