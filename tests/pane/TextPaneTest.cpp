#include "TextPane.h"
#include "CellRenderer.h"
#include "PaneFont.h"
#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class TextPaneTest : public ::testing::Test {
protected:
    TextPane pane;
    void SetUp() override {
        pane.setFont(resolveFont(FontSpec{}));
        pane.resize(8 * 20 + 40, 16 * 10 + 10);
        pane.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
        pane.setFocus();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&pane, k, modifiers);
    }
    // Where the caret is after each of count presses of Ctrl with k.
    std::vector<qsizetype> wordStops(Qt::Key k, int count) {
        std::vector<qsizetype> stops;
        for (int i = 0; i < count; ++i) {
            key(k, Qt::ControlModifier);
            stops.push_back(pane.caret());
        }
        return stops;
    }
};

} // namespace

TEST_F(TextPaneTest, KeysSelectCopyDeleteAndUndoWithBreaksAsOneStep) {
    pane.setBytes("ab\r\ncd\r\n\xDB");
    pane.setReadOnly(false);
    pane.setCaret(4); // start of "cd"
    key(Qt::Key_Backspace);
    EXPECT_EQ(pane.bytes(), QByteArray("abcd\r\n\xDB")) << "the whole CR LF goes";
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane.bytes(), QByteArray("ab\r\ncd\r\n\xDB"));

    pane.setCaret(1);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_End, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(pane.selectedBytes(), QByteArray("b\r\ncd\r\n\xDB"));
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf16(u"b\ncd\n█"));

    key(Qt::Key_Delete);
    EXPECT_EQ(pane.bytes(), QByteArray("a"));
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"1\r\n2€"));
    key(Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(&pane, QStringLiteral("xy"));
    key(Qt::Key_Return);
    EXPECT_EQ(pane.bytes(), QByteArray("a1\r\n2?xy")) << "Enter adds nothing";
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane.bytes(), QByteArray("a1\r\n2?")) << "typing is undone as one";

    pane.setReadOnly(true);
    QTest::keyClicks(&pane, QStringLiteral("q"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(pane.bytes(), QByteArray("a1\r\n2?"));
}

TEST_F(TextPaneTest, WrapBreaksRowsAtThePaneWidthAndTheCaretFollowsThem) {
    const int columns = (pane.viewport()->width() - 1) / 8;
    QByteArray text(qsizetype(columns * 5 / 2), 'x');
    text += "\r\nshort\r\n";
    pane.setBytes(text);
    pane.setReadOnly(false);
    pane.setWrap(true);
    EXPECT_EQ(pane.cursorRect(columns).y(), pane.cursorRect(0).y() + 16) << "second row";
    EXPECT_EQ(pane.cursorRect(columns).x(), pane.cursorRect(0).x());
    pane.setCaret(3);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(pane.caret(), text.indexOf("short") + 3) << "three rows down, same column";
    EXPECT_EQ(pane.offsetAt(pane.cursorRect(columns + 2).center()), columns + 2);
    pane.setWrap(false);
    EXPECT_EQ(pane.cursorRect(columns).y(), pane.cursorRect(0).y());
    EXPECT_EQ(pane.bytes(), text) << "wrapping never changes the text";

    // Far to the right the view follows the caret sideways.
    pane.setCaret(text.indexOf('\r'));
    EXPECT_LT(pane.cursorRect(pane.caret()).x(), pane.viewport()->width());
    EXPECT_GT(pane.cursorRect(pane.caret()).x(), 0);
}

TEST_F(TextPaneTest, WrapBreaksAfterTheLastBlankThatFitsAndLongWordsAtTheEdge) {
    const int columns = (pane.viewport()->width() - 1) / 8;
    ASSERT_GE(columns, 20);
    // A word one column too long for what is left of its row; art longer than a row; blanks
    // that run past the edge.
    const QByteArray text = QByteArray(columns - 2, 'a') + " REMOVE_TITLE_RIGHTS\r\n" +
                            QByteArray(columns + 5, '\xCD') + "\r\n" +
                            QByteArray(columns - 1, 'b') + "    c";
    pane.setBytes(text);
    pane.setReadOnly(false);
    pane.setWrap(true);
    const auto rowOf = [&](qsizetype at) {
        return (pane.cursorRect(at).y() - pane.cursorRect(0).y()) / 16;
    };
    const auto columnOf = [&](qsizetype at) {
        return (pane.cursorRect(at).x() - pane.cursorRect(0).x()) / 8;
    };
    const qsizetype word = text.indexOf("REMOVE");
    EXPECT_EQ(std::pair(rowOf(word), columnOf(word)), std::pair(1, 0)) << "the word moves whole";
    EXPECT_EQ(rowOf(word + 18), 1);
    const qsizetype art = text.indexOf('\xCD');
    EXPECT_EQ(rowOf(art), 2);
    EXPECT_EQ(std::pair(rowOf(art + columns), columnOf(art + columns)), std::pair(3, 0))
        << "art without a blank breaks at the edge";
    const qsizetype blanks = text.indexOf("    ");
    EXPECT_EQ(std::pair(rowOf(blanks + 2), columnOf(blanks + 2)), std::pair(4, columns))
        << "blanks past the edge hang there";
    EXPECT_EQ(std::pair(rowOf(text.size() - 1), columnOf(text.size() - 1)), std::pair(5, 0));
    // The keys and the mouse go by the same rows.
    pane.setCaret(word + 2);
    key(Qt::Key_Up);
    EXPECT_EQ(pane.caret(), 2);
    key(Qt::Key_End);
    EXPECT_EQ(pane.caret(), word - 1) << "the end of the first row, before its blank";
    EXPECT_EQ(pane.offsetAt(pane.cursorRect(word).center() + QPoint(8 * (columns - 2), 0)),
              text.indexOf('\r'))
        << "past a row's text, its end";

    // Lines out of view get their word wrap a slice at a time after the layout, the line at the
    // top staying there: three rows each here, where wrapping at the edge gives two.
    const QByteArray line = QByteArray(columns - 2, 'a') + ' ' + QByteArray(columns, 'b') + 'c';
    pane.setBytes(QByteArray(line + "\r\n").repeated(300).chopped(2));
    const auto absoluteRow = [&](qsizetype at) {
        return (pane.cursorRect(at).y() - pane.cursorRect(0).y()) / 16;
    };
    const qsizetype line150 = 150 * (line.size() + 2);
    pane.verticalScrollBar()->setValue(int(absoluteRow(line150)));
    QTest::qWait(200);
    EXPECT_EQ(pane.firstVisibleRow(), 450) << "line 150 still at the top";
    EXPECT_EQ(absoluteRow(pane.bytes().size() - 1), 3 * 300 - 1);
}

TEST_F(TextPaneTest, PageKeysAndCtrlEndScrollALargeDocumentByRows) {
    QByteArray text;
    for (int i = 0; i < 100000; ++i)
        text += "line " + QByteArray::number(i) + "\r\n";
    pane.setBytes(text);
    key(Qt::Key_PageDown);
    const int page = pane.verticalScrollBar()->value();
    EXPECT_GE(page, 9);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(pane.verticalScrollBar()->value(), pane.verticalScrollBar()->maximum());
    EXPECT_GE(pane.verticalScrollBar()->maximum(), 100000 - 11);
    // A click at the top left cell puts the caret at the start of the first line in view.
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, QPoint(3, 8));
    const QByteArray top = "\nline " + QByteArray::number(pane.verticalScrollBar()->value()) + "\r";
    EXPECT_EQ(pane.caret(), text.indexOf(top) + 1);
}

