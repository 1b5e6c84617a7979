#pragma once

#include "Cells.h"
#include "CodePage.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <algorithm>
#include <utility>
#include <vector>

// How many rows each line takes up with wrap on, in about a byte a line where lines wrap and
// nothing at all for a run of lines of one row each (most documents are mostly such lines): the
// lines go in blocks of 64, each with its first row, and only a block holding a line of several
// rows keeps a byte for each of its lines.
class WrapRows {
public:
    void clear();
    void reserve(qsizetype lines);
    // The next line, with its rows (at least one). Inline: relayout calls it for every line.
    void append(qint64 rows) {
        const qsizetype at = m_lines % Block;
        if (at == 0) {
            m_blockRow.push_back(m_total);
            m_blockExtra.push_back(-1);
        }
        if (rows > 1 || m_blockExtra.back() >= 0)
            store(m_lines, std::max<qint64>(1, rows));
        m_total += std::max<qint64>(1, rows);
        ++m_lines;
    }

    // Puts lines of the given rows in place of count lines from first: in place where as many
    // lines come as go (an edit within lines), else by laying the later lines on again from
    // what they had.
    void replace(qsizetype first, qsizetype count, const std::vector<qint64>& rows);

    qsizetype lineCount() const { return m_lines; }
    qint64 rowCount() const { return m_total; }
    qint64 firstRowOf(qsizetype line) const;
    qint64 rowsOf(qsizetype line) const;
    // The line a row belongs to, and which of the line's rows it is.
    qsizetype lineOf(qint64 row, qint64& rowInLine) const;

private:
    static constexpr qsizetype Block = 64;
    void store(qsizetype line, qint64 rows);
    // Gives a line other rows in place; what the row count changed by.
    qint64 setRows(qsizetype line, qint64 rows);
    qint64 rowsOfBlock(qsizetype block) const;
    void truncate(qsizetype lines);
    static constexpr quint8 Many = 255; // the rows are in m_many

    std::vector<qint64> m_blockRow;   // the first row of each block
    std::vector<qint32> m_blockExtra; // where the block's bytes are in m_extra, in blocks; -1: none
    std::vector<quint8> m_extra;      // rows - 1 of each line of such a block
    std::vector<std::pair<qsizetype, qint64>> m_many; // (line, rows) of lines of 256 rows or more
    qsizetype m_lines = 0;
    qint64 m_total = 0;
};

// Where the rows of a line wrapped at columns start: after the last blank (a space, a tab, a lone
// CR) that fits in the row, or at the row's edge where a word or a run of art is longer than the
// row. Blanks past the edge hang there rather than start a row of their own, as in any text view.
namespace WordWrap {

// Calls next(column) with the first column of each row after the first, left to right, while it
// returns true. width is the line's width in columns, as the index knows it.
template <typename Next>
void forEachRowStart(QByteArrayView line, CodePage::Charset charset, qint64 width, qint64 columns,
                     Next&& next);

// How many rows the line takes up (at least one).
qint64 rows(QByteArrayView line, CodePage::Charset charset, qint64 width, qint64 columns);

// The first column of each of its rows, 0 first.
std::vector<qint64> rowStarts(QByteArrayView line, CodePage::Charset charset, qint64 width,
                              qint64 columns);

inline bool isBlank(unsigned char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r';
}

template <typename Next>
void forEachRowStart(QByteArrayView line, CodePage::Charset charset, qint64 width, qint64 columns,
                     Next&& next) {
    if (width <= columns)
        return;
    const auto* b = reinterpret_cast<const unsigned char*>(line.data());
    const qsizetype length = line.size();
    if (width == length && !line.contains('\t')) {
        // A cell a byte, as most lines are: the bytes around each row's edge are all it takes.
        qsizetype start = 0;
        while (length - start > columns) {
            const qsizetype edge = start + qsizetype(columns);
            qsizetype at = edge;
            if (isBlank(b[edge])) {
                while (at < length && isBlank(b[at]))
                    ++at;
                if (at == length)
                    return;
            } else {
                qsizetype blank = edge - 1;
                while (blank > start && !isBlank(b[blank]))
                    --blank;
                if (isBlank(b[blank]))
                    at = blank + 1;
            }
            if (!next(qint64(at)))
                return;
            start = at;
        }
        return;
    }
    qint64 start = 0;
    qint64 afterBlank = -1; // where a row could start after the last blank of this one
    Cells::forEach(line, charset, [&](const Cells::Cell& cell) {
        const bool blank = cell.glyph == U' ';
        if (blank) {
            afterBlank = cell.column + cell.width;
        } else if (cell.width > 0 && cell.column + cell.width > start + columns &&
                   cell.column > start) {
            // A cell that no longer fits starts the next row, or the word it ends does.
            const qint64 at = afterBlank > start ? afterBlank : cell.column;
            if (!next(at))
                return false;
            start = at;
            afterBlank = -1;
        }
        return true;
    });
}

} // namespace WordWrap
