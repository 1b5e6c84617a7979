#include "CellRenderer.h"

#include "CharacterMap.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int TilesPerRow = 32;
constexpr int MostAtlases = 64;

// The arms of a box-drawing character: up, right, down, left; 0 none, 1 single, 2 double.
struct Arms {
    unsigned char up, right, down, left;
};

bool boxArms(char32_t c, Arms& arms) {
    // U+2550..U+256C, the double and mixed lines, as "urdl".
    static constexpr const char* Doubles[] = {
        "0202", "2020", "0210", "0120", "0220", "0012", "0021", "0022", "1200", "2100",
        "2200", "1002", "2001", "2002", "1210", "2120", "2220", "1012", "2021", "2022",
        "0212", "0121", "0222", "1202", "2101", "2202", "1212", "2121", "2222"};
    const char* spec = nullptr;
    switch (c) {
    case 0x2500:
        spec = "0101";
        break;
    case 0x2502:
        spec = "1010";
        break;
    case 0x250C:
        spec = "0110";
        break;
    case 0x2510:
        spec = "0011";
        break;
    case 0x2514:
        spec = "1100";
        break;
    case 0x2518:
        spec = "1001";
        break;
    case 0x251C:
        spec = "1110";
        break;
    case 0x2524:
        spec = "1011";
        break;
    case 0x252C:
        spec = "0111";
        break;
    case 0x2534:
        spec = "1101";
        break;
    case 0x253C:
        spec = "1111";
        break;
    default:
        if (c >= 0x2550 && c <= 0x256C)
            spec = Doubles[c - 0x2550];
    }
    if (!spec)
        return false;
    arms = {uchar(spec[0] - '0'), uchar(spec[1] - '0'), uchar(spec[2] - '0'), uchar(spec[3] - '0')};
    return true;
}

// Where the lines of an arm start towards the centre, given the arms across it: a double arm
// leaves the channel of a crossing double line open, a single one meets whatever crosses it.
int armStart(int arm, int sideThis, int sideOther, int centre, int thin, int gap) {
    if (arm == 1) {
        if (sideThis == 2 && sideOther == 2)
            return centre + gap;
        if (sideThis == 2 || sideOther == 2)
            return centre - gap;
        return sideThis || sideOther ? centre - thin / 2 : centre;
    }
    if (sideThis == 2)
        return centre + gap;
    if (sideThis == 1)
        return centre - thin / 2;
    if (sideOther == 2)
        return centre - gap;
    return sideOther == 1 ? centre - thin / 2 : centre;
}

class TilePainter {
public:
    TilePainter(QPainter& painter, QRect tile, const QColor& color)
        : m_painter(painter), m_tile(tile), m_color(color) {}

    void fill(int x, int y, int w, int h) const {
        if (w > 0 && h > 0)
            m_painter.fillRect(QRect(m_tile.x() + x, m_tile.y() + y, w, h), m_color);
    }

    // Light shade sets one pixel in four, medium every other one, dark three in four.
    // The pattern runs on the pixel grid the cell sits on: phase says whether the cell starts
    // on an odd column (1) and an odd row (2), so cells of odd size still tile.
    void shade(int level, int phase) const {
        for (int y = 0; y < m_tile.height(); ++y)
            for (int x = 0; x < m_tile.width(); ++x) {
                const int gx = x + (phase & 1), gy = y + (phase >> 1);
                const bool odd = (gx + gy) % 2;
                const bool on = level == 2   ? !odd
                                : level == 1 ? (gx % 2 == 0 && gy % 2 == 0)
                                             : !(gx % 2 == 1 && gy % 2 == 1);
                if (on)
                    fill(x, y, 1, 1);
            }
    }

private:
    QPainter& m_painter;
    QRect m_tile;
    QColor m_color;
};

