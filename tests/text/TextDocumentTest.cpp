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
