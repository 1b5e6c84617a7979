#pragma once

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
