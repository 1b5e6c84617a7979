#pragma once

#include "CellRenderer.h"
#include "CharacterMap.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <QByteArray>
#include <QSize>

#include <QRgb>

#include <array>
#include <deque>
#include <map>
#include <utility>
#include <vector>

// The cell grid walked as the vector pictures (SVG and PDF) need it: each row's block, shade and
// box-drawing characters as rectangles merged along the row, and its characters for the text;
// and the numbers these files are mostly made of.
namespace VectorCells {

// A rectangle of the picture in its pixels; a line may be wider than an int reaches.
struct Span {
    qint64 x, y, w, h;
};

// Numbers formatted in place, each rectangle's at once. Decimals only as far as they say
// something; neither SVG paths nor PDF take exponents. putReal writes at most 64 characters.
char* putNumber(char* at, qint64 value);
char* putReal(char* at, double value, int decimals = 4);
void appendNumber(QByteArray& to, qint64 value);
void appendReal(QByteArray& to, double value, int decimals = 4);

// A row is walked a piece of at most this many columns at a time, so that a line of millions of
// columns costs no more memory than a short one.
constexpr qint64 PieceColumns = 1 << 16;

// What one piece of a row draws: the shapes' rectangles, and the characters of its text.
struct Row {
    std::vector<Span> fills;
    std::array<std::vector<Span>, 4> shades; // by level, 1 to 3
    // From the piece's first column, one character a column up to the last that is not blank (a
    // tab's columns are blanks), and whether it is a shape's, which the rectangles show and the
    // text only holds.
    qint64 firstColumn = 0;
    std::vector<char32_t> text;
    std::vector<bool> shaped;
};

// Rectangles of one height on one top that touch or overlap along the row become one. They come
// mostly from left to right, so each joins the last of its kind; only the few that do not are
// sorted.
class Runs {
public:
    void clear();
    void add(const Span& span);
    // Every run, merged.
    void collect(std::vector<Span>& out);

private:
    struct Kind {
        qint64 y = 0, h = 0;
        bool sorted = true;
        std::vector<Span> spans;
    };
    std::vector<Kind> m_kinds;
};

// What of a row is wanted: its fills, the shades of a level, its text.
enum Part : unsigned { Fills = 1, Shade1 = 2, Shade2 = 4, Shade3 = 8, Text = 16, All = 31 };

// What a stretch of rows of coloured art draws, by colour: the grounds other than the picture's
// own, and each ink's shapes and shades (by level), every colour one path so that no seam shows
// between its rectangles.
struct ColouredShapes {
    std::map<QRgb, std::vector<Span>> grounds, fills;
    std::map<std::pair<QRgb, int>, std::vector<Span>> shades;
    qsizetype spans = 0; // how many they hold in all
    void clear() {
        grounds.clear();
        fills.clear();
        shades.clear();
        spans = 0;
    }
};

// A document's picture rows walked as the vector pictures need them.
class CellWalk {
public:
    CellWalk(const TextDocument& document, const CellRenderer& renderer, CodePage::Charset charset);

    QSize cell() const { return m_cell; }
    // The picture's rows (at least one) and its widest row in columns (at least one).
    qsizetype rows() const { return m_rows; }
    qint64 widest() const { return m_widest; }

    // Calls use(row) for each piece of the picture's row at index, at most PieceColumns columns
    // of it, with what of it the parts ask for.
    template <typename Use> void forEachPiece(qsizetype index, unsigned parts, Use&& use) {
        const QByteArrayView line = lineOf(index);
        Cells::Mark at;
        do {
            at = piece(line, at, index * m_cell.height(), parts, m_row);
            use(std::as_const(m_row));
        } while (at.offset < line.size());
    }

    // The row's shapes and grounds in the colours art gives its cells (the document's own being
    // text and ground), added to out.
    void addColoured(qsizetype index, const CellColours& colours, const QColor& text,
                     const QColor& ground, ColouredShapes& out);

private:
    QByteArrayView lineOf(qsizetype index) const {
        return index < m_document.lineCount() ? m_document.line(index) : QByteArrayView();
    }
    // The piece of a line from the boundary from on, up to the column end at most, with its
    // cells' tops at top; gives the boundary after it, the line's end when it was the last
    // piece. The underline and strike-out cross the piece where it ends at end, else the whole
    // picture.
    Cells::Mark piece(QByteArrayView line, Cells::Mark from, qint64 top, unsigned parts, Row& out,
                      qint64 end = -1);
    const CellRenderer::Shape* shapeOf(char32_t c);

    static constexpr int Unknown = -2, Glyph = -1;
    const TextDocument& m_document;
    const CellRenderer& m_renderer;
    CodePage::Charset m_charset;
    QSize m_cell;
    std::vector<QRect> m_crossing;
    qsizetype m_rows;
    qint64 m_widest = 1;
    Row m_row;
    Runs m_fills;
    std::array<Runs, 4> m_shades;
    CharacterMap<int, Unknown> m_shapeIndex;  // in m_shapes, or Glyph
    std::deque<CellRenderer::Shape> m_shapes; // where the pointers handed out stay put
};

// The pixels each shade level sets in its two by two tile, as the pane's shades do: light one
// in four, medium every other one, dark three in four.
const std::vector<Span>& shadeTile(int level);

} // namespace VectorCells