// Draws a box-drawing character's lines with t.fill, in a cell of w x h device pixels.
template <typename Fill> void drawBox(const Fill& t, const Arms& a, int w, int h) {
    const int thin = std::max(1, int(std::lround(w / 8.0)));
    const int gap = thin;
    const int cx = w / 2, cy = h / 2;
    // The end of an arm running towards 0 whose mirror image towards the far edge starts at
    // start: lines are mirrored about the middle of the single line.
    const auto mirrored = [thin](int start, int centre) {
        return std::max(0, 2 * centre - 2 * (thin / 2) + thin - start);
    };
    // An arm along the row (from the centre column) or down the column (from the centre row),
    // towards the far edge or towards 0: one line on the centre, or two a gap either side of it.
    // before and after are the arms beside it that its lines meet.
    const auto arm = [&](int kind, bool alongRow, bool forward) {
        if (!kind)
            return;
        const int centre = alongRow ? cx : cy, length = alongRow ? w : h;
        const int across = alongRow ? cy : cx;
        const int before = alongRow ? a.up : a.left, after = alongRow ? a.down : a.right;
        const auto line = [&](int at, int near, int far) {
            const int start = armStart(kind, near, far, centre, thin, gap);
            const int from = forward ? start : 0;
            const int size = forward ? length - start : mirrored(start, centre);
            if (alongRow)
                t.fill(from, at, size, thin);
            else
                t.fill(at, from, thin, size);
        };
        if (kind == 1)
            line(across - thin / 2, before, after);
        else {
            line(across - gap - thin / 2, before, after);
            line(across + gap - thin / 2, after, before);
        }
    };
    arm(a.right, true, true);
    arm(a.left, true, false);
    arm(a.down, false, true);
    arm(a.up, false, false);
}

// The block elements (U+2580..U+259F) and the box-drawing lines code page 437 has, in device
// pixels. False for every other character.
template <typename Fill> bool drawShape(const Fill& t, char32_t c, int w, int h, int phase) {
    const auto eighthsDown = [h](int n) { return int(std::lround(h * n / 8.0)); };
    const auto eighthsAcross = [w](int n) { return int(std::lround(w * n / 8.0)); };
    const int hw = w / 2, hh = h / 2;
    switch (c) {
    case 0x2580:
        t.fill(0, 0, w, hh);
        return true; // upper half
    case 0x2588:
        t.fill(0, 0, w, h);
        return true; // full block
    case 0x258C:
        t.fill(0, 0, hw, h);
        return true; // left half
    case 0x2590:
        t.fill(hw, 0, w - hw, h);
        return true; // right half
    case 0x2591:
        t.shade(1, phase);
        return true;
    case 0x2592:
        t.shade(2, phase);
        return true;
    case 0x2593:
        t.shade(3, phase);
        return true;
    case 0x2594:
        t.fill(0, 0, w, eighthsDown(1));
        return true; // upper eighth
    case 0x2595:
        t.fill(w - eighthsAcross(1), 0, eighthsAcross(1), h);
        return true;
    default:
        break;
    }
    if (c >= 0x2581 && c <= 0x2587) { // lower n eighths
        const int rows = eighthsDown(int(c - 0x2580));
        t.fill(0, h - rows, w, rows);
        return true;
    }
    if (c >= 0x2589 && c <= 0x258F) { // left n eighths, widest first
        t.fill(0, 0, eighthsAcross(int(0x2590 - c)), h);
        return true;
    }
    if (c >= 0x2596 && c <= 0x259F) { // quadrants: upper left, upper right, lower left, lower right
        static constexpr unsigned char Quadrants[] = {4, 8, 1, 13, 9, 7, 11, 2, 6, 14};
        const unsigned char q = Quadrants[c - 0x2596];
        if (q & 1)
            t.fill(0, 0, hw, hh);
        if (q & 2)
            t.fill(hw, 0, w - hw, hh);
        if (q & 4)
            t.fill(0, hh, hw, h - hh);
        if (q & 8)
            t.fill(hw, hh, w - hw, h - hh);
        return true;
    }
    Arms arms{};
    if (boxArms(c, arms)) {
        drawBox(t, arms, w, h);
        return true;
    }
    return false;
}

// Records what drawShape fills instead of painting it.
struct ShapeRecorder {
    CellRenderer::Shape& shape;
    void fill(int x, int y, int w, int h) const {
        if (w > 0 && h > 0)
            shape.fills.emplace_back(x, y, w, h);
    }
    void shade(int level, int) const { shape.shade = level; }
};

// The glyphs of code page 437's C0 to DF, the line and block characters VGA continued into the
// ninth column of its cells.
bool continuesIntoNinth(char32_t c) {
    static const std::vector<char32_t> glyphs = [] {
        std::vector<char32_t> all;
        for (int b = 0xC0; b <= 0xDF; ++b)
            all.push_back(CodePage::glyph(uchar(b), CodePage::Charset::Oem));
        std::sort(all.begin(), all.end());
        return all;
    }();
    return std::binary_search(glyphs.begin(), glyphs.end(), c);
}

