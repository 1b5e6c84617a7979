#include "WrapRows.h"

#include <algorithm>

void WrapRows::clear() {
    *this = WrapRows();
}

void WrapRows::reserve(qsizetype lines) {
    m_blockRow.reserve(size_t(lines / Block + 1));
    m_blockExtra.reserve(size_t(lines / Block + 1));
}

// A line of several rows, or any line of a block that has one: a byte each, given to the block
// the first time one of its lines needs it; 256 rows or more are kept aside, in line order.
void WrapRows::store(qsizetype line, qint64 rows) {
    qint32& extra = m_blockExtra[size_t(line / Block)];
    if (extra < 0) {
        extra = qint32(m_extra.size() / Block);
        m_extra.resize(m_extra.size() + Block, 0);
    }
    m_extra[size_t(extra) * Block + line % Block] = quint8(std::min<qint64>(rows - 1, Many));
    if (rows - 1 >= Many)
        m_many.emplace(
            std::lower_bound(m_many.begin(), m_many.end(), std::pair<qsizetype, qint64>(line, 0)),
            line, rows);
}

qint64 WrapRows::setRows(qsizetype line, qint64 rows) {
    rows = std::max<qint64>(1, rows);
    const qint64 old = rowsOf(line);
    if (rows == old)
        return 0;
    if (old - 1 >= Many)
        m_many.erase(
            std::lower_bound(m_many.begin(), m_many.end(), std::pair<qsizetype, qint64>(line, 0)));
    store(line, rows);
    return rows - old;
}

qint64 WrapRows::rowsOfBlock(qsizetype block) const {
    if (m_blockExtra[size_t(block)] < 0)
        return std::min(Block, m_lines - block * Block);
    qint64 rows = 0;
    for (qsizetype line = block * Block; line < std::min(m_lines, (block + 1) * Block); ++line)
        rows += rowsOf(line);
    return rows;
}

void WrapRows::truncate(qsizetype lines) {
    m_total = firstRowOf(lines);
    const size_t blocks = size_t((lines + Block - 1) / Block);
    m_blockRow.resize(blocks);
    m_blockExtra.resize(blocks);
    // The bytes of the blocks that went are given back: blocks take theirs in order, but for
    // those that came to wrap after they were laid out.
    qint32 last = -1;
    for (const qint32 extra : m_blockExtra)
        last = std::max(last, extra);
    m_extra.resize(size_t(last + 1) * Block);
    m_many.erase(
        std::lower_bound(m_many.begin(), m_many.end(), std::pair<qsizetype, qint64>(lines, 0)),
        m_many.end());
    m_lines = lines;
}

void WrapRows::replace(qsizetype first, qsizetype count, const std::vector<qint64>& rows) {
    if (qsizetype(rows.size()) == count) {
        qint64 delta = 0;
        for (qsizetype i = 0; i < count; ++i)
            delta += setRows(first + i, rows[size_t(i)]);
        if (delta == 0)
            return;
        // The blocks among the changed lines start where the block before them ends; every
        // later one moves by the whole change.
        const qsizetype lastBlock = (first + count - 1) / Block;
        const qsizetype blocks = qsizetype(m_blockRow.size());
        for (qsizetype b = first / Block + 1; b <= lastBlock && b < blocks; ++b)
            m_blockRow[size_t(b)] = m_blockRow[size_t(b - 1)] + rowsOfBlock(b - 1);
        for (qsizetype b = lastBlock + 1; b < blocks; ++b)
            m_blockRow[size_t(b)] += delta;
        m_total += delta;
        return;
    }
    std::vector<qint64> later;
    later.reserve(size_t(std::max<qsizetype>(0, m_lines - first - count)));
    for (qsizetype line = first + count; line < m_lines; ++line)
        later.push_back(rowsOf(line));
    truncate(first);
    for (const qint64 r : rows)
        append(r);
    for (const qint64 r : later)
        append(r);
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

namespace WordWrap {

qint64 rows(QByteArrayView line, CodePage::Charset charset, qint64 width, qint64 columns) {
    qint64 rows = 1;
    forEachRowStart(line, charset, width, columns, [&rows](qint64) {
        ++rows;
        return true;
    });
    return rows;
}

std::vector<qint64> rowStarts(QByteArrayView line, CodePage::Charset charset, qint64 width,
                              qint64 columns) {
    std::vector<qint64> starts{0};
    forEachRowStart(line, charset, width, columns, [&starts](qint64 at) {
        starts.push_back(at);
        return true;
    });
    return starts;
}

} // namespace WordWrap
