#include "VectorCells.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace VectorCells {

char* putNumber(char* at, qint64 value) {
    return std::to_chars(at, at + 24, value).ptr;
}

// In whole numbers of the last decimal, which the library's general conversion is slow at.
char* putReal(char* at, double value, int decimals) {
    qint64 unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    if (!(std::abs(value) * double(unit) < 9e18)) // beyond any picture: whole units
        return putNumber(at, qint64(std::clamp(value, -9e18, 9e18)));
    qint64 scaled = std::llround(value * double(unit));
    if (scaled < 0) {
        *at++ = '-';
        scaled = -scaled;
    }
    at = putNumber(at, scaled / unit);
    qint64 fraction = scaled % unit;
    if (fraction == 0)
        return at;
    int places = decimals;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    *at++ = '.';
    for (int i = places - 1; i >= 0; --i, fraction /= 10)
        at[i] = char('0' + fraction % 10);
    return at + places;
}

void appendNumber(QByteArray& to, qint64 value) {
    char digits[24];
    to.append(digits, putNumber(digits, value) - digits);
}

void appendReal(QByteArray& to, double value, int decimals) {
    char digits[64];
    to.append(digits, putReal(digits, value, decimals) - digits);
}

namespace {

// Widens a to take in b where the two touch or overlap along the row; false where they lie apart.
bool join(Span& a, const Span& b) {
    if (b.x > a.x + a.w || b.x + b.w < a.x)
        return false;
    const qint64 right = std::max(a.x + a.w, b.x + b.w);
    a.x = std::min(a.x, b.x);
    a.w = right - a.x;
    return true;
}

} // namespace

void Runs::clear() {
    for (Kind& kind : m_kinds)
        kind.spans.clear();
}

void Runs::add(const Span& span) {
    Kind* kind = nullptr;
    for (Kind& k : m_kinds)
        if (k.y == span.y && k.h == span.h)
            kind = &k;
    if (!kind) {
        // A kind left empty by clear() takes the new one's place.
        for (Kind& k : m_kinds)
            if (k.spans.empty())
                kind = &k;
        if (!kind)
            kind = &m_kinds.emplace_back();
        kind->y = span.y;
        kind->h = span.h;
        kind->sorted = true;
    }
    std::vector<Span>& spans = kind->spans;
    if (!spans.empty() && join(spans.back(), span)) {
        // A cell's shape may come right to left (a line's right arm before its left one), so
        // the run grown leftwards can reach the one before it: they become one.
        while (spans.size() > 1 && join(spans[spans.size() - 2], spans.back()))
            spans.pop_back();
        return;
    }
    if (!spans.empty())
        kind->sorted = kind->sorted && span.x > spans.back().x;
    spans.push_back(span);
}

void Runs::collect(std::vector<Span>& out) {
    out.clear();
    for (Kind& kind : m_kinds) {
        std::vector<Span>& spans = kind.spans;
        if (!kind.sorted && !spans.empty()) {
            std::sort(spans.begin(), spans.end(),
                      [](const Span& a, const Span& b) { return a.x < b.x; });
            size_t kept = 0;
            for (size_t i = 1; i < spans.size(); ++i)
                if (!join(spans[kept], spans[i]))
                    spans[++kept] = spans[i];
            spans.resize(kept + 1);
        }
        out.insert(out.end(), spans.begin(), spans.end());
    }
}

CellWalk::CellWalk(const TextDocument& document, const CellRenderer& renderer,
                   CodePage::Charset charset)
    : m_document(document), m_renderer(renderer), m_charset(charset),
      m_cell(renderer.deviceCellSize()), m_crossing(renderer.crossingLines()),
      m_rows(std::max<qsizetype>(1, CellRenderer::pictureRows(document))) {
    for (qsizetype line = 0; line < CellRenderer::pictureRows(document); ++line)
        m_widest = std::max(m_widest, Cells::columns(document.line(line), charset));
}

