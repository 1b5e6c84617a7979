#include "PictureSvg.h"

#include "CharacterMap.h"
#include "PictureOutput.h"
#include "VectorCells.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QIODevice>

#include <cmath>
#include <set>
#include <vector>

using namespace VectorCells;

namespace {

QByteArray colourHex(const QColor& colour) {
    return colour.name(QColor::HexRgb).toLatin1();
}

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

// Glyphs wider than their cell (a wide East Asian character, an emoji from a fallback font): the
// pane clips them to the cell, so the SVG draws each as a clipped copy of one definition of it,
// and keeps the character among the invisible text, to be found and copied there.
class WideGlyphs {
public:
    explicit WideGlyphs(const CellRenderer& renderer)
        : m_metrics(renderer.glyphFont()), m_ratio(renderer.devicePixelRatio()),
          m_width(renderer.glyphWidth()) {}

    bool wide(char32_t c) {
        return m_wide.get(c, [&] {
            const bool wide =
                m_metrics.horizontalAdvance(QString::fromUcs4(&c, 1)) * m_ratio > m_width + 0.5;
            if (wide)
                m_used.push_back(c);
            return qint8(wide);
        }) != 0;
    }

    static void appendId(QByteArray& to, char32_t c) {
        to.append("w" + QByteArray::number(uint(c), 16));
    }

    // The definitions the copies refer to: each glyph clipped to the columns a glyph is drawn in.
    QByteArray definitions(qreal baseline, qreal cellHeight) const {
        if (m_used.empty())
            return {};
        QByteArray defs = "<defs>\n<clipPath id=\"glyph\"><rect width=\"";
        appendNumber(defs, m_width);
        defs.append("\" height=\"");
        appendReal(defs, cellHeight);
        defs.append("\"/></clipPath>\n");
        for (const char32_t c : m_used) {
            defs.append("<text id=\"");
            appendId(defs, c);
            defs.append("\" y=\"");
            appendReal(defs, baseline);
            defs.append("\" clip-path=\"url(#glyph)\">");
            appendXmlText(defs, c);
            defs.append("</text>\n");
        }
        return defs + "</defs>\n";
    }

private:
    QFontMetricsF m_metrics;
    qreal m_ratio;
    int m_width;
    CharacterMap<qint8> m_wide;
    std::vector<char32_t> m_used;
};

// The pattern a shade level is drawn through, in a colour, named by id.
QByteArray shadePattern(const QByteArray& id, int level, const QByteArray& colour) {
    QByteArray pattern = "<pattern id=\"" + id +
                         "\" width=\"2\" height=\"2\" patternUnits=\"userSpaceOnUse\"><path d=\"";
    appendSvgRects(pattern, shadeTile(level));
    return pattern + "\" fill=\"" + colour + "\"/></pattern>\n";
}

QByteArray rgbHex(QRgb rgb) {
    return colourHex(QColor(rgb));
}

// Coloured art's shapes, a stretch of rows at a time: each stretch's grounds, then each ink's
// shapes and shades, one path a colour, so that memory holds a stretch, not the picture.
void putColouredShapes(PictureOutput& out, CellWalk& cells, const CellColours& colours,
                       const QColor& color, const QColor& ground) {
    ColouredShapes shapes;
    std::set<std::pair<QRgb, int>> patterns;
    const auto put = [&] {
        QByteArray data;
        const auto path = [&](const QByteArray& fill, const std::vector<Span>& spans) {
            data.append("<path fill=\"" + fill + "\" d=\"");
            appendSvgRects(data, spans);
            data.append("\"/>\n");
            if (data.size() > 1 << 16) {
                out.put(data);
                data.resize(0);
            }
        };
        for (const auto& [paper, spans] : shapes.grounds)
            path(rgbHex(paper), spans);
        for (const auto& [ink, spans] : shapes.fills)
            path(rgbHex(ink), spans);
        for (const auto& [key, spans] : shapes.shades) {
            const QByteArray id =
                "shade" + QByteArray::number(key.second) + '-' + rgbHex(key.first).mid(1);
            if (patterns.insert(key).second)
                data.append("<defs>" + shadePattern(id, key.second, rgbHex(key.first)) +
                            "</defs>\n");
            path("url(#" + id + ')', spans);
        }
        out.put(data);
        shapes.clear();
    };
    for (qsizetype index = 0; index < cells.rows() && out.ok(); ++index) {
        cells.addColoured(index, colours, color, ground, shapes);
        if (shapes.spans > 1 << 16)
            put();
    }
    put();
}

} // namespace

