#pragma once

#include "CodePage.h"

#include <QByteArrayView>

#include <vector>

// A document is a grid of fixed cells: each byte (a whole valid sequence in the UTF-8 script) is
// one cell, a tab runs to the next stop. Shared by everything that lays lines out, so the pane, its
// caret and the pictures of documents agree on every column.
namespace Cells {

inline constexpr int TabWidth = 8;

struct Cell {
    qsizetype offset; // of its first byte, within the line
    int length;       // bytes it stands for
    qint64 column;    // its first column
    int width;        // columns it covers: 1, or up to the next tab stop
    char32_t glyph;   // what it shows; a tab shows blanks
};

// A cell boundary of a line: the offset of the cell's first byte and the column it starts at.
// A walk along a line can start at any boundary instead of the line's start.
struct Mark {
    qsizetype offset = 0;
    qint64 column = 0;
};

// Calls visit(cell) for each cell of one line (bytes without their line break), left to right
// from the boundary from, while visit returns true.
template <typename Visit>
void forEach(QByteArrayView line, CodePage::Charset charset, Visit&& visit, Mark from = {}) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    qint64 column = from.column;
    for (qsizetype i = from.offset; i < line.size();) {
        const unsigned char b = bytes[i];
        char32_t glyph = 0;
        int length = 1;
        if (charset == CodePage::Charset::Utf8 && b >= 0x80 &&
            (length = CodePage::utf8Sequence(line, i, glyph)) > 0) {
            // The byte-order mark is not drawn: a cell of no width.
            const int width = glyph == 0xFEFF ? 0 : 1;
            if (!visit(Cell{i, length, column, width, glyph}))
                return;
            column += width;
            i += length;
            continue;
        }
        const int width = b == '\t' ? int(TabWidth - column % TabWidth) : 1;
        glyph = b == '\t' || b == '\r' ? U' ' : CodePage::glyph(b, charset);
        if (!visit(Cell{i, 1, column, width, glyph}))
            return;
        column += width;
        ++i;
    }
}

// Calls visit(cell, from, to) for each cell of one line that covers columns in [first, end),
// with the columns [from, to) of it that lie there, walking from the boundary from (at or before
// first). Gives the column after the last such cell: from there to end the line has ended.
template <typename Visit>
qint64 forEachIn(QByteArrayView line, CodePage::Charset charset, qint64 first, qint64 end,
                 Visit&& visit, Mark from = {}) {
    qint64 drawn = first;
    forEach(
        line, charset,
        [&](const Cell& c) {
            if (c.column >= end)
                return false;
            if (c.column + c.width <= first)
                return true;
            const qint64 to = std::min(c.column + c.width, end);
            visit(c, std::max(c.column, first), to);
            drawn = to;
            return true;
        },
        from);
    return drawn;
}

// Each function below walks from the boundary from (the line's start unless given), which must
// lie at or before what is looked for; the walk costs the distance from there, not from the
// line's start.

// The cell that holds the byte at offset (the line's end: an empty cell there).
Cell cellAt(QByteArrayView line, CodePage::Charset charset, qsizetype offset, Mark from = {});

// How many columns a line covers.
qint64 columns(QByteArrayView line, CodePage::Charset charset, Mark from = {});

// The offset of the cell boundary nearest to column (the line's end past its last cell).
qsizetype offsetAt(QByteArrayView line, CodePage::Charset charset, qint64 column, Mark from = {});

// The column the cell starting at offset begins at.
qint64 columnAt(QByteArrayView line, CodePage::Charset charset, qsizetype offset, Mark from = {});

// Art is lines of at most this many columns (NFO art is 80, and up to about 140); a document's
// longer lines are prose, which scrolls or wraps and never makes a window or picture screen-wide.
inline constexpr qint64 ArtColumns = 160;

// The widest of a text's lines (ended by LF, a CR before it not counted) that are at most most
// columns wide (0 when none is): what a window must show whole to show a document's art, its
// longer lines being prose.
qint64 widestLine(QByteArrayView text, CodePage::Charset charset, qint64 most);
// The same from where its lines start, as TextDocument::lineStarts finds them.
qint64 widestLine(QByteArrayView text, CodePage::Charset charset, qint64 most,
                  const std::vector<quint32>& starts);

} // namespace Cells