// What reaches the glyph's last column carries on to the cell's edge.
template <typename Fill> struct IntoNinth {
    const Fill& t;
    int glyphWidth, cellWidth;
    void fill(int x, int y, int w, int h) const {
        t.fill(x, y, x + w == glyphWidth ? cellWidth - x : w, h);
    }
    void shade(int level, int phase) const { t.shade(level, phase); }
};

// drawShape in a cell of cellWidth whose glyphs are glyphWidth wide: the one place the ninth
// column is decided, for the pane's tiles and the vector pictures' rectangles alike.
template <typename Fill>
bool drawCellShape(const Fill& t, char32_t c, int glyphWidth, int cellWidth, int h, int phase) {
    if (cellWidth > glyphWidth && continuesIntoNinth(c))
        return drawShape(IntoNinth<Fill>{t, glyphWidth, cellWidth}, c, glyphWidth, h, phase);
    return drawShape(t, c, glyphWidth, h, phase);
}

} // namespace

bool CellRenderer::isBlank(char32_t c) {
    return c == U' ' || c == 0x2007 || c == 0x00A0 || c == 0;
}

// Tiles of one colour on one ground, opaque, so that a row of cells is put together by copying
// their pixels and goes to the painter as one image.
struct CellRenderer::Atlas {
    QImage image;
    CharacterMap<int> tiles; // of each character, and of each phase of a shade
    int count = 0;
    QColor color;
    QColor ground;
};

CellRenderer::CellRenderer() {
    setFont(QFont());
}

CellRenderer::~CellRenderer() = default;

void CellRenderer::setFont(const QFont& font) {
    m_font = font;
    m_plainFont = font;
    m_plainFont.setUnderline(false);
    m_plainFont.setStrikeOut(false);
    reset();
}

void CellRenderer::setDevicePixelRatio(qreal ratio) {
    if (ratio <= 0 || ratio == m_ratio)
        return;
    m_ratio = ratio;
    reset();
}

void CellRenderer::setNinthColumn(bool ninth) {
    if (ninth == m_ninth)
        return;
    m_ninth = ninth;
    reset();
}

void CellRenderer::setTallPixels(bool tall) {
    if (tall == m_tall)
        return;
    m_tall = tall;
    reset();
}

void CellRenderer::reset() {
    m_atlases.clear();
    const QFontMetricsF metrics(m_plainFont);
    // Whole device pixels, so that cells meet exactly at any ratio.
    m_glyphWidth = std::max(1, int(std::lround(metrics.horizontalAdvance(u'0') * m_ratio)));
    const int natural =
        std::max(1, int(std::ceil((metrics.ascent() + metrics.descent()) * m_ratio - 0.01)));
    // 720 x 400 pixels on a 4:3 screen: 1.35 times as tall as wide.
    const int tall = m_tall ? std::max(1, int(std::lround(natural * 1.35))) : natural;
    m_stretch = qreal(tall) / natural;
    m_deviceCell = QSize(m_ninth ? (m_glyphWidth * 9 + 4) / 8 : m_glyphWidth, tall);
    m_ascent = metrics.ascent();
    // Where the lines across every cell go, in device pixels (-1: none).
    const QFontMetricsF lined(m_font);
    const int h = m_deviceCell.height();
    m_lineThickness = std::max(1, int(std::lround(lined.lineWidth() * m_ratio)));
    const qreal down = m_ratio * m_stretch;
    m_underline = m_font.underline()
                      ? std::min(h - m_lineThickness,
                                 int(std::lround((m_ascent + lined.underlinePos()) * down)))
                      : -1;
    m_strikeOut =
        m_font.strikeOut() ? int(std::lround((m_ascent - lined.strikeOutPos()) * down)) : -1;
}

std::shared_ptr<CellRenderer::Atlas> CellRenderer::atlas(const QColor& color,
                                                         const QColor& ground) const {
    const quint64 key = (quint64(color.rgba()) << 32) | ground.rgba();
    if (const auto known = m_atlases.constFind(key); known != m_atlases.constEnd())
        return *known;
    // Art in true colour would make an atlas for every pair it has: only the latest are kept
    // (those in use are held by their users).
    if (m_atlases.size() >= MostAtlases)
        m_atlases.clear();
    auto made = std::make_shared<Atlas>();
    made->color = color;
    made->ground = ground;
    m_atlases.insert(key, made);
    return made;
}

bool CellRenderer::shapeOf(char32_t c, Shape& shape) const {
    shape = {};
    return drawCellShape(ShapeRecorder{shape}, c, m_glyphWidth, m_deviceCell.width(),
                         m_deviceCell.height(), 0);
}