TEST_F(TextPaneTest, HomeAndUpDownKeepAbsoluteColumnsOnceTheViewScrolledSideways) {
    const QByteArray first(300, 'a'), second(600, 'b');
    pane.setBytes(first + "\r\n" + second);
    pane.setReadOnly(false);
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_End);
    key(Qt::Key_Home);
    EXPECT_EQ(pane.caret(), 0);
    key(Qt::Key_End);
    key(Qt::Key_Down);
    EXPECT_EQ(pane.caret(), 302 + 300) << "the same column of the next line";
    key(Qt::Key_End);
    key(Qt::Key_Up);
    EXPECT_EQ(pane.caret(), 300) << "the end of the shorter line";
}

TEST_F(TextPaneTest, CopiedBytesPasteBackAsThemselvesInEveryScript) {
    const QByteArray bytes("\xEF\xBB\xBF\xFF\xFE\x80\xC3\x28\xE2\x94\x80 \xDB\r\nx");
    for (const auto charset : {CodePage::Charset::Utf8, CodePage::Charset::Oem}) {
        pane.setBytes(bytes, charset);
        pane.setReadOnly(false);
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_C, Qt::ControlModifier);
        key(Qt::Key_V, Qt::ControlModifier);
        key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(pane.bytes(), bytes + bytes) << int(charset);
    }
    // Text from another program still comes in through the script.
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"─é"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(pane.bytes().endsWith("\xC4\x82")) << pane.bytes().right(4).toHex().constData();
}