QString writePictureSvg(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        QIODevice& device, const CellColours& colours) {
    PictureOutput out(device);
    CellWalk cells(document, renderer, charset);
    const qsizetype rows = cells.rows();
    const qint64 widest = cells.widest();
    const QSize cell = cells.cell();
    const qint64 width = widest * cell.width(), height = rows * cell.height();
    const QByteArray fg = colourHex(color);
    QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"";
    appendNumber(head, width);
    head.append("\" height=\"");
    appendNumber(head, height);
    head.append("\" viewBox=\"0 0 ");
    appendNumber(head, width);
    head.append(' ');
    appendNumber(head, height);
    head.append("\">\n<defs>\n");
    for (int level = 1; level <= 3; ++level)
        head.append(shadePattern("shade" + QByteArray::number(level), level, fg));
    head.append("</defs>\n<rect width=\"");
    appendNumber(head, width);
    head.append("\" height=\"");
    appendNumber(head, height);
    head.append("\" fill=\"" + colourHex(ground) + "\"/>\n");
    out.put(head);

    // One path for each colour and shade: within one path, rectangles that meet leave no seam
    // however the picture is scaled.
    const bool coloured = !colours.isEmpty();
    if (coloured)
        putColouredShapes(out, cells, colours, color, ground);
    std::array<bool, 4> shadeUsed{};
    // Each pass, like each row of text below, only while the output takes what is written: a
    // full disk ends the picture there, not gigabytes later.
    for (int level = 0; level <= 3 && out.ok() && !coloured; ++level) {
        if (level > 0 && !shadeUsed[size_t(level)])
            continue;
        const QByteArray fill = level == 0 ? fg : "url(#shade" + QByteArray::number(level) + ')';
        out.put("<path fill=\"" + fill + "\" d=\"");
        QByteArray data;
        for (qsizetype index = 0; index < rows; ++index)
            cells.forEachPiece(
                index, level == 0 ? Fills | Shade1 | Shade2 | Shade3 : Shade1 << (level - 1),
                [&](const Row& row) {
                    if (level == 0)
                        for (size_t l = 1; l <= 3; ++l)
                            shadeUsed[l] = shadeUsed[l] || !row.shades[l].empty();
                    appendSvgRects(data, level == 0 ? row.fills : row.shades[size_t(level)]);
                    if (data.size() > 1 << 16) {
                        out.put(data);
                        data.resize(0); // keeping its room
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
    // Glyphs stretched to tall pixels: the text is laid out in the font's own height, scaled.
    const double stretch = renderer.verticalStretch();
    if (stretch != 1) {
        text.append(" transform=\"scale(1 ");
        appendReal(text, stretch, 6);
        text.append(")\"");
    }
    text.append(" fill=\"" + fg + "\" xml:space=\"preserve\">\n");
    WideGlyphs wideGlyphs(renderer);
    std::vector<std::pair<qint64, char32_t>> wide; // the piece's wide glyphs by column
    std::vector<bool> hidden;
    // Coloured art's glyphs each in their cell's ink.
    std::vector<CellRenderer::ColourRun> runs;
    size_t run = 0;
    const QRgb ownInk = color.rgb();
    const auto inkAt = [&](qint64 column) {
        if (run < runs.size() && runs[run].column > column)
            run = 0;
        while (run + 1 < runs.size() && runs[run + 1].column <= column)
            ++run;
        return runs.empty() || runs[run].column > column ? ownInk : runs[run].ink.rgb();
    };
    const auto putInk = [&](QByteArray& to, QRgb ink) {
        if (ink != ownInk)
            to.append(" fill=\"" + colourHex(QColor(ink)) + '"');
    };
    for (qsizetype index = 0; index < rows && out.ok(); ++index) {
        bool open = false;
        if (coloured && index < document.lineCount())
            runs =
                CellRenderer::colourRuns(colours, document.line(index), document.lineStart(index),
                                         charset, 0, widest, color, ground);
        run = 0;
        cells.forEachPiece(index, Text, [&](const Row& row) {
            if (row.text.empty())
                return;
            if (!open) {
                text.append("<text y=\"");
                appendReal(text, (double(index * cell.height()) + renderer.baseline()) / stretch);
                text.append("\">");
                open = true;
            }
            // Shapes' characters and wide glyphs are drawn otherwise; their text is invisible.
            hidden.assign(row.text.size(), false);
            for (size_t column = 0; column < row.text.size(); ++column) {
                const char32_t c = row.text[column];
                const bool isWide = !row.shaped[column] && wideGlyphs.wide(c);
                if (isWide)
                    wide.push_back({row.firstColumn + qint64(column), c});
                hidden[column] = row.shaped[column] || isWide;
            }
            for (size_t first = 0, end = 0; first < row.text.size(); first = end) {
                const bool hide = hidden[first];
                const QRgb ink = inkAt(row.firstColumn + qint64(first));
                for (end = first; end < row.text.size() && hidden[end] == hide &&
                                  (hide || inkAt(row.firstColumn + qint64(end)) == ink);)
                    ++end;
                text.append("<tspan x=\"");
                for (size_t column = first; column < end; ++column) {
                    if (column > first)
                        text.append(' ');
                    appendNumber(text, (row.firstColumn + qint64(column)) * cell.width());
                }
                text.append('"');
                if (!hide)
                    putInk(text, ink);
                text.append(hide ? " fill-opacity=\"0\">" : ">");
                for (size_t column = first; column < end; ++column)
                    appendXmlText(text, row.text[column]);
                text.append("</tspan>");
            }
            // Each piece's copies follow its text, so that they never pile up.
            if (!wide.empty()) {
                text.append("</text>\n");
                open = false;
            }
            for (const auto& [column, c] : wide) {
                text.append("<use xlink:href=\"#");
                WideGlyphs::appendId(text, c);
                text.append("\" x=\"");
                appendNumber(text, column * cell.width());
                text.append("\" y=\"");
                appendReal(text, double(index * cell.height()) / stretch);
                text.append('"');
                putInk(text, inkAt(column));
                text.append("/>\n");
            }
            wide.clear();
            if (text.size() > 1 << 16) {
                out.put(text);
                text.resize(0);
            }
        });
        if (open)
            text.append("</text>\n");
    }
    text.append("</g>\n" +
                wideGlyphs.definitions(renderer.baseline() / stretch, cell.height() / stretch) +
                "</svg>\n");
    out.put(text);
    return out.result();
}