std::vector<QRect> CellRenderer::crossingLines() const {
    std::vector<QRect> lines;
    for (const int top : {m_underline, m_strikeOut})
        if (top >= 0)
            lines.emplace_back(0, top, m_deviceCell.width(), m_lineThickness);
    return lines;
}

int CellRenderer::tile(Atlas& a, char32_t key) const {
    return a.tiles.get(key, [&] { return newTile(a, key); });
}

int CellRenderer::newTile(Atlas& a, char32_t key) const {
    const char32_t c = key & 0x1FFFFF;
    const int phase = int(key >> 21);
    const int w = m_deviceCell.width(), h = m_deviceCell.height();
    const int slot = a.count++;
    const int rows = slot / TilesPerRow + 1;
    if (a.image.isNull() || a.image.height() < rows * h) {
        // Doubling as glyphs come: an atlas of a whole row of tiles at a large scale already
        // holds megabytes, and a drawing uses only a few dozen glyphs.
        QImage grown(TilesPerRow * w, 2 * rows * h, QImage::Format_RGB32);
        grown.fill(a.ground);
        for (int y = 0; y < a.image.height(); ++y)
            std::memcpy(grown.scanLine(y), a.image.constScanLine(y),
                        size_t(a.image.bytesPerLine()));
        a.image = grown;
    }
    const QRect cell((slot % TilesPerRow) * w, (slot / TilesPerRow) * h, w, h);
    // The glyph's own columns; with a ninth column the cell is wider.
    const QRect box(cell.topLeft(), QSize(m_glyphWidth, h));
    QPainter p(&a.image);
    p.setClipRect(cell);
    const TilePainter shapes(p, box, a.color);
    if (!drawCellShape(shapes, c, m_glyphWidth, w, h, phase) && !isBlank(c)) {
        p.save();
        p.translate(box.topLeft());
        p.scale(m_ratio, m_ratio * m_stretch);
        p.setFont(m_plainFont);
        p.setPen(a.color);
        const char32_t text[] = {c};
        p.drawText(QPointF(0, m_ascent), QString::fromUcs4(text, 1));
        p.restore();
    }
    // Underline and strike-out run across whole cells, so a lined run has no breaks.
    if (m_underline >= 0)
        shapes.fill(0, m_underline, w, m_lineThickness);
    if (m_strikeOut >= 0)
        shapes.fill(0, m_strikeOut, w, m_lineThickness);
    p.end();
    return slot;
}

std::vector<CellRenderer::ColourRun>
CellRenderer::colourRuns(const CellColours& colours, QByteArrayView line, qsizetype lineStart,
                         CodePage::Charset charset, qint64 first, qint64 end, const QColor& text,
                         const QColor& ground) {
    std::vector<ColourRun> runs;
    if (colours.isEmpty() || first >= end)
        return runs;
    const qsizetype from = Cells::offsetAt(line, charset, first);
    const qsizetype to = Cells::offsetAt(line, charset, end);
    colours.forEachRun(
        lineStart + from, lineStart + std::max(from, to),
        [&](qsizetype at, qsizetype, CellColours::Colour fg, CellColours::Colour bg) {
            runs.push_back({std::max(first, Cells::columnAt(line, charset, at - lineStart)),
                            cellColour(fg, text, ground), cellColour(bg, text, ground)});
        });
    // Past the line's end, the document's own.
    const qint64 lineEnd = Cells::columns(line, charset);
    if (lineEnd < end)
        runs.push_back({std::max(first, lineEnd), text, ground});
    return runs;
}

void CellRenderer::drawLine(QPainter& painter, QPointF origin, QByteArrayView line,
                            CodePage::Charset charset, qint64 firstColumn, qint64 count,
                            const QColor& color, const QColor& ground, Cells::Mark from,
                            std::span<const ColourRun> runs) const {
    if (count <= 0)
        return;
    const QImage& row = composeLine(line, charset, firstColumn, count, color, ground, from,
                                    std::lround(origin.x() * m_ratio),
                                    std::lround(origin.y() * m_ratio), 0, -1, runs);
    // Device pixels one for one: the target is exactly as large as the source on the device.
    const int w = m_deviceCell.width(), h = m_deviceCell.height();
    painter.drawImage(QRectF(origin, QSizeF(qreal(count * w), h) / m_ratio), row,
                      QRectF(0, 0, qreal(count * w), h));
}