TEST_F(TextPaneTest, AfterAnEditTheCaretSitsOnACellBoundary) {
    pane.setBytes("\xEF\xBB\xBF\xE2\x41\x94\x80", CodePage::Charset::Utf8);
    pane.setReadOnly(false);
    pane.setCaret(5); // after the A
    key(Qt::Key_Backspace);
    EXPECT_EQ(pane.bytes(), QByteArray("\xEF\xBB\xBF\xE2\x94\x80"));
    EXPECT_EQ(pane.caret(), 6) << "not inside the sequence the edit joined";
    key(Qt::Key_Backspace);
    EXPECT_EQ(pane.bytes(), QByteArray("\xEF\xBB\xBF")) << "the whole character goes";
}

TEST_F(TextPaneTest, ALongLineCostsTheSameAtItsEndAsAtItsStart) {
    // 16 MiB on one line: before the line index, a repaint at its end walked the line from its
    // start and took seconds with wrap on.
    QByteArray line(16 << 20, '\xDB');
    for (qsizetype i = 0; i < line.size(); i += 777)
        line[i] = i % 2 ? '\t' : 'a';
    for (const auto charset : {CodePage::Charset::Oem, CodePage::Charset::Utf8}) {
        pane.setBytes(line, charset);
        pane.setReadOnly(false);
        for (const bool wrap : {true, false}) {
            pane.setWrap(wrap);
            pane.viewport()->repaint();
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < 5; ++i) {
                key(Qt::Key_End, Qt::ControlModifier);
                pane.viewport()->repaint();
                key(Qt::Key_PageUp);
                key(Qt::Key_Left);
                QTest::keyClicks(&pane, QStringLiteral("x"));
                pane.viewport()->repaint();
                key(Qt::Key_Home, Qt::ControlModifier);
                pane.viewport()->repaint();
            }
            EXPECT_LT(timer.elapsed(), 2000) << "charset " << int(charset) << " wrap " << wrap;
            EXPECT_EQ(pane.offsetAt(pane.cursorRect(pane.bytes().size()).center()),
                      pane.bytes().size());
        }
    }
}

namespace {

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * 4096;
}

} // namespace

TEST_F(TextPaneTest, TenMillionEmptyLinesCostLittleMoreThanTheirLineStarts) {
    QByteArray lines;
    lines.reserve(20'000'000);
    for (int i = 0; i < 10'000'000; ++i)
        lines.append("\r\n", 2);
    const qint64 before = residentBytes();
    ASSERT_GT(before, 0);
    pane.setBytes(lines);
    pane.setWrap(true);
    pane.viewport()->repaint();
    // Four bytes a line for where it starts; with wrap, nothing for lines of one row. Before:
    // 16 bytes a line, and the index twice over while it grew.
    EXPECT_LT(residentBytes() - before, (UnderAddressSanitizer ? 54'000'000 : 48'000'000));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(pane.verticalScrollBar()->value(), pane.verticalScrollBar()->maximum());
    pane.clear();
}

