#include "PictureVector.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QIODevice>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <deque>
#include <limits>
#include <vector>

namespace {

// A rectangle of the picture in its pixels; a line may be wider than an int reaches.
struct Span {
    qint64 x, y, w, h;
};

// Numbers are most of what these files hold: formatted in place, each rectangle's at once.
char* putNumber(char* at, qint64 value) {
    return std::to_chars(at, at + 24, value).ptr;
}

// Decimals only as far as they say something; neither SVG paths nor PDF take exponents. In
// whole numbers of the last decimal, which the library's general conversion is slow at. At most
// 64 characters.
char* putReal(char* at, double value, int decimals = 4) {
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

void appendReal(QByteArray& to, double value, int decimals = 4) {
    char digits[64];
    to.append(digits, putReal(digits, value, decimals) - digits);
}

QByteArray colourHex(const QColor& colour) {
    return colour.name(QColor::HexRgb).toLatin1();
}

// What one row of cells draws: the shapes' rectangles, and the characters of its text.
// A row is walked a piece at a time, so that a line of millions of columns costs no more memory
// than a short one.
constexpr qint64 PieceColumns = 1 << 16;
// What one content stream of a PDF page holds before it is written.
constexpr qsizetype ContentBytes = 4 << 20;

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
    void clear() {
        for (Kind& kind : m_kinds)
            kind.spans.clear();
    }
    void add(const Span& span) {
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
        if (!kind->spans.empty()) {
            Span& last = kind->spans.back();
            if (span.x <= last.x + last.w && span.x + span.w >= last.x) {
                const qint64 right = std::max(last.x + last.w, span.x + span.w);
                last.x = std::min(last.x, span.x);
                last.w = right - last.x;
                return;
            }
            kind->sorted = kind->sorted && span.x > last.x;
        }
        kind->spans.push_back(span);
    }
    // Every run, merged.
    void collect(std::vector<Span>& out) {
        out.clear();
        for (Kind& kind : m_kinds) {
            if (!kind.sorted)
                merge(kind.spans);
            out.insert(out.end(), kind.spans.begin(), kind.spans.end());
        }
    }

private:
    struct Kind {
        qint64 y = 0, h = 0;
        bool sorted = true;
        std::vector<Span> spans;
    };
    static void merge(std::vector<Span>& spans) {
        std::sort(spans.begin(), spans.end(),
                  [](const Span& a, const Span& b) { return a.x < b.x; });
        size_t kept = 0;
        for (size_t i = 1; i < spans.size(); ++i) {
            Span& last = spans[kept];
            if (spans[i].x <= last.x + last.w)
                last.w = std::max(last.x + last.w, spans[i].x + spans[i].w) - last.x;
            else
                spans[++kept] = spans[i];
        }
        if (!spans.empty())
            spans.resize(kept + 1);
    }
    std::vector<Kind> m_kinds;
};

// What of a row is wanted: its fills, the shades of a level, its text.
enum Part : unsigned { Fills = 1, Shade1 = 2, Shade2 = 4, Shade3 = 8, Text = 16, All = 31 };

// The cell grid walked as the vector pictures need it.
class CellWalk {
public:
    CellWalk(const CellRenderer& renderer, CodePage::Charset charset)
        : m_renderer(renderer), m_charset(charset), m_cell(renderer.deviceCellSize()),
          m_crossing(renderer.crossingLines()) {}

    QSize cell() const { return m_cell; }