const QImage& CellRenderer::composeLine(QByteArrayView line, CodePage::Charset charset,
                                        qint64 firstColumn, qint64 count, const QColor& color,
                                        const QColor& ground, Cells::Mark from, qint64 originX,
                                        qint64 originY, int top, int rows,
                                        std::span<const ColourRun> runs) const {
    const int w = m_deviceCell.width(), h = m_deviceCell.height();
    top = std::clamp(top, 0, h);
    rows = rows < 0 ? h - top : std::min(rows, h - top);
    const qint64 endColumn = firstColumn + count;
    // The atlas of the colours in force, changed as the runs go by (columns come in order).
    std::shared_ptr<Atlas> a = atlas(color, ground);
    size_t run = 0;
    const auto atlasAt = [&](qint64 column) -> Atlas& {
        bool changed = false;
        while (run < runs.size() && runs[run].column <= column) {
            ++run;
            changed = true;
        }
        if (changed)
            a = atlas(runs[run - 1].ink, runs[run - 1].paper);
        return *a;
    };
    // Shades on cells of an odd size take the phase of where they are drawn.
    const bool oddCells = (w | h) & 1;
    if (m_row.width() < count * w || m_row.height() != h)
        m_row = QImage(int(count * w), h, QImage::Format_RGB32);
    const qsizetype stride = m_row.bytesPerLine();
    uchar* const row = m_row.bits();
    // A cell is a few pixels wide: a plain loop beats a library copy per scan line.
    const auto copy = [&](const Atlas& at, int slot, qint64 column) {
        const qsizetype atlasStride = at.image.bytesPerLine();
        const uchar* from = at.image.constBits() +
                            qsizetype((slot / TilesPerRow) * h + top) * atlasStride +
                            qsizetype(slot % TilesPerRow) * w * 4;
        uchar* to = row + (column - firstColumn) * w * 4;
        for (int y = 0; y < rows; ++y, from += atlasStride, to += stride) {
            const auto* in = reinterpret_cast<const quint32*>(from);
            auto* out = reinterpret_cast<quint32*>(to);
            for (int x = 0; x < w; ++x)
                out[x] = in[x];
        }
    };
    qint64 drawn = Cells::forEachIn(
        line, charset, firstColumn, endColumn,
        [&](const Cells::Cell& c, qint64 fromColumn, qint64 toColumn) {
            const bool phased = oddCells && c.glyph >= 0x2591 && c.glyph <= 0x2593;
            for (qint64 col = fromColumn; col < toColumn; ++col) {
                Atlas& at = atlasAt(col);
                if (!phased) {
                    copy(at, tile(at, c.glyph), col);
                    continue;
                }
                const char32_t phase =
                    char32_t(((originX + (col - firstColumn) * w) & 1) | (originY & 1) << 1);
                copy(at, tile(at, c.glyph | phase << 21), col);
            }
        },
        from);
    for (; drawn < endColumn; ++drawn) {
        Atlas& at = atlasAt(drawn);
        copy(at, tile(at, U' '), drawn);
    }
    return m_row;
}

qsizetype CellRenderer::pictureRows(const TextDocument& document) {
    // The break that ends the last line starts no row of its own: N lines are N rows.
    const qsizetype lines = document.lineCount();
    return lines > 1 && document.line(lines - 1).isEmpty() ? lines - 1 : lines;
}

QImage CellRenderer::picture(const TextDocument& document, CodePage::Charset charset,
                             const QColor& color, const QColor& ground, qsizetype maxLines,
                             qint64 maxColumns, const CellColours& colours) const {
    const qsizetype count = pictureRows(document);
    const qsizetype lines = maxLines < 0 ? count : std::min(maxLines, count);
    qint64 widest = 1;
    for (qsizetype line = 0; line < lines; ++line)
        widest = std::max(widest, Cells::columns(document.line(line), charset));
    if (maxColumns > 0)
        widest = std::min(widest, maxColumns);
    const qint64 width = widest * m_deviceCell.width();
    const qint64 height = std::max<qint64>(1, lines) * m_deviceCell.height();
    // What one image can hold, with room to spare.
    if (width > 1 << 20 || height > 1 << 24 || width * height > qint64(1) << 28)
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(m_ratio);
    image.fill(ground);
    QPainter painter(&image);
    for (qsizetype line = 0; line < lines; ++line) {
        const QByteArrayView text = document.line(line);
        const std::vector<ColourRun> runs =
            colourRuns(colours, text, document.lineStart(line), charset, 0, widest, color, ground);
        drawLine(painter, QPointF(0, qreal(line) * cellSize().height()), text, charset, 0, widest,
                 color, ground, {}, runs);
    }
    return image;
}