TEST_F(TextPaneTest, APartOfTheViewDrawsAsTheWholeViewDoesThere) {
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += "\xDB\xB1 row\t" + QByteArray::number(i) + QByteArray(i * 7, '\xC4') + "\r\n";
    pane.setBytes(text);
    pane.setReadOnly(false);
    pane.setCaret(30);
    pane.setCaret(200, true); // a selection across rows
    for (const bool wrap : {false, true}) {
        pane.setWrap(wrap);
        if (!wrap) {
            pane.setCaret(text.indexOf("\r\n", 250), true); // far right: the view scrolls sideways
        }
        QImage whole(pane.viewport()->size(), QImage::Format_RGB32);
        pane.viewport()->render(&whole);
        for (const QRect part : {QRect(13, 5, 1, 16), QRect(0, 0, 37, 50), QRect(45, 33, 70, 9),
                                 QRect(100, 60, 300, 200)}) {
            QImage drawn = whole;
            drawn.fill(Qt::magenta);
            pane.viewport()->render(&drawn, part.topLeft(), QRegion(part));
            const QRect inside = part.intersected(drawn.rect());
            EXPECT_EQ(drawn.copy(QRect(part.topLeft(), inside.size())), whole.copy(inside))
                << "wrap " << wrap << " at " << part.x() << "," << part.y();
        }
    }
}

TEST_F(TextPaneTest, CtrlArrowsAndADoubleClickGoByWordsBetweenBlanks) {
    pane.setBytes("ab cd\tef gh\r\nxy");
    pane.setReadOnly(false);
    pane.setCaret(0);
    EXPECT_EQ(wordStops(Qt::Key_Right, 4), (std::vector<qsizetype>{2, 5, 8, 11}));
    key(Qt::Key_Left, Qt::ControlModifier);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(pane.caret(), 6);
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, pane.cursorRect(4).center());
    EXPECT_EQ(pane.selectedBytes(), QByteArray("cd"));
}

TEST_F(TextPaneTest, EditsWithWrapLayOutAsAFreshLayoutDoes) {
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += (i % 7 ? "" : "\t\t\t\t") + QByteArray(i * 13 % 90, 'a' + char(i % 26)) + "\r\n";
    pane.setBytes(text);
    pane.setReadOnly(false);
    pane.setWrap(true);
    const int columns = (pane.viewport()->width() - 1) / 8;
    QGuiApplication::clipboard()->setText(QString(columns * 2, u'p') + u"\n\n" + QString(9, u'q'));
    for (const qsizetype at : {5, 700, 1500, 3000}) {
        pane.setCaret(at);
        QTest::keyClicks(&pane, QString(columns + 3, u'x'));
        key(Qt::Key_V, Qt::ControlModifier);
        key(Qt::Key_Backspace);
        pane.setCaret(at + 5, true);
        key(Qt::Key_Delete);
    }
    // A resize lays every line out again from the widths kept through the edits.
    pane.resize(pane.width() - 24, pane.height());
    const qsizetype end = pane.bytes().size();
    const int bottom = pane.verticalScrollBar()->maximum();
    std::vector<QRect> edited;
    for (qsizetype at = 0; at <= end; at += 97)
        edited.push_back(pane.cursorRect(at).translated(0, 16 * pane.firstVisibleRow()));
    pane.setWrap(false);
    pane.setWrap(true);
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), bottom);
    for (qsizetype at = 0, i = 0; at <= end; at += 97, ++i)
        ASSERT_EQ(pane.cursorRect(at).translated(0, 16 * pane.firstVisibleRow()), edited[size_t(i)])
            << at;
}

