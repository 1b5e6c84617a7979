#include "PicturePdf.h"

#include "PictureOutput.h"
#include "VectorCells.h"

#include <QGlyphRun>
#include <QHash>
#include <QIODevice>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

using namespace VectorCells;

namespace {

// What one content stream of a PDF page holds before it is written.
constexpr qsizetype ContentBytes = 4 << 20;

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

// A PDF file as it is written: numbered objects, whose places the cross-reference table lists.
class PdfFile {
public:
    explicit PdfFile(QIODevice& device) : m_out(device) {
        // The binary comment tells transfer programs the file is not text.
        m_out.put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
        // One compressor for every stream: a fresh one a stream costs more than its data.
        m_zipReady = deflateInit(&m_zip, Z_BEST_SPEED) == Z_OK;
    }
    ~PdfFile() {
        if (m_zipReady)
            deflateEnd(&m_zip);
    }
    PdfFile(const PdfFile&) = delete;
    PdfFile& operator=(const PdfFile&) = delete;

    int reserve() {
        m_places.push_back(-1);
        return int(m_places.size());
    }
    void object(int number, const QByteArray& body) {
        m_places[size_t(number - 1)] = m_out.written();
        m_out.put(QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n");
    }
    // A stream of the pieces' bytes one after another.
    void stream(int number, const QByteArray& dictionary, std::span<const QByteArrayView> pieces) {
        const bool packed = deflated(pieces);
        m_places[size_t(number - 1)] = m_out.written();
        qsizetype size = 0;
        for (const QByteArrayView piece : pieces)
            size += piece.size();
        m_out.put(QByteArray::number(number) + " 0 obj\n<< " + dictionary +
                  (packed ? " /Filter /FlateDecode" : "") + " /Length " +
                  QByteArray::number(packed ? m_packed.size() : size) + " >>\nstream\n");
        if (packed)
            m_out.put(m_packed);
        else
            for (const QByteArrayView piece : pieces)
                m_out.put(piece.data(), piece.size());
        m_out.put("\nendstream\nendobj\n");
    }
    void stream(int number, const QByteArray& dictionary, QByteArrayView data) {
        stream(number, dictionary, std::span<const QByteArrayView>(&data, 1));
    }
    // Whether every write so far went through.
    bool ok() const { return m_out.ok(); }
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
    // The data deflated into m_packed; false when it could not be.
    bool deflated(std::span<const QByteArrayView> pieces) {
        if (!m_zipReady || deflateReset(&m_zip) != Z_OK)
            return false;
        qsizetype size = 0;
        for (const QByteArrayView piece : pieces)
            size += piece.size();
        m_packed.resize(qsizetype(deflateBound(&m_zip, uLong(size))));
        m_zip.next_out = reinterpret_cast<Bytef*>(m_packed.data());
        m_zip.avail_out = uInt(m_packed.size());
        for (size_t i = 0; i < pieces.size(); ++i) {
            m_zip.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pieces[i].data()));
            m_zip.avail_in = uInt(pieces[i].size());
            const bool last = i + 1 == pieces.size();
            const int result = deflate(&m_zip, last ? Z_FINISH : Z_NO_FLUSH);
            if (last ? result != Z_STREAM_END : result != Z_OK && result != Z_BUF_ERROR)
                return false;
        }
        m_packed.resize(m_packed.size() - qsizetype(m_zip.avail_out));
        return !pieces.empty();
    }

