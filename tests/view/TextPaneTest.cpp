#include "TextPane.h"
#include "PaneFont.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

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