TEST_F(TextPaneTest, ColumnsPastTheEdgeAreReachedReadOnlyByKeysWheelAndADragHeldOutside) {
    pane.setBytes(QByteArray(300, 'a') + "\r\nshort");
    const int start = pane.cursorRect(0).x();
    key(Qt::Key_Right);
    EXPECT_EQ(pane.cursorRect(0).x(), start - 8) << "a cell sideways";
    key(Qt::Key_End);
    const int end = pane.cursorRect(300).x();
    EXPECT_LT(end, pane.viewport()->width());
    EXPECT_GT(end, pane.viewport()->width() - 24) << "the line's last column at the edge";
    key(Qt::Key_Home);
    EXPECT_EQ(pane.cursorRect(0).x(), start);
    const auto wheel = [this](QPoint delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(20, 20), pane.viewport()->mapToGlobal(QPointF(20, 20)), {}, delta,
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane.viewport(), &event);
    };
    wheel(QPoint(-120, 0), {}); // the sideways wheel, button 7
    EXPECT_EQ(pane.cursorRect(0).x(), start - 3 * 8);
    wheel(QPoint(0, 120), Qt::ShiftModifier); // Shift and the wheel up: back to the left
    EXPECT_EQ(pane.cursorRect(0).x(), start);
    EXPECT_EQ(pane.verticalScrollBar()->value(), 0);

    // Editable, a drag held past the right edge goes on selecting while the pointer stays out.
    pane.setReadOnly(false);
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, QPoint(4, 8));
    QMouseEvent out(QEvent::MouseMove, QPointF(pane.viewport()->width() + 30, 8),
                    pane.viewport()->mapToGlobal(QPointF(pane.viewport()->width() + 30, 8)),
                    Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(pane.viewport(), &out);
    const qsizetype first = pane.caret();
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.caret() > first + 5; }, 2000));
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_EQ(pane.selectedBytes(), QByteArray(pane.caret(), 'a'));
}

TEST_F(TextPaneTest, CtrlYRedoesAndOnlyTheLeftButtonsDoubleClickIsSignalled) {
    pane.setBytes("x");
    pane.setReadOnly(false);
    pane.setCaret(1);
    QTest::keyClicks(&pane, QStringLiteral("ab"));
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(pane.bytes(), QByteArray("xab"));
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pane.bytes(), QByteArray("xab"));

    QSignalSpy doubleClicks(&pane, &TextPane::doubleClicked);
    QTest::mouseDClick(pane.viewport(), Qt::MiddleButton, {}, QPoint(4, 8));
    EXPECT_EQ(doubleClicks.count(), 0);
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_EQ(doubleClicks.count(), 1);
}

TEST_F(TextPaneTest, ZoomGoesByWholeGlyphGridsAndLeavesTheFontAsSet) {
    pane.setBytes("\xDB\xDB\r\nab");
    const QFont set = pane.font();
    ASSERT_EQ(set.pixelSize(), 16) << "Terminal, a bitmap font";
    const auto cellHeight = [this] { return pane.cursorRect(0).height(); };
    key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(cellHeight(), 32);
    QWheelEvent up(QPointF(20, 20), pane.viewport()->mapToGlobal(QPointF(20, 20)), {},
                   QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pane.viewport(), &up);
    EXPECT_EQ(cellHeight(), 48);
    key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(cellHeight(), 32);
    key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(cellHeight(), 16);
    key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(cellHeight(), 16) << "no smaller than the grid";
    EXPECT_EQ(pane.font(), set);
    key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    pane.setFont(resolveFont(FontSpec{QStringLiteral("DejaVu Sans Mono"), 10}));
    EXPECT_EQ(pane.zoomSteps(), 1) << "an outline font a point a step";
}

TEST_F(TextPaneTest, ATripleClickSelectsTheLine) {
    pane.setBytes("one two\r\nthree four\r\n");
    const QPoint at = pane.cursorRect(12).center();
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(pane.selectedBytes(), QByteArray("three"));
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(pane.selectedBytes(), QByteArray("three four"));

    // Read-only, with no caret to show, neither a line selected nor a zoom moves the view off.
    pane.setBytes(QByteArray(300, 'x') + "\r\n" + QByteArray(100, '\n').replace("\n", "y\r\n"));
    pane.setCaret(300);
    pane.setCaret(0);
    key(Qt::Key_PageDown);
    const int top = pane.firstVisibleRow();
    ASSERT_GT(top, 0);
    key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pane.firstVisibleRow(), top);
    key(Qt::Key_Home, Qt::ControlModifier);
    const QPoint left = pane.cursorRect(0).topLeft();
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, pane.cursorRect(3).center());
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, pane.cursorRect(3).center());
    EXPECT_EQ(pane.selectedBytes(), QByteArray(300, 'x'));
    EXPECT_EQ(pane.cursorRect(0).topLeft(), left);
}