Cells::Mark CellWalk::piece(QByteArrayView line, Cells::Mark from, qint64 top, unsigned parts,
                            Row& out, qint64 end) {
    const qint64 limit =
        end < 0 ? from.column + PieceColumns : std::min(end, from.column + PieceColumns);
    m_fills.clear();
    for (Runs& level : m_shades)
        level.clear();
    out.firstColumn = from.column;
    out.text.clear();
    out.shaped.clear();
    const bool text = parts & Text;
    const int w = m_cell.width(), h = m_cell.height();
    Cells::Mark next{line.size(), 0};
    Cells::forEach(
        line, m_charset,
        [&](const Cells::Cell& c) {
            if (c.column >= limit) {
                next = {c.offset, c.column};
                return false;
            }
            const CellRenderer::Shape* shape = shapeOf(c.glyph);
            for (qint64 column = c.column; column < c.column + c.width; ++column) {
                if (text && !(CellRenderer::isBlank(c.glyph) || c.width > 1)) {
                    const size_t at = size_t(column - from.column);
                    out.text.resize(at + 1, U' ');
                    out.shaped.resize(at + 1, false);
                    out.text[at] = c.glyph;
                    out.shaped[at] = shape != nullptr;
                }
                if (!shape)
                    continue;
                const qint64 x = column * w;
                if (parts & Fills)
                    for (const QRect& r : shape->fills)
                        m_fills.add({x + r.x(), top + r.y(), r.width(), r.height()});
                if (shape->shade && (parts & (Shade1 << (shape->shade - 1))))
                    m_shades[size_t(shape->shade)].add({x, top, m_renderer.glyphWidth(), h});
            }
            return true;
        },
        from);
    // The underline and strike-out run across the whole picture, past each line's end.
    if ((parts & Fills) && (end >= 0 || from.column == 0))
        for (const QRect& r : m_crossing)
            m_fills.add(end < 0 ? Span{0, top + r.y(), m_widest * w, r.height()}
                                : Span{from.column * w, top + r.y(), (limit - from.column) * w,
                                       r.height()});
    m_fills.collect(out.fills);
    for (size_t level = 1; level <= 3; ++level)
        m_shades[level].collect(out.shades[level]);
    return next;
}

void CellWalk::addColoured(qsizetype index, const CellColours& colours, const QColor& text,
                           const QColor& ground, ColouredShapes& out) {
    const QByteArrayView line = lineOf(index);
    const qsizetype start = index < m_document.lineCount() ? m_document.lineStart(index) : 0;
    const std::vector<CellRenderer::ColourRun> runs =
        CellRenderer::colourRuns(colours, line, start, m_charset, 0, m_widest, text, ground);
    const qint64 top = index * m_cell.height();
    const QRgb own = ground.rgb();
    for (size_t r = 0; r < runs.size(); ++r) {
        const qint64 first = runs[r].column;
        const qint64 end = r + 1 < runs.size() ? runs[r + 1].column : m_widest;
        if (first >= end)
            continue;
        const QRgb ink = runs[r].ink.rgb(), paper = runs[r].paper.rgb();
        if (paper != own) {
            out.grounds[paper].push_back(
                {first * m_cell.width(), top, (end - first) * m_cell.width(), m_cell.height()});
            ++out.spans;
        }
        // The run's cells, walked from where it starts.
        const qsizetype offset = Cells::offsetAt(line, m_charset, first);
        Cells::Mark at{offset, Cells::columnAt(line, m_charset, offset)};
        do {
            at = piece(line, at, top, Fills | Shade1 | Shade2 | Shade3, m_row, end);
            std::vector<Span>& fills = out.fills[ink];
            fills.insert(fills.end(), m_row.fills.begin(), m_row.fills.end());
            out.spans += qsizetype(m_row.fills.size());
            for (int level = 1; level <= 3; ++level) {
                const std::vector<Span>& shade = m_row.shades[size_t(level)];
                if (shade.empty())
                    continue;
                std::vector<Span>& to = out.shades[{ink, level}];
                to.insert(to.end(), shade.begin(), shade.end());
                out.spans += qsizetype(shade.size());
            }
        } while (at.offset < line.size() && at.column < end);
    }
}

// The shape of a character once looked up, or null for one drawn as a glyph.
const CellRenderer::Shape* CellWalk::shapeOf(char32_t c) {
    const int index = m_shapeIndex.get(c, [&] {
        CellRenderer::Shape shape;
        if (!m_renderer.shapeOf(c, shape))
            return Glyph;
        m_shapes.push_back(std::move(shape));
        return int(m_shapes.size()) - 1;
    });
    return index == Glyph ? nullptr : &m_shapes[size_t(index)];
}

const std::vector<Span>& shadeTile(int level) {
    static const std::array<std::vector<Span>, 4> tiles = {std::vector<Span>{},
                                                           {{0, 0, 1, 1}},
                                                           {{0, 0, 1, 1}, {1, 1, 1, 1}},
                                                           {{0, 0, 2, 1}, {0, 1, 1, 1}}};
    return tiles[size_t(level)];
}

} // namespace VectorCells