    // The shapes (and, when text is wanted, the text) of a line whose cells' tops are at top,
    // in a picture widest columns wide.
    // The piece of a line from the boundary from on, at most PieceColumns columns of it, with
    // its cells' tops at top, in a picture widest columns wide; gives the boundary after it, the
    // line's end when it was the last piece.
    ::Cells::Mark row(QByteArrayView line, ::Cells::Mark from, qint64 top, qint64 widest,
                      unsigned parts, Row& out) {
        m_fills.clear();
        for (Runs& level : m_shades)
            level.clear();
        out.firstColumn = from.column;
        out.text.clear();
        out.shaped.clear();
        const bool text = parts & Text;
        const int w = m_cell.width(), h = m_cell.height();
        ::Cells::Mark next{line.size(), 0};
        ::Cells::forEach(
            line, m_charset,
            [&](const ::Cells::Cell& c) {
                if (c.column >= from.column + PieceColumns) {
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
        if ((parts & Fills) && from.column == 0)
            for (const QRect& r : m_crossing)
                m_fills.add({0, top + r.y(), widest * w, r.height()});
        m_fills.collect(out.fills);
        for (size_t level = 1; level <= 3; ++level)
            m_shades[level].collect(out.shades[level]);
        return next;
    }

    // The widest line of the picture's rows, in columns (at least one).
    static qint64 widest(const TextDocument& document, CodePage::Charset charset, qsizetype rows) {
        qint64 widest = 1;
        for (qsizetype line = 0; line < rows; ++line)
            widest = std::max(widest, ::Cells::columns(document.line(line), charset));
        return widest;
    }

private:
    // The shape of a character once looked up, or null for one drawn as a glyph; the code page's
    // characters and the box and block ranges by index, the rest hashed.
    const CellRenderer::Shape* shapeOf(char32_t c) {
        int* const known = c < LowCharacters ? &m_low[c] : nullptr;
        int index = known ? *known : m_others.value(c, Unknown);
        if (index == Unknown) {
            CellRenderer::Shape shape;
            index = m_renderer.shapeOf(c, shape) ? int(m_shapes.size()) : Glyph;
            if (index != Glyph)
                m_shapes.push_back(std::move(shape));
            if (known)
                *known = index;
            else
                m_others.insert(c, index);
        }
        return index == Glyph ? nullptr : &m_shapes[size_t(index)];
    }

    static constexpr char32_t LowCharacters = 0x2600;
    static constexpr int Unknown = -2, Glyph = -1;
    const CellRenderer& m_renderer;
    CodePage::Charset m_charset;
    QSize m_cell;
    std::vector<QRect> m_crossing;
    std::vector<int> m_low = std::vector<int>(LowCharacters, Unknown);
    Runs m_fills;
    std::array<Runs, 4> m_shades;
    QHash<char32_t, int> m_others;
    std::deque<CellRenderer::Shape> m_shapes; // where the pointers handed out stay put
};

// The pixels each shade level sets in its two by two tile, as the pane's shades do: light one
// in four, medium every other one, dark three in four.
const std::vector<Span>& shadeTile(int level) {
    static const std::array<std::vector<Span>, 4> tiles = {std::vector<Span>{},
                                                           {{0, 0, 1, 1}},
                                                           {{0, 0, 1, 1}, {1, 1, 1, 1}},
                                                           {{0, 0, 2, 1}, {0, 1, 1, 1}}};
    return tiles[size_t(level)];
}

// Output that remembers whether every write went through.
class Output {
public:
    explicit Output(QIODevice& out) : m_out(out) {}
    void put(const QByteArray& bytes) {
        if (m_ok && m_out.write(bytes) != bytes.size())
            m_ok = false;
        m_written += bytes.size();
    }
    qint64 written() const { return m_written; }
    QString result() const {
        if (m_ok)
            return {};
        return m_out.errorString().isEmpty() ? QStringLiteral("the picture could not be written")
                                             : m_out.errorString();
    }

private:
    QIODevice& m_out;
    qint64 m_written = 0;
    bool m_ok = true;
};

// Rectangles as path data, the same in SVG and (with re) in PDF.
void appendSvgRects(QByteArray& to, const std::vector<Span>& spans) {
    for (const Span& s : spans) {
        char text[128];
        char* at = text;
        *at++ = 'M';
        at = putNumber(at, s.x);
        *at++ = ' ';
        at = putNumber(at, s.y);
        *at++ = 'h';
        at = putNumber(at, s.w);
        *at++ = 'v';
        at = putNumber(at, s.h);
        *at++ = 'h';
        at = putNumber(at, -s.w);
        *at++ = 'z';
        to.append(text, at - text);
    }
}

// A hair inside each edge: the Splash rasteriser (pdftoppm, Okular) counts a pixel as covered
// when an edge lands on its border, or a rounding error short of it, so an exact rectangle
// would spill into its neighbours there. A 2,500th of a pixel is nothing anywhere else.
constexpr double Inset = 0.0004;

void appendPdfRects(QByteArray& to, const std::vector<Span>& spans, qint64 top) {
    for (const Span& s : spans) {
        char text[4 * 64 + 8];
        char* at = putReal(text, double(s.x) + Inset);
        *at++ = ' ';
        at = putReal(at, double(s.y - top) + Inset);
        *at++ = ' ';
        at = putReal(at, double(s.w) - 2 * Inset);
        *at++ = ' ';
        at = putReal(at, double(s.h) - 2 * Inset);
        at = std::copy_n(" re\n", 4, at);
        to.append(text, at - text);
    }
}

// What XML can carry of a character: a few control characters it cannot.
char32_t xmlCharacter(char32_t c) {
    const bool valid = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                       (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    return valid ? c : char32_t(0xFFFD);
}

void appendXmlText(QByteArray& to, char32_t c) {
    c = xmlCharacter(c);
    if (c == U'&')
        to.append("&amp;");
    else if (c == U'<')
        to.append("&lt;");
    else if (c == U'>')
        to.append("&gt;");
    else if (c < 0x80)
        to.append(char(c));
    else {
        char bytes[4];
        int n = 0;
        if (c < 0x800) {
            bytes[n++] = char(0xC0 | c >> 6);
        } else {
            if (c < 0x10000) {
                bytes[n++] = char(0xE0 | c >> 12);
            } else {
                bytes[n++] = char(0xF0 | c >> 18);
                bytes[n++] = char(0x80 | (c >> 12 & 0x3F));
            }
            bytes[n++] = char(0x80 | (c >> 6 & 0x3F));
        }
        bytes[n++] = char(0x80 | (c & 0x3F));
        to.append(bytes, n);
    }
}

QByteArray xmlAttribute(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

QString writePictureSvg(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        QIODevice& device) {
    Output out(device);
    CellWalk cells(renderer, charset);
    const qsizetype rows = std::max<qsizetype>(1, CellRenderer::pictureRows(document));
    const qint64 widest = CellWalk::widest(document, charset, CellRenderer::pictureRows(document));
    const QSize cell = cells.cell();
    const qint64 width = widest * cell.width(), height = rows * cell.height();
    const QByteArray fg = colourHex(color);
    QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
    appendNumber(head, width);
    head.append("\" height=\"");
    appendNumber(head, height);
    head.append("\" viewBox=\"0 0 ");
    appendNumber(head, width);
    head.append(' ');
    appendNumber(head, height);
    head.append("\">\n<defs>\n");
    for (int level = 1; level <= 3; ++level) {
        head.append("<pattern id=\"shade" + QByteArray::number(level) +
                    "\" width=\"2\" height=\"2\" patternUnits=\"userSpaceOnUse\"><path d=\"");
        appendSvgRects(head, shadeTile(level));
        head.append("\" fill=\"" + fg + "\"/></pattern>\n");
    }
    head.append("</defs>\n<rect width=\"");
    appendNumber(head, width);
    head.append("\" height=\"");
    appendNumber(head, height);
    head.append("\" fill=\"" + colourHex(ground) + "\"/>\n");
    out.put(head);

    Row row;
    // Each piece of a row in turn.
    const auto pieces = [&](qsizetype index, unsigned parts, const auto& use) {
        const QByteArrayView text =
            index < document.lineCount() ? document.line(index) : QByteArrayView();
        ::Cells::Mark at;
        do {
            at = cells.row(text, at, index * cell.height(), widest, parts, row);
            use();
        } while (at.offset < text.size());
    };
    // One path for each colour and shade: within one path, rectangles that meet leave no seam
    // however the picture is scaled.
    std::array<bool, 4> shadeUsed{};
    for (int level = 0; level <= 3; ++level) {
        if (level > 0 && !shadeUsed[size_t(level)])
            continue;
        const QByteArray fill = level == 0 ? fg : "url(#shade" + QByteArray::number(level) + ')';
        out.put("<path fill=\"" + fill + "\" d=\"");
        QByteArray data;
        for (qsizetype index = 0; index < rows; ++index)
            pieces(index, level == 0 ? Fills | Shade1 | Shade2 | Shade3 : Shade1 << (level - 1),
                   [&] {
                       if (level == 0)
                           for (size_t l = 1; l <= 3; ++l)
                               shadeUsed[l] = shadeUsed[l] || !row.shades[l].empty();
                       appendSvgRects(data, level == 0 ? row.fills : row.shades[size_t(level)]);
                       if (data.size() > 1 << 16) {
                           out.put(data);
                           data.clear();
                       }
                   });
        data.append("\"/>\n");
        out.put(data);
    }

    // The text, a glyph a column at the column's left edge whatever the viewer's font: each
    // run of glyphs or of shapes' characters says where every one of its characters goes.
    // Renderers that take only a run's first position (librsvg) space the rest by the font's
    // advance, which the letter spacing makes the cell's.
    const QFont& font = renderer.glyphFont();
    QByteArray text =
        "<g font-family=\"'" + xmlAttribute(font.family()) + "', monospace\" font-size=\"";
    appendReal(text, QFontInfo(font).pixelSize() * renderer.devicePixelRatio());
    text.append('"');
    const double spacing =
        cell.width() - QFontMetricsF(font).horizontalAdvance(u'0') * renderer.devicePixelRatio();
    if (std::abs(spacing) > 0.001) {
        text.append(" letter-spacing=\"");
        appendReal(text, spacing);
        text.append('"');
    }
    text.append(" fill=\"" + fg + "\" xml:space=\"preserve\">\n");
    for (qsizetype index = 0; index < rows; ++index) {
        bool open = false;
        pieces(index, Text, [&] {
            if (row.text.empty())
                return;
            if (!open) {
                text.append("<text y=\"");
                appendReal(text, double(index * cell.height()) + renderer.baseline());
                text.append("\">");
                open = true;
            }
            for (size_t first = 0, end = 0; first < row.text.size(); first = end) {
                const bool hidden = row.shaped[first];
                for (end = first; end < row.text.size() && row.shaped[end] == hidden;)
                    ++end;
                text.append("<tspan x=\"");
                for (size_t column = first; column < end; ++column) {
                    if (column > first)
                        text.append(' ');
                    appendNumber(text, (row.firstColumn + qint64(column)) * cell.width());
                }
                text.append(hidden ? "\" fill-opacity=\"0\">" : "\">");
                for (size_t column = first; column < end; ++column)
                    appendXmlText(text, row.text[column]);
                text.append("</tspan>");
            }
            if (text.size() > 1 << 16) {
                out.put(text);
                text.clear();
            }
        });
        if (open)
            text.append("</text>\n");
    }
    text.append("</g>\n</svg>\n");
    out.put(text);
    return out.result();
}

namespace {

QByteArray deflated(const QByteArray& data) {
    uLongf size = compressBound(uLong(data.size()));
    QByteArray packed(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                  Z_BEST_SPEED) != Z_OK)
        return {};
    packed.truncate(qsizetype(size));
    return packed;
}

// A PDF file as it is written: numbered objects, whose places the cross-reference table lists.
class PdfFile {
public:
    explicit PdfFile(QIODevice& device) : m_out(device) {
        // The binary comment tells transfer programs the file is not text.
        m_out.put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    }
    int reserve() {
        m_places.push_back(-1);
        return int(m_places.size());
    }
    void object(int number, const QByteArray& body) {
        m_places[size_t(number - 1)] = m_out.written();
        m_out.put(QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n");
    }
    void stream(int number, const QByteArray& dictionary, const QByteArray& data) {
        const QByteArray packed = deflated(data);
        const bool ok = !packed.isEmpty() || data.isEmpty();
        const QByteArray& body = ok ? packed : data;
        object(number, "<< " + dictionary + (ok ? " /Filter /FlateDecode" : "") + " /Length " +
                           QByteArray::number(body.size()) + " >>\nstream\n" + body +
                           "\nendstream");
    }
    QString finish(int catalog, int info) {
        const qint64 table = m_out.written();
        QByteArray xref = "xref\n0 " + QByteArray::number(qsizetype(m_places.size()) + 1) +
                          "\n0000000000 65535 f \n";
        for (const qint64 place : m_places)
            xref.append(QByteArray::number(std::max<qint64>(0, place)).rightJustified(10, '0') +
                        (place < 0 ? " 00000 f \n" : " 00000 n \n"));
        xref.append("trailer\n<< /Size " + QByteArray::number(qsizetype(m_places.size()) + 1) +
                    " /Root " + QByteArray::number(catalog) + " 0 R /Info " +
                    QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(table) +
                    "\n%%EOF\n");
        m_out.put(xref);
        return m_out.result();
    }

private:
    Output m_out;
    std::vector<qint64> m_places;
};

// A text as a PDF text string: UTF-16 with its mark, in hexadecimal.
QByteArray pdfText(const QString& text) {
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex.append(QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper());
    return hex + '>';
}

// The glyphs of the document as Type 3 fonts of 256 each, drawn from the outlines the pane's
// font (or the font the toolkit falls back on for a character it lacks) has, clipped to the cell
// as the pane clips them. A shape's character and a blank have no outline: they are there for
// the text alone.
class GlyphFonts {
public:
    GlyphFonts(PdfFile& file, const CellRenderer& renderer, const CellWalk& cells)
        : m_file(file), m_renderer(renderer), m_cell(cells.cell()) {}

    struct Code {
        int font;
        uchar code;
    };
    Code codeOf(char32_t c, bool shaped) {
        const auto found = m_codes.constFind(c);
        if (found != m_codes.constEnd())
            return *found;
        if (m_fonts.empty() || m_fonts.back().characters.size() == 256)
            m_fonts.push_back({m_file.reserve(), {}, {}});
        Font& font = m_fonts.back();
        font.characters.push_back(c);
        font.outlines.push_back(shaped || CellRenderer::isBlank(c) ? QByteArray() : outline(c));
        const Code code{int(m_fonts.size() - 1), uchar(font.characters.size() - 1)};
        m_codes.insert(c, code);
        return code;
    }

    int count() const { return int(m_fonts.size()); }
    int object(int font) const { return m_fonts[size_t(font)].object; }

    void write() {
        const int w = m_cell.width(), h = m_cell.height();
        // The cell in glyph space: upwards from the baseline at its left edge.
        QByteArray cell = "0 ";
        appendReal(cell, m_renderer.baseline() - h);
        QByteArray box = cell + ' ' + QByteArray::number(w) + ' ';
        appendReal(box, m_renderer.baseline());
        cell.append(' ' + QByteArray::number(w) + ' ' + QByteArray::number(h) + " re W n\n");
        for (const Font& font : m_fonts) {
            QByteArray procs = "<<", differences = "[0", widths = "[";
            for (size_t i = 0; i < font.characters.size(); ++i) {
                const int proc = m_file.reserve();
                QByteArray glyph = QByteArray::number(w) + " 0 " + box + " d1\n";
                if (!font.outlines[i].isEmpty())
                    glyph += cell + font.outlines[i];
                m_file.stream(proc, {}, glyph);
                procs.append(" /g" + QByteArray::number(qsizetype(i)) + ' ' +
                             QByteArray::number(proc) + " 0 R");
                differences.append(" /g" + QByteArray::number(qsizetype(i)));
                widths.append(QByteArray::number(w) + ' ');
            }
            const int unicode = m_file.reserve();
            m_file.stream(unicode, {}, toUnicode(font.characters));
            m_file.object(font.object,
                          "<< /Type /Font /Subtype /Type3 /FontBBox [" + box +
                              "] /FontMatrix [1 0 0 1 0 0] /CharProcs " + procs +
                              " >> /Encoding << /Type /Encoding /Differences " + differences +
                              "] >> /FirstChar 0 /LastChar " +
                              QByteArray::number(qsizetype(font.characters.size()) - 1) +
                              " /Widths " + widths + "] /Resources << >> /ToUnicode " +
                              QByteArray::number(unicode) + " 0 R >>");
        }
    }

private:
    struct Font {
        int object;
        std::vector<char32_t> characters;
        std::vector<QByteArray> outlines;
    };

    // The glyph's outline as a PDF path in its cell, upwards from the baseline, filled.
    QByteArray outline(char32_t c) const {
        QTextLayout layout(QString::fromUcs4(&c, 1), m_renderer.glyphFont());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const qreal ratio = m_renderer.devicePixelRatio();
        QByteArray path;
        bool evenOdd = false;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            QRawFont font = run.rawFont();
            font.setPixelSize(font.pixelSize() * ratio);
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype g = 0; g < glyphs.size(); ++g) {
                const QPainterPath outline = font.pathForGlyph(glyphs[g]);
                evenOdd = evenOdd || outline.fillRule() == Qt::OddEvenFill;
                const qreal dx = positions.value(g).x() * ratio;
                const auto point = [&](const QPointF& p) {
                    appendReal(path, p.x() + dx);
                    path.append(' ');
                    appendReal(path, -p.y());
                    path.append(' ');
                };
                for (int e = 0; e < outline.elementCount(); ++e) {
                    const QPainterPath::Element element = outline.elementAt(e);
                    if (element.isMoveTo()) {
                        if (e > 0)
                            path.append("h\n");
                        point(element);
                        path.append("m\n");
                    } else if (element.isLineTo()) {
                        point(element);
                        path.append("l\n");
                    } else if (element.isCurveTo() && e + 2 < outline.elementCount()) {
                        point(element);
                        point(outline.elementAt(e + 1));
                        point(outline.elementAt(e + 2));
                        path.append("c\n");
                        e += 2;
                    }
                }
                if (outline.elementCount() > 0)
                    path.append("h\n");
            }
        }
        return path.isEmpty() ? path : path + (evenOdd ? "f*\n" : "f\n");
    }

    // The characters each code stands for, so that the text can be searched and copied.
    static QByteArray toUnicode(const std::vector<char32_t>& characters) {
        QByteArray map = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                         "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> "
                         "def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                         "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
        for (size_t first = 0; first < characters.size(); first += 100) {
            const size_t count = std::min<size_t>(100, characters.size() - first);
            map.append(QByteArray::number(qsizetype(count)) + " beginbfchar\n");
            for (size_t i = first; i < first + count; ++i) {
                map.append('<' + QByteArray::number(qsizetype(i), 16).rightJustified(2, '0') +
                           "> <");
                const char32_t c = characters[i];
                for (const QChar unit : QString::fromUcs4(&c, 1))
                    map.append(QByteArray::number(unit.unicode(), 16).rightJustified(4, '0'));
                map.append(">\n");
            }
            map.append("endbfchar\n");
        }
        return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    }

    PdfFile& m_file;
    const CellRenderer& m_renderer;
    QSize m_cell;
    std::vector<Font> m_fonts;
    QHash<char32_t, Code> m_codes;
};

// The runs of one shade level on a page, and the pattern drawn through them: the pixels a
// level sets are those of its tile's rows crossed with its columns, so each part of the tile is
// drawn as its columns clipped to its rows, on the picture's own pixel grid. (A tiling pattern
// would say the same in fewer bytes, but renderers smooth a tile this small.)
class Shades {
public:
    void add(const std::vector<Span>& spans, qint64 pageTop) {
        appendPdfRects(m_runs, spans, pageTop);
        for (const Span& s : spans) {
            m_across.push_back({s.x, 0, s.w, 0});
            m_left = std::min(m_left, s.x);
            m_right = std::max(m_right, s.x + s.w);
            m_top = std::min(m_top, s.y - pageTop);
            m_bottom = std::max(m_bottom, s.y - pageTop + s.h);
        }
    }
    qsizetype size() const { return m_runs.size(); }
    void draw(QByteArray& content, int level, qint64 pageTop) {
        if (m_runs.isEmpty())
            return;
        // The columns only where some run is: a few shaded cells on a wide page cost a few
        // stripes.
        std::sort(m_across.begin(), m_across.end(),
                  [](const Span& a, const Span& b) { return a.x < b.x; });
        std::vector<Span> across;
        for (const Span& s : m_across)
            if (!across.empty() && s.x <= across.back().x + across.back().w)
                across.back().w = std::max(across.back().w, s.x + s.w - across.back().x);
            else
                across.push_back(s);
        content.append("q\n" + m_runs + "W n\n");
        std::vector<Span> stripes;
        for (const Span& part : shadeTile(level)) {
            content.append("q\n");
            stripes.clear();
            for (qint64 y = m_top + ((m_top + pageTop + part.y) & 1); y < m_bottom; y += 2)
                stripes.push_back({m_left, y, m_right - m_left, 1});
            appendPdfRects(content, stripes, 0);
            content.append("W n\n");
            stripes.clear();
            for (const Span& span : across)
                if (part.w == 2)
                    stripes.push_back({span.x, m_top, span.w, m_bottom - m_top});
                else
                    for (qint64 x = span.x + ((span.x + part.x) & 1); x < span.x + span.w; x += 2)
                        stripes.push_back({x, m_top, 1, m_bottom - m_top});
            appendPdfRects(content, stripes, 0);
            content.append("f\nQ\n");
        }
        content.append("Q\n");
    }

private:
    QByteArray m_runs;
    std::vector<Span> m_across; // the runs' columns
    qint64 m_left = std::numeric_limits<qint64>::max(), m_right = 0;
    qint64 m_top = std::numeric_limits<qint64>::max(), m_bottom = 0;
};

QByteArray pdfColour(const QColor& colour) {
    QByteArray text;
    for (const float part : {colour.redF(), colour.greenF(), colour.blueF()}) {
        appendReal(text, part);
        text.append(' ');
    }
    return text + "rg\n";
}

} // namespace

QString writePicturePdf(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        Paper paper, const QString& title, QIODevice& device) {
    PdfFile file(device);
    CellWalk cells(renderer, charset);
    const qsizetype rows = std::max<qsizetype>(1, CellRenderer::pictureRows(document));
    const qint64 widest = CellWalk::widest(document, charset, CellRenderer::pictureRows(document));
    const QSize cell = cells.cell();
    const qint64 width = widest * cell.width();

    // A cell is as large as on a 96 dpi screen whatever the scale, which makes the pixel grid
    // finer: a pixel is 1/(96 x scale) inch, or 1/d inch for the whole d that keeps the picture
    // (and one row) within the margins. Rendered at that many dots an inch, a pixel is a pixel.
    // A third of an inch keeps 80 columns of nine-pixel cells on A4.
    const double paperWidth = paper == Paper::A4 ? 595.276 : 612,
                 paperHeight = paper == Paper::A4 ? 841.89 : 792, margin = 24;
    const double dotsPerInch =
        std::max({96.0 * renderer.devicePixelRatio(),
                  std::ceil(72.0 * double(width) / (paperWidth - 2 * margin)),
                  std::ceil(72.0 * cell.height() / (paperHeight - 2 * margin))});
    const double pixel = 72.0 / dotsPerInch;
    const qsizetype rowsPerPage = std::max<qsizetype>(
        1, qsizetype(std::floor((paperHeight - 2 * margin) / (cell.height() * pixel))));
    // On whole pixels of that rendering, so that cells meet the pixel grid.
    const double left =
        std::max(0.0, std::floor((paperWidth - double(width) * pixel) / 2 / pixel)) * pixel;
    const double top = paperHeight - std::ceil(margin / pixel) * pixel;
    QByteArray placement;
    appendReal(placement, pixel, 10);
    placement.append(" 0 0 ");
    appendReal(placement, -pixel, 10);
    placement.append(' ');
    appendReal(placement, left, 6);
    placement.append(' ');

    const int catalog = file.reserve(), pages = file.reserve(), info = file.reserve();
    GlyphFonts fonts(file, renderer, cells);
    const QByteArray fg = pdfColour(color);
    const QByteArray paperBox = "[0 0 " + QByteArray::number(paperWidth, 'f', 3) + ' ' +
                                QByteArray::number(paperHeight, 'f', 3) + ']';
    std::vector<int> kids;
    Row row;
    for (qsizetype first = 0; first < rows; first += rowsPerPage) {
        const qsizetype last = std::min(rows, first + rowsPerPage);
        const qint64 pageTop = first * cell.height();
        // The page's rows: the shapes as one fill of all rectangles of a colour, so that none
        // shows a seam, then the text. A page of lines too wide for one piece goes out as
        // several content streams, each drawn on the last.
        std::vector<int> contents;
        QByteArray fills;
        std::array<Shades, 4> shades;
        QByteArray text;
        int font = -1;
        int mode = -1;
        const auto put = [&] {
            QByteArray content = "q\n" + placement;
            appendReal(content, top, 6);
            content.append(" cm\n");
            if (contents.empty()) {
                content.append(pdfColour(ground) + "0 0 ");
                appendNumber(content, width);
                content.append(' ');
                appendNumber(content, (last - first) * cell.height());
                content.append(" re f\n");
            }
            content.append(fg);
            if (!fills.isEmpty())
                content.append(fills + "f\n");
            for (int level = 1; level <= 3; ++level)
                shades[size_t(level)].draw(content, level, pageTop);
            content.append(fg + "BT\n" + text + "ET\nQ\n");
            contents.push_back(file.reserve());
            file.stream(contents.back(), {}, content);
            fills.clear();
            shades = {};
            text.clear();
            font = mode = -1;
        };
        for (qsizetype index = first; index < last; ++index) {
            const QByteArrayView line =
                index < document.lineCount() ? document.line(index) : QByteArrayView();
            ::Cells::Mark at;
            do {
                at = cells.row(line, at, index * cell.height(), widest, All, row);
                appendPdfRects(fills, row.fills, pageTop);
                for (int level = 1; level <= 3; ++level)
                    shades[size_t(level)].add(row.shades[size_t(level)], pageTop);
                if (!row.text.empty()) {
                    text.append("1 0 0 -1 ");
                    appendNumber(text, row.firstColumn * cell.width());
                    text.append(' ');
                    appendReal(text, double((index - first) * cell.height()) + renderer.baseline());
                    text.append(" Tm\n");
                    QByteArray codes;
                    const auto flush = [&] {
                        if (!codes.isEmpty())
                            text.append('<' + codes + "> Tj\n");
                        codes.clear();
                    };
                    for (size_t column = 0; column < row.text.size(); ++column) {
                        const GlyphFonts::Code code =
                            fonts.codeOf(row.text[column], row.shaped[column]);
                        // A shape's character is there to be found and copied; the rectangles
                        // show it.
                        const int wanted = row.shaped[column] ? 3 : 0;
                        if (code.font != font || wanted != mode) {
                            flush();
                            if (code.font != font)
                                text.append("/F" + QByteArray::number(code.font) + " 1 Tf\n");
                            if (wanted != mode)
                                text.append(QByteArray::number(wanted) + " Tr\n");
                            font = code.font;
                            mode = wanted;
                        }
                        const char hex[] = "0123456789abcdef";
                        codes.append(hex[code.code >> 4]).append(hex[code.code & 15]);
                    }
                    flush();
                }
                if (fills.size() + text.size() + shades[1].size() + shades[2].size() +
                        shades[3].size() >
                    ContentBytes)
                    put();
            } while (at.offset < line.size());
        }
        if (contents.empty() || !fills.isEmpty() || !text.isEmpty() || shades[1].size() ||
            shades[2].size() || shades[3].size())
            put();
        QByteArray resources = "<< /Font <<";
        for (int f = 0; f < fonts.count(); ++f)
            resources.append(" /F" + QByteArray::number(f) + ' ' +
                             QByteArray::number(fonts.object(f)) + " 0 R");
        resources.append(" >> >>");
        QByteArray streams = "[";
        for (const int stream : contents)
            streams.append(QByteArray::number(stream) + " 0 R ");
        const int page = file.reserve();
        file.object(page, "<< /Type /Page /Parent " + QByteArray::number(pages) +
                              " 0 R /MediaBox " + paperBox + " /Resources " + resources +
                              " /Contents " + streams + "] >>");
        kids.push_back(page);
    }
    fonts.write();
    QByteArray list;
    for (const int kid : kids)
        list.append(QByteArray::number(kid) + " 0 R ");
    file.object(pages, "<< /Type /Pages /Kids [" + list + "] /Count " +
                           QByteArray::number(qsizetype(kids.size())) + " >>");
    file.object(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
    file.object(info, "<< /Title " + pdfText(title) + " /Producer (zelvan-rid-tool) >>");
    return file.finish(catalog, info);
}