    PictureOutput m_out;
    std::vector<qint64> m_places;
    z_stream m_zip{};
    bool m_zipReady = false;
    QByteArray m_packed; // kept between streams, as its room is
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
        const int w = m_cell.width();
        // The cell in glyph space: upwards from the baseline at its left edge, in the font's own
        // height (the text matrix stretches it to tall pixels). A glyph is clipped to the
        // columns the pane draws glyphs in (a nine-pixel cell leaves its last one blank).
        const double stretch = m_renderer.verticalStretch();
        const double h = m_cell.height() / stretch, baseline = m_renderer.baseline() / stretch;
        QByteArray cell = "0 ";
        appendReal(cell, baseline - h);
        QByteArray box = cell + ' ' + QByteArray::number(w) + ' ';
        appendReal(box, baseline);
        cell.append(' ' + QByteArray::number(m_renderer.glyphWidth()) + ' ');
        appendReal(cell, h);
        cell.append(" re W n\n");
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
    void clear() {
        m_runs.resize(0);
        m_across.clear();
        m_left = m_top = std::numeric_limits<qint64>::max();
        m_right = m_bottom = 0;
    }
    // Draws into content, handing it to spill whenever it has grown past a stream's worth: the
    // stripes of a line millions of pixels wide go out as they are made.
    template <typename Spill>
    void draw(QByteArray& content, int level, qint64 pageTop, const Spill& spill) {
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
        const auto put = [&] {
            appendPdfRects(content, stripes, 0);
            stripes.clear();
            if (content.size() > ContentBytes)
                spill();
        };
        for (const Span& part : shadeTile(level)) {
            content.append("q\n");
            for (qint64 y = m_top + ((m_top + pageTop + part.y) & 1); y < m_bottom; y += 2)
                stripes.push_back({m_left, y, m_right - m_left, 1});
            put();
            content.append("W n\n");
            for (const Span& span : across) {
                if (part.w == 2)
                    stripes.push_back({span.x, m_top, span.w, m_bottom - m_top});
                else
                    for (qint64 x = span.x + ((span.x + part.x) & 1); x < span.x + span.w; x += 2)
                        stripes.push_back({x, m_top, 1, m_bottom - m_top});
                if (stripes.size() > 4096)
                    put();
            }
            put();
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
                        Paper paper, const QString& title, QIODevice& device,
                        const CellColours& colours) {
    PdfFile file(device);
    CellWalk cells(document, renderer, charset);
    const qsizetype rows = cells.rows();
    const QSize cell = cells.cell();
    const qint64 width = cells.widest() * cell.width();

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
    // A page's parts as its rows add to them, kept from page to page with their room.
    QByteArray head, fills, shading, text;
    std::array<Shades, 4> shades;
    // Coloured art's shapes by colour, and the ink its text is in.
    const bool coloured = !colours.isEmpty();
    ColouredShapes shapes;
    Shades colouredShade;
    std::vector<CellRenderer::ColourRun> runs;
    const QRgb ownInk = color.rgb();
    QRgb textInk = ownInk;
    // Glyphs stretched to tall pixels.
    QByteArray stretchText;
    appendReal(stretchText, renderer.verticalStretch(), 6);
    std::vector<QByteArrayView> pieces;
    // Page by page while the output takes them: a full disk ends the picture there.
    for (qsizetype first = 0; first < rows && file.ok(); first += rowsPerPage) {
        const qsizetype last = std::min(rows, first + rowsPerPage);
        const qint64 pageTop = first * cell.height();
        // The page's rows: the shapes as one fill of all rectangles of a colour, so that none
        // shows a seam, then the text. A page of lines too wide for one piece goes out as
        // several content streams, each drawn on the last.
        std::vector<int> contents;
        int font = -1;
        int mode = -1;
        // The content streams of a page are read as one: one may end anywhere between two
        // operators, and what it set up holds on in the next. Each is deflated from the pieces
        // as they lie, not from a copy of them put together.
        const auto stream = [&] {
            contents.push_back(file.reserve());
            file.stream(contents.back(), {}, pieces);
            pieces.clear();
            shading.resize(0);
        };
        const auto put = [&] {
            head = "q\n" + placement;
            appendReal(head, top, 6);
            head.append(" cm\n");
            if (contents.empty()) {
                head.append(pdfColour(ground) + "0 0 ");
                appendNumber(head, width);
                head.append(' ');
                appendNumber(head, (last - first) * cell.height());
                head.append(" re f\n");
            }
            head.append(fg);
            if (coloured) {
                // Each ground, then each ink's shapes and shades, one fill a colour.
                for (const auto* part : {&shapes.grounds, &shapes.fills})
                    for (const auto& [rgb, spans] : *part) {
                        fills.append(pdfColour(QColor(rgb)));
                        appendPdfRects(fills, spans, pageTop);
                        fills.append("f\n");
                    }
                pieces = {head, fills};
                for (const auto& [key, spans] : shapes.shades) {
                    colouredShade.clear();
                    colouredShade.add(spans, pageTop);
                    shading.append(pdfColour(QColor(key.first)));
                    colouredShade.draw(shading, key.second, pageTop, [&] {
                        pieces.push_back(shading);
                        stream();
                    });
                }
                shapes.clear();
                pieces.insert(pieces.end(), {shading, fg, "BT\n", text, "ET\nQ\n"});
                stream();
                fills.resize(0);
                text.resize(0);
                font = mode = -1;
                textInk = ownInk;
                return;
            }
            pieces = {head, fills, fills.isEmpty() ? "" : "f\n"};
            for (int level = 1; level <= 3; ++level)
                shades[size_t(level)].draw(shading, level, pageTop, [&] {
                    pieces.push_back(shading);
                    stream();
                });
            pieces.insert(pieces.end(), {shading, fg, "BT\n", text, "ET\nQ\n"});
            stream();
            fills.resize(0);
            for (Shades& level : shades)
                level.clear();
            text.resize(0);
            font = mode = -1;
        };
        for (qsizetype index = first; index < last; ++index) {
            size_t run = 0;
            if (coloured) {
                cells.addColoured(index, colours, color, ground, shapes);
                if (index < document.lineCount())
                    runs = CellRenderer::colourRuns(colours, document.line(index),
                                                    document.lineStart(index), charset, 0,
                                                    cells.widest(), color, ground);
            }
            cells.forEachPiece(index, coloured ? Text : All, [&](const Row& row) {
                appendPdfRects(fills, row.fills, pageTop);
                for (int level = 1; level <= 3; ++level)
                    shades[size_t(level)].add(row.shades[size_t(level)], pageTop);
                if (!row.text.empty()) {
                    text.append("1 0 0 -" + stretchText + ' ');
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
                        if (coloured && !row.shaped[column]) {
                            const qint64 at = row.firstColumn + qint64(column);
                            while (run + 1 < runs.size() && runs[run + 1].column <= at)
                                ++run;
                            const QRgb ink = runs.empty() ? ownInk : runs[run].ink.rgb();
                            if (ink != textInk) {
                                flush();
                                text.append(pdfColour(QColor(ink)));
                                textInk = ink;
                            }
                        }
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
                        shades[3].size() + shapes.spans * 32 >
                    ContentBytes)
                    put();
            });
        }
        if (contents.empty() || !fills.isEmpty() || !text.isEmpty() || shades[1].size() ||
            shades[2].size() || shades[3].size() || shapes.spans > 0)
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
