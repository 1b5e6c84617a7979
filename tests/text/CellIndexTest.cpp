#include "CellIndex.h"
#include "WrapRows.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Long lines of tabs, ASCII, valid and broken UTF-8 sequences, edited at random: after every
// edit the index must answer as a walk from the line's start does.
QByteArray randomBytes(std::mt19937& random, qsizetype size) {
    static const QByteArray pieces[] = {
        "a",    "\xE2\x94\x80", "\xE2\x94",         "\x80",        " ", "\xC3", "\xC3\xA9",
        "\xBF", "xy",           "\xF0\x9F\x98\x80", "\xEF\xBB\xBF"};
    QByteArray bytes;
    // Tabs far apart, so that the columns after an edit move by other than whole tab stops.
    while (bytes.size() < size)
        bytes += random() % 1000 == 0 ? QByteArray("\t") : pieces[random() % std::size(pieces)];
    return bytes;
}

void expectAgreesWithAWalk(const TextDocument& document, const CellIndex& index,
                           CodePage::Charset charset, std::mt19937& random) {
    for (qsizetype line = 0; line < document.lineCount(); ++line) {
        const QByteArrayView bytes = document.line(line);
        ASSERT_EQ(index.columns(line), Cells::columns(bytes, charset)) << "line " << line;
        for (int probe = 0; probe < 20; ++probe) {
            const qsizetype offset = qsizetype(random() % (bytes.size() + 1));
            const Cells::Mark mark = index.atOffset(line, offset);
            ASSERT_LE(mark.offset, offset);
            ASSERT_LE(offset - mark.offset, CellIndex::LongLine);
            ASSERT_EQ(Cells::columnAt(bytes, charset, offset, mark),
                      Cells::columnAt(bytes, charset, offset))
                << "line " << line << " offset " << offset;
            const qint64 column = qint64(random() % (index.columns(line) + 2));
            ASSERT_EQ(Cells::offsetAt(bytes, charset, column, index.atColumn(line, column)),
                      Cells::offsetAt(bytes, charset, column))
                << "line " << line << " column " << column;
        }
    }
}

} // namespace

TEST(CellIndex, MarksOfLongLinesFollowEveryKindOfEdit) {
    for (const auto charset : {CodePage::Charset::Utf8, CodePage::Charset::Oem}) {
        std::mt19937 random(7);
        TextDocument document;
        document.setBytes(randomBytes(random, 40000) + "\r\n" + randomBytes(random, 30000) +
                          "\r\nshort\r\n" + randomBytes(random, 20000));
        CellIndex index;
        index.reset(&document, charset);
        expectAgreesWithAWalk(document, index, charset, random);
        for (int edit = 0; edit < 600; ++edit) {
            const qsizetype from = qsizetype(random() % (document.size() + 1));
            const qsizetype to =
                std::min(document.size(), from + qsizetype(random() % (edit % 7 ? 6 : 9000)));
            QByteArray text = randomBytes(random, qsizetype(random() % 5));
            if (edit % 11 == 0)
                text += "\r\n" + randomBytes(random, 3);
            if (edit % 5 == 0)
                text.clear();
            document.replace(from, to, text);
            index.edited(document.lastChange());
            SCOPED_TRACE(edit);
            if (edit % 10 == 0 || edit > 590)
                expectAgreesWithAWalk(document, index, charset, random);
            if (HasFatalFailure())
                return;
        }
    }
}

namespace {

void expectRowsOf(const WrapRows& rows, const std::vector<qint64>& counts, std::mt19937& random) {
    std::vector<qint64> first; // the first row of each line, and the total at the end
    qint64 total = 0;
    for (const qint64 n : counts) {
        first.push_back(total);
        total += n;
    }
    first.push_back(total);
    ASSERT_EQ(rows.lineCount(), qsizetype(counts.size()));
    ASSERT_EQ(rows.rowCount(), total);
    for (qsizetype line = 0; line < qsizetype(counts.size()); ++line) {
        ASSERT_EQ(rows.firstRowOf(line), first[size_t(line)]) << line;
        ASSERT_EQ(rows.rowsOf(line), counts[size_t(line)]) << line;
    }
    for (qint64 row = 0; row < total; row += 1 + random() % 7) {
        qint64 within = -1;
        const qsizetype line = rows.lineOf(row, within);
        ASSERT_LE(first[size_t(line)], row);
        ASSERT_LT(row, first[size_t(line) + 1]);
        ASSERT_EQ(within, row - first[size_t(line)]);
    }
}

} // namespace

TEST(WrapRows, AnswersAsARowPerLineListDoesThroughEdits) {
    std::mt19937 random(3);
    // Runs of one-row lines between lines of a few rows, and now and then one of hundreds.
    const auto some = [&random](int line) -> qint64 {
        return line % 700 < 300 ? 1 : random() % 50 == 0 ? 300 + random() % 999 : 1 + random() % 4;
    };
    WrapRows rows;
    std::vector<qint64> counts;
    for (int line = 0; line < 5000; ++line)
        rows.append(counts.emplace_back(some(line)));
    expectRowsOf(rows, counts, random);
    // Edits within lines, and edits that add or take lines, as typing and pasting make them.
    for (int edit = 0; edit < 200 && !HasFatalFailure(); ++edit) {
        const qsizetype first = qsizetype(random() % counts.size());
        const qsizetype count =
            std::min<qsizetype>(qsizetype(counts.size()) - first, 1 + random() % 3);
        std::vector<qint64> made(size_t(edit % 3 ? count : random() % 4));
        for (qint64& n : made)
            n = some(int(random() % 1000));
        rows.replace(first, count, made);
        counts.erase(counts.begin() + first, counts.begin() + first + count);
        counts.insert(counts.begin() + first, made.begin(), made.end());
        if (edit % 20 == 0)
            expectRowsOf(rows, counts, random);
    }
    expectRowsOf(rows, counts, random);
}
