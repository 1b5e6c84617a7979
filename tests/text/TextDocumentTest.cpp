#include "TextDocument.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TextDocument, EditsKeepTheLineIndexAndUndoRestoresTheBytes) {
    const QByteArray original("one\r\ntwo\r\n\r\nthree\nfour");
    TextDocument document;
    document.setBytes(original);
    const struct {
        qsizetype from, to;
        QByteArray text;
    } edits[] = {{3, 5, ""}, {0, 0, "a\r\nb"}, {5, 9, "x\r\n\r\ny"}, {0, 20, "\r\n"}, {2, 2, "z"}};
    TextDocument fresh;
    for (const auto& edit : edits) {
        document.replace(edit.from, edit.to, edit.text);
        fresh.setBytes(document.bytes());
        ASSERT_EQ(document.lineCount(), fresh.lineCount()) << document.bytes().constData();
        for (qsizetype line = 0; line < fresh.lineCount(); ++line) {
            EXPECT_EQ(document.lineStart(line), fresh.lineStart(line));
            EXPECT_EQ(document.line(line), fresh.line(line));
        }
    }
    // Long enough for the 64-byte scan, with breaks at every place in its blocks.
    QByteArray text;
    for (int i = 0; i < 5000; ++i)
        text += i * 7919 % 13 < 3 ? '\n' : 'x';
    fresh.setBytes(text);
    std::vector<qsizetype> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            starts.push_back(i + 1);
    ASSERT_EQ(fresh.lineCount(), qsizetype(starts.size()));
    for (qsizetype line = 0; line < fresh.lineCount(); ++line)
        ASSERT_EQ(fresh.lineStart(line), starts[size_t(line)]) << line;

    while (document.undo() >= 0) {
    }
    EXPECT_EQ(document.bytes(), original);
    EXPECT_EQ(document.lineCount(), 5);
    EXPECT_EQ(document.next(3), 5) << "a line break is one step";
    EXPECT_EQ(document.previous(5), 3);
}

TEST(TextDocument, CrLfLineStartsOnlyOfBreaksThatAreAllCrLf) {
    // CR LF at every place of the 64-byte blocks, the pair split across two of them too.
    QByteArray text;
    for (int i = 0; i < 3000; ++i)
        text += i * 7919 % 11 < 3 ? QByteArray("\r\n") : QByteArray("x");
    const auto starts = TextDocument::crLfLineStarts(text);
    ASSERT_TRUE(starts.has_value());
    EXPECT_EQ(*starts, TextDocument::lineStarts(text));
    EXPECT_EQ(TextDocument::crLfLineStarts(""), std::vector<quint32>{0});
    // A lone break anywhere, a block's first or last byte or the text's, is for mending first.
    for (const qsizetype at : {qsizetype(0), qsizetype(63), qsizetype(64), qsizetype(1000),
                               text.size() - 1, text.size()}) {
        for (const char lone : {'\r', '\n'}) {
            QByteArray mixed = text;
            mixed.insert(at, lone);
            EXPECT_FALSE(TextDocument::crLfLineStarts(mixed).has_value()) << at << int(lone);
        }
    }
}
