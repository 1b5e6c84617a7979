#include "WrapRows.h"

#include <algorithm>

void WrapRows::clear() {
    *this = WrapRows();
}

void WrapRows::reserve(qsizetype lines) {
    m_blockRow.reserve(size_t(lines / Block + 1));
    m_blockExtra.reserve(size_t(lines / Block + 1));
}

// A line of several rows, or any line of a block that has one: a byte each.
void WrapRows::appendToBlock(qsizetype at, qint64 rows) {
    if (m_blockExtra.back() < 0) {
        m_blockExtra.back() = qint32(m_extra.size() / Block);
        m_extra.resize(m_extra.size() + Block, 0);
    }
    m_extra[size_t(m_blockExtra.back()) * Block + at] = quint8(std::min<qint64>(rows - 1, Many));
    if (rows - 1 >= Many)
        m_many.emplace_back(m_lines, rows);
}

qint64 WrapRows::rowsOf(qsizetype line) const {
    const qint32 extra = m_blockExtra[size_t(line / Block)];
    if (extra < 0)
        return 1;
    const quint8 more = m_extra[size_t(extra) * Block + line % Block];
    if (more < Many)
        return more + 1;
    return std::lower_bound(m_many.begin(), m_many.end(), std::pair<qsizetype, qint64>(line, 0))
        ->second;
}

qint64 WrapRows::firstRowOf(qsizetype line) const {
    if (line >= m_lines)
        return m_total;
    const qsizetype block = line / Block;
    qint64 row = m_blockRow[size_t(block)];
    if (m_blockExtra[size_t(block)] < 0)
        return row + line % Block;
    for (qsizetype l = block * Block; l < line; ++l)
        row += rowsOf(l);
    return row;
}

qsizetype WrapRows::lineOf(qint64 row, qint64& rowInLine) const {
    rowInLine = 0;
    if (m_lines == 0)
        return 0;
    row = std::clamp<qint64>(row, 0, m_total - 1);
    const auto after = std::upper_bound(m_blockRow.begin(), m_blockRow.end(), row);
    const qsizetype block = qsizetype(after - m_blockRow.begin()) - 1;
    qint64 first = m_blockRow[size_t(block)];
    qsizetype line = block * Block;
    if (m_blockExtra[size_t(block)] < 0)
        return line + qsizetype(row - first);
    for (;; ++line) {
        const qint64 rows = rowsOf(line);
        if (row < first + rows || line + 1 == m_lines) {
            rowInLine = row - first;
            return line;
        }
        first += rows;
    }
}