TEST_F(TextPaneTest, UndoingACutOrAPasteOverASelectionSelectsWhatComesBack) {
    pane.setBytes("abc def");
    pane.setReadOnly(false);
    pane.setCaret(0);
    pane.setCaret(3, true);
    key(Qt::Key_X, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane.bytes(), QByteArray("abc def"));
    EXPECT_EQ(pane.selectedBytes(), QByteArray("abc"));
    pane.setCaret(4);
    pane.setCaret(7, true);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(pane.bytes(), QByteArray("abc abc"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane.selectedBytes(), QByteArray("def"));
    pane.setCaret(7);
    QTest::keyClicks(&pane, QStringLiteral("gh"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(pane.hasSelection()) << "typing took nothing away";
    EXPECT_EQ(pane.caret(), 7);
}

TEST_F(TextPaneTest, WordsEndWhereLettersMeetPunctuationBlanksOrArt) {
    pane.setBytes("[04-02-98] \xCD\xCD\xCD"
                  "ab\xB2");
    pane.setReadOnly(false);
    pane.setCaret(0);
    // Past the next cell, to the end of its run: each number stands alone.
    EXPECT_EQ(wordStops(Qt::Key_Right, 7), (std::vector<qsizetype>{3, 6, 9, 10, 14, 16, 17}));
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(pane.caret(), 14) << "back to the start of ab";
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(pane.caret(), 11) << "and of the frame before it";

    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {},
                       pane.cursorRect(4).center() + QPoint(4, 0));
    EXPECT_EQ(pane.selectedBytes(), QByteArray("02"));
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {},
                       pane.cursorRect(12).center() + QPoint(4, 0));
    EXPECT_EQ(pane.selectedBytes(), QByteArray("\xCD\xCD\xCD"));

    pane.setBytes("ab\xE2\x94\x80\xE2\x94\x80"
                  "cd",
                  CodePage::Charset::Utf8);
    pane.setReadOnly(false);
    EXPECT_EQ(wordStops(Qt::Key_Right, 3), (std::vector<qsizetype>{2, 8, 10}));
    EXPECT_EQ(wordStops(Qt::Key_Left, 2), (std::vector<qsizetype>{8, 2})) << "whole sequences";
}

namespace {

QAccessibleTextInterface* accessibleText(TextPane& pane) {
    QAccessibleInterface* const pane_ = QAccessible::queryAccessibleInterface(&pane);
    return pane_ ? pane_->textInterface() : nullptr;
}

// The characters a screen reader reads, in a pane whose text cache was built and then edited.
QString readAll(TextPane& pane) {
    QAccessibleTextInterface* const text = accessibleText(pane);
    return text->text(0, text->characterCount());
}

} // namespace

TEST_F(TextPaneTest, AssistiveTechnologyReadsTheShownTextByCharacterWordAndRow) {
    pane.setBytes("Hello [04-02-98]\r\n\xDB\xB1\tx\r\nend");
    QAccessibleInterface* const iface = QAccessible::queryAccessibleInterface(&pane);
    ASSERT_TRUE(iface && iface->textInterface());
    QAccessibleTextInterface* const text = iface->textInterface();
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_TRUE(iface->state().readOnly);
    iface->editableTextInterface()->insertText(0, "no");
    EXPECT_EQ(pane.bytes().left(5), QByteArray("Hello")) << "nothing is edited read-only";
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(readAll(pane), QString::fromUtf16(u"Hello [04-02-98]\n█▒\tx\nend"));

    pane.setCaret(21); // the x
    EXPECT_EQ(text->cursorPosition(), 20);
    text->setSelection(0, 1, 4);
    EXPECT_EQ(pane.selectedBytes(), QByteArray("ell"));
    int from = 0;
    int to = 0;
    EXPECT_EQ(text->textAtOffset(8, QAccessible::WordBoundary, &from, &to), "04");
    EXPECT_EQ(text->textAtOffset(18, QAccessible::LineBoundary, &from, &to),
              QString::fromUtf16(u"█▒\tx\n"));
    EXPECT_EQ(text->textAfterOffset(18, QAccessible::LineBoundary, &from, &to), "end");
    EXPECT_EQ(text->textBeforeOffset(0, QAccessible::CharBoundary, &from, &to), "");

    // The tab covers six cells; a point inside it is the tab.
    const QRect tab = text->characterRect(19);
    EXPECT_EQ(tab.width(), 6 * text->characterRect(17).width());
    EXPECT_EQ(text->offsetAtPoint(tab.center()), 19);
    EXPECT_EQ(text->offsetAtPoint(tab.topLeft() + QPoint(30 * tab.width(), 1)), -1);

    // With wrap a line is read by rows; a glyph past the first plane is two units.
    pane.setBytes(QByteArray(25, 'a') + "\r\nb\xF0\x9F\x98\x80"
                                        "c",
                  CodePage::Charset::Utf8);
    pane.setWrap(true);
    text->textAtOffset(3, QAccessible::LineBoundary, &from, &to);
    const int row = to;
    EXPECT_TRUE(from == 0 && row > 1 && row < 25) << row;
    EXPECT_EQ(text->textAtOffset(row, QAccessible::LineBoundary, &from, &to),
              QString(25 - row, u'a') + u'\n');
    EXPECT_EQ(readAll(pane).right(4), QString::fromUtf16(u"b😀c"));
    pane.setCaret(pane.bytes().size() - 1);
    EXPECT_EQ(text->cursorPosition(), 29);
    EXPECT_EQ(text->textAtOffset(28, QAccessible::CharBoundary, &from, &to),
              QString::fromUtf16(u"😀"));

    pane.setReadOnly(false);
    iface->editableTextInterface()->insertText(0, "Z\n");
    EXPECT_TRUE(pane.bytes().startsWith("Z\r\naaa"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(pane.bytes().startsWith("aaa")) << "an edit from outside is undone as one";
}

// What is told as it happens (caret, selection, edits) goes only to a listening screen reader,
// which the window-manager test runs; here the counts must follow the edits.
TEST_F(TextPaneTest, TheAccessibleTextFollowsEveryEdit) {
    pane.setBytes("ab\r\ncd\r\nef");
    pane.setReadOnly(false);
    EXPECT_EQ(readAll(pane), "ab\ncd\nef") << "counted before the edits";
    pane.setCaret(4);
    key(Qt::Key_X);
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    key(Qt::Key_Right, Qt::ShiftModifier);
    QGuiApplication::clipboard()->setText("1\n2\n");
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(readAll(pane), pane.toPlainText());
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Backspace);
    EXPECT_EQ(readAll(pane), pane.toPlainText()) << "the last line";
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readAll(pane), pane.toPlainText());
    EXPECT_EQ(accessibleText(pane)->characterCount(), pane.toPlainText().size());
}

TEST_F(TextPaneTest, LinksAreDrawnInTheirColourOpenOnAClickAndMoveWithEdits) {
    pane.setBytes("go www.a.example now\r\n\xDB WWW.b");
    pane.setLinks(LinkSpans{{3, 13}, {24, 5}});
    pane.setLinkColor(QColor(0, 0, 255));
    QSignalSpy opened(&pane, &TextPane::linkActivated);
    const auto at = [this](qsizetype offset) {
        return pane.cursorRect(offset).center() + QPoint(3, 0);
    };
    const QImage shown = pane.viewport()->grab().toImage();
    const auto blue = [&](qsizetype offset) {
        const QRect cell(pane.cursorRect(offset).topLeft(), QSize(8, 16));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (shown.pixelColor(x, y) == QColor(0, 0, 255))
                    return true;
        return false;
    };
    EXPECT_TRUE(blue(4) && blue(26));
    EXPECT_FALSE(blue(0) || blue(17));
    QHelpEvent help(QEvent::ToolTip, at(26), pane.viewport()->mapToGlobal(at(26)));
    QApplication::sendEvent(pane.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), "WWW.b") << "the address as the document writes it";
    EXPECT_EQ(pane.linkAddress(1), "WWW.b");

    // On a dark ground the link takes a lighter blue that reads at least 4.5:1 (the web's
    // measure), and it follows the ground back.
    const auto inkOf = [&](qsizetype offset) {
        const QImage now = pane.viewport()->grab().toImage();
        const QColor ground = pane.palette().color(QPalette::Base);
        const QRect cell(pane.cursorRect(offset).topLeft(), QSize(8, 16));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (now.pixelColor(x, y) != ground)
                    return now.pixelColor(x, y);
        return ground;
    };
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const QPalette light = pane.palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, Qt::black);
    pane.setPalette(dark);
    const QColor ink = inkOf(4);
    EXPECT_GE((luminance(ink) + 0.05) / 0.05, 4.5) << ink.name().toStdString();
    EXPECT_TRUE(ink.blue() > ink.red() && ink.blue() > ink.green()) << ink.name().toStdString();
    pane.setPalette(light);
    EXPECT_EQ(inkOf(4), QColor(0, 0, 255));

    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, at(5));
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.takeFirst().at(0).toInt(), 0);
    // A drag from a link selects; a double click is the download page's, not the link's.
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, at(5));
    QTest::mouseMove(pane.viewport(), at(12));
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, at(12));
    EXPECT_EQ(pane.selectedBytes(), QByteArray("w.a.exa"));
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at(26));
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, at(26));
    EXPECT_EQ(opened.count(), 0);

    pane.setReadOnly(false);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, at(5));
    EXPECT_TRUE(opened.isEmpty() && pane.caret() == 5) << "editable, a click places the caret";
    pane.setCaret(1);
    key(Qt::Key_X);
    pane.setCaret(8);
    key(Qt::Key_X);
    ASSERT_EQ(pane.links()[0].length, 0u) << "the edited link is gone";
    EXPECT_TRUE(pane.linkAddress(0).isEmpty());
    EXPECT_EQ(pane.links()[1].at, 26u);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::ControlModifier, at(28));
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.takeFirst().at(0).toInt(), 1);
}

