#include "Cells.h"

#include "ByteMask.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace Cells {

Cell cellAt(QByteArrayView line, CodePage::Charset charset, qsizetype offset, Mark from) {
    Cell found{line.size(), 0, from.column, 0, U' '};
    qint64 end = from.column;
    forEach(
        line, charset,
        [&](const Cell& cell) {
            end = cell.column + cell.width;
            if (cell.offset + cell.length <= offset)
                return true;
            found = cell;
            return false;
        },
        from);
    if (found.length == 0)
        found.column = end;
    return found;
}

// Each byte is one cell unless the UTF-8 script joins bytes into one.
static bool bytesAreCells(QByteArrayView bytes, CodePage::Charset charset) {
    if (charset != CodePage::Charset::Utf8)
        return true;
    for (const char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

// Bytes that are one column each: no tab, and no sequence the script joins.
static bool oneColumnEach(QByteArrayView bytes, CodePage::Charset charset) {
    return !bytes.contains('\t') && bytesAreCells(bytes, charset);
}

qint64 columns(QByteArrayView line, CodePage::Charset charset, Mark from) {
    const QByteArrayView rest = line.sliced(from.offset);
    if (!bytesAreCells(rest, charset)) {
        qint64 end = from.column;
        forEach(
            line, charset,
            [&](const Cell& cell) {
                end = cell.column + cell.width;
                return true;
            },
            from);
        return end;
    }
    // One cell a byte; each tab runs to the next stop, found by jumping from tab to tab.
    const char* p = rest.data();
    const char* const end = p + rest.size();
    qint64 column = from.column;
    // An empty view may have no bytes behind it at all, which memchr must never be given.
    while (const auto* tab =
               p == end ? nullptr
                        : static_cast<const char*>(std::memchr(p, '\t', size_t(end - p)))) {
        column += tab - p;
        column += TabWidth - column % TabWidth;
        p = tab + 1;
    }
    return column + (end - p);
}

qsizetype offsetAt(QByteArrayView line, CodePage::Charset charset, qint64 column, Mark from) {
    if (column <= 0)
        return 0;
    if (column < from.column)
        return from.offset;
    // Only the bytes up to the column are looked at, however long the line goes on; the walk
    // then still passes over cells of no width at the column.
    const qint64 ahead = std::min<qint64>(column - from.column, line.size() - from.offset);
    if (ahead > 0 && oneColumnEach(line.sliced(from.offset, qsizetype(ahead)), charset))
        from = {from.offset + qsizetype(ahead), from.column + ahead};
    if (from.offset == line.size() || (from.column == column && uchar(line[from.offset]) < 0x80))
        return from.offset;
    qsizetype offset = line.size();
    forEach(
        line, charset,
        [&](const Cell& cell) {
            if (cell.column + cell.width <= column)
                return true;
            // Inside a wide cell: the nearer of its two edges.
            offset =
                column - cell.column <= cell.width / 2 ? cell.offset : cell.offset + cell.length;
            return false;
        },
        from);
    return offset;
}

qint64 columnAt(QByteArrayView line, CodePage::Charset charset, qsizetype offset, Mark from) {
    offset = std::min(offset, line.size());
    if (offset <= from.offset)
        return from.column;
    if (oneColumnEach(line.sliced(from.offset, offset - from.offset), charset))
        return from.column + (offset - from.offset);
    qint64 column = from.column;
    forEach(
        line, charset,
        [&](const Cell& cell) {
            if (cell.offset >= offset)
                return false;
            column = cell.column + cell.width;
            return true;
        },
        from);
    return column;
}

namespace {

// The widest of the lines feeds() hands to line(end) one after another, ending each at a line
// feed's offset (the text's size for the last).
template <typename Feeds>
qint64 widestOf(QByteArrayView text, CodePage::Charset charset, qint64 most, Feeds&& feeds) {
    // A code page's line is as wide as it is long but for its tabs; a UTF-8 line is at least a
    // quarter as wide as long, so only the short ones are walked. The tabs are found with memchr.
    const auto* const data = reinterpret_cast<const unsigned char*>(text.data());
    const qsizetype size = text.size();
    const bool utf8 = charset == CodePage::Charset::Utf8;
    const auto nextTab = [&](qsizetype from) {
        const void* at =
            from >= size ? nullptr : std::memchr(data + from, '\t', size_t(size - from));
        return at ? qsizetype(static_cast<const unsigned char*>(at) - data) : size;
    };
    qsizetype tab = nextTab(0);
    qint64 widest = 0;
    qsizetype start = 0;
    feeds([&](qsizetype feed) {
        const qsizetype stop = feed > start && data[feed - 1] == '\r' ? feed - 1 : feed;
        const qsizetype length = stop - start;
        const bool tabbed = tab < stop;
        if (tabbed)
            tab = nextTab(feed);
        qint64 width = length;
        if (utf8 ? length <= 4 * most : tabbed && length <= most)
            width = columns(text.sliced(start, length), charset);
        if (width <= most)
            widest = std::max(widest, width);
        start = feed + 1;
    });
    return widest;
}

} // namespace

qint64 widestLine(QByteArrayView text, CodePage::Charset charset, qint64 most) {
    // The line feeds found 64 bytes at a time: the document's start waits for this.
    return widestOf(text, charset, most, [&](const auto& line) {
        const auto* const data = reinterpret_cast<const unsigned char*>(text.data());
        const qsizetype size = text.size();
        qsizetype i = 0;
        for (; i + 64 <= size; i += 64)
            for (quint64 feeds = byteMask64(data + i, '\n'); feeds; feeds &= feeds - 1)
                line(i + std::countr_zero(feeds));
        for (; i < size; ++i)
            if (data[i] == '\n')
                line(i);
        line(size);
    });
}

qint64 widestLine(QByteArrayView text, CodePage::Charset charset, qint64 most,
                  const std::vector<quint32>& starts) {
    return widestOf(text, charset, most, [&](const auto& line) {
        for (size_t i = 1; i < starts.size(); ++i)
            line(qsizetype(starts[i]) - 1);
        line(text.size());
    });
}

} // namespace Cells