TEST_F(TextPaneTest, WhatFindLooksForIsMarkedWhereverItIsInView) {
    pane.setBytes("one two\r\nthree two");
    const auto ground = [&](qsizetype offset) {
        const QImage shown = pane.viewport()->grab().toImage();
        return shown.pixelColor(pane.cursorRect(offset).topLeft() + QPoint(1, 1));
    };
    const QColor plain = ground(0);
    pane.setSearchHighlight(TextSearch(QStringLiteral("TWO"), CodePage::Charset::Oem, false));
    EXPECT_NE(ground(4), plain);
    EXPECT_EQ(ground(4), ground(15)) << "every match alike, on both lines";
    EXPECT_EQ(ground(0), plain) << "and nothing else";
    pane.setSearchHighlight(std::nullopt);
    EXPECT_EQ(ground(4), plain);
}

TEST(TextPaneOnTheRenderer, ThePaneShowsWhatAPictureOfTheDocumentShows) {
    TextPane pane;
    pane.setFont(resolveFont(FontSpec{}));
    QPalette colours = pane.palette();
    colours.setColor(QPalette::Text, QColor(0, 255, 0));
    colours.setColor(QPalette::Base, Qt::black);
    pane.setPalette(colours);
    pane.resize(400, 200);
    const QByteArray art(
        "\xC9\xCD\xCD\xBB  \xB0\xB1\xB2\xDB\r\n\xBA\tA\xBA\r\n\xC8\xCD\xCD\xBC www.a.b");
    pane.setBytes(art);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const QImage shown = pane.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    CellRenderer renderer;
    TextDocument document;
    document.setBytes(art);
    renderer.setFont(pane.font());
    const QImage picture =
        renderer.picture(document, CodePage::Charset::Oem, QColor(0, 255, 0), Qt::black);
    const QPoint origin = pane.cursorRect(0).topLeft();
    EXPECT_EQ(shown.copy(QRect(origin, picture.size())), picture);
}
