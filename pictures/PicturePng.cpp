#include "PicturePng.h"

#include "CharacterMap.h"
#include "PictureOutput.h"

#include <QHash>
#include <QIODevice>
#include <QImage>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace {

constexpr qint64 PngMost = 0x7FFFFFFF;

void putBig(QByteArray& to, quint32 value) {
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    to.append(bytes, 4);
}

// A PNG file as it is written: chunks, and the rows of the picture through one deflate stream.
class PngStream {
public:
    PngStream(QIODevice& out, int level, int strategy) : m_out(out) {
        m_zip.zalloc = nullptr;
        m_zip.zfree = nullptr;
        m_zip.opaque = nullptr;
        m_ready = deflateInit2(&m_zip, level, Z_DEFLATED, 15, 8, strategy) == Z_OK;
        m_pending.resize(64 << 10);
    }
    ~PngStream() {
        if (m_ready)
            deflateEnd(&m_zip);
    }
    bool ok() const { return m_ready && m_out.ok(); }
    QString result() const {
        return m_ready ? m_out.result() : QStringLiteral("the picture could not be compressed");
    }

    void begin(quint32 width, quint32 height, int depth, int colourType,
               const std::vector<QRgb>& palette) {
        m_out.put("\x89PNG\r\n\x1A\n", 8);
        QByteArray header;
        putBig(header, width);
        putBig(header, height);
        header.append(char(depth)).append(char(colourType)).append(3, '\0');
        chunk("IHDR", header);
        if (!palette.empty()) {
            QByteArray entries;
            for (const QRgb rgb : palette)
                entries.append(char(qRed(rgb))).append(char(qGreen(rgb))).append(char(qBlue(rgb)));
            chunk("PLTE", entries);
        }
    }
    // Rows already filtered (each starts with its filter byte).
    void rows(const unsigned char* bytes, qsizetype size) { squeeze(bytes, size, Z_NO_FLUSH); }
    void end() {
        squeeze(nullptr, 0, Z_FINISH);
        chunk("IEND", {});
    }

private:
    void chunk(const char* type, const QByteArray& data) {
        QByteArray bytes;
        putBig(bytes, quint32(data.size()));
        bytes.append(type, 4).append(data);
        putBig(bytes, quint32(crc32(0, reinterpret_cast<const Bytef*>(bytes.constData() + 4),
                                    uInt(bytes.size() - 4))));
        m_out.put(bytes);
    }
    void squeeze(const unsigned char* bytes, qsizetype size, int flush) {
        m_zip.next_in = const_cast<Bytef*>(bytes);
        m_zip.avail_in = uInt(size);
        do {
            m_zip.next_out = reinterpret_cast<Bytef*>(m_pending.data()) + m_used;
            m_zip.avail_out = uInt(m_pending.size() - m_used);
            const int result = deflate(&m_zip, flush);
            m_ready = m_ready && result != Z_STREAM_ERROR;
            m_used = m_pending.size() - m_zip.avail_out;
            if (m_used == m_pending.size() || (flush == Z_FINISH && result == Z_STREAM_END)) {
                chunk("IDAT", m_pending.first(m_used));
                m_used = 0;
            }
            if (flush == Z_FINISH && result == Z_STREAM_END)
                break;
        } while (m_ready && (m_zip.avail_in > 0 || flush == Z_FINISH));
    }

    PictureOutput m_out;
    z_stream m_zip{};
    QByteArray m_pending;
    qsizetype m_used = 0;
    bool m_ready = false;
};

// The boundary at or before column, walked from the boundary from.
Cells::Mark markAt(QByteArrayView line, CodePage::Charset charset, qint64 column,
                   Cells::Mark from) {
    Cells::Mark mark = from;
    Cells::forEach(
        line, charset,
        [&](const Cells::Cell& cell) {
            if (cell.column + cell.width > column)
                return false;
            mark = {cell.offset + cell.length, cell.column + cell.width};
            return true;
        },
        from);
    return mark;
}

// Two colours on cells a whole number of bytes wide and of even size, where no shade takes its
// phase from where it lies: each glyph's pixel rows are turned into bits once, and a cell is
// then a few bytes a row, copied without putting pixels together or comparing them.
class GlyphBits {
public:
    static bool suits(const CellRenderer& renderer, int depth) {
        const QSize cell = renderer.deviceCellSize();
        return depth == 1 && cell.width() % 8 == 0 && cell.height() % 2 == 0;
    }
    GlyphBits(const CellRenderer& renderer, CodePage::Charset charset, const QColor& color,
              const QColor& ground)
        : m_renderer(renderer), m_charset(charset), m_color(color), m_ground(ground),
          m_rowBytes(renderer.deviceCellSize().width() / 8),
          m_height(renderer.deviceCellSize().height()), m_blank(glyph(U' ', " ")) {}

    // Cells [first, first + count) of a line, walked from the boundary from, pixel rows
    // [top, top + rows) of them, into rows stride bytes apart from to.
    void copy(QByteArrayView line, qint64 first, qint64 count, Cells::Mark from, int top, int rows,
              unsigned char* to, qint64 stride) {
        const qint64 end = first + count;
        const auto put = [&](qsizetype bits, qint64 column) {
            const unsigned char* in = m_bits.data() + bits + top * m_rowBytes;
            unsigned char* out = to + (column - first) * m_rowBytes;
            if (m_rowBytes == 1) // the default font's cells, where a call per byte would cost most
                for (int y = 0; y < rows; ++y, out += stride)
                    *out = in[y];
            else
                for (int y = 0; y < rows; ++y, in += m_rowBytes, out += stride)
                    std::memcpy(out, in, size_t(m_rowBytes));
        };
        forEachColumn(line, first, end, from, put);
    }

    // The same cells as palette indices of depth bits (or, at 24, red, green and blue), each
    // cell's set pixels in its ink and the rest in its paper, as indices runs give from their
    // columns on: a mask byte of eight pixels becomes their bytes through a table of its pair.
    struct IndexRun {
        qint64 column;
        int ink, paper;
    };
    void copyIndexed(QByteArrayView line, qint64 first, qint64 count, Cells::Mark from, int top,
                     int rows, unsigned char* to, qint64 stride, int depth,
                     const std::vector<IndexRun>& runs, const std::vector<QRgb>& palette) {
        const qint64 end = first + count;
        const int bytesPer8 = depth; // eight pixels of depth bits are depth bytes
        size_t run = 0;
        const std::vector<unsigned char>* table = nullptr;
        const auto tableAt = [&](qint64 column) {
            bool changed = table == nullptr;
            while (run < runs.size() && runs[run].column <= column) {
                ++run;
                changed = true;
            }
            if (changed) {
                const IndexRun& r = run == 0 ? runs.front() : runs[run - 1];
                table = &expansion(r.ink, r.paper, depth, palette);
            }
            return table;
        };
        const auto put = [&](qsizetype bits, qint64 column) {
            const std::vector<unsigned char>& t = *tableAt(column);
            const unsigned char* in = m_bits.data() + bits + top * m_rowBytes;
            unsigned char* out = to + (column - first) * m_rowBytes * bytesPer8;
            for (int y = 0; y < rows; ++y, in += m_rowBytes, out += stride)
                for (int b = 0; b < m_rowBytes; ++b)
                    std::memcpy(out + b * bytesPer8, t.data() + size_t(in[b]) * size_t(bytesPer8),
                                size_t(bytesPer8));
        };
        forEachColumn(line, first, end, from, put);
    }

private:
    // Calls put(bits, column) for each column of [first, end) of a line, walked from the
    // boundary from, with where the bits of the glyph there start (blank past the line's end).
    template <typename Put>
    void forEachColumn(QByteArrayView line, qint64 first, qint64 end, Cells::Mark from,
                       const Put& put) {
        qint64 drawn = Cells::forEachIn(
            line, m_charset, first, end,
            [&](const Cells::Cell& c, qint64 fromColumn, qint64 toColumn) {
                const qsizetype bits = glyph(c.glyph, line.sliced(c.offset, c.length));
                for (qint64 column = fromColumn; column < toColumn; ++column)
                    put(bits, column);
            },
            from);
        for (; drawn < end; ++drawn)
            put(m_blank, drawn);
    }

    // The bytes of eight pixels for each mask byte, in a pair of palette indices.
    const std::vector<unsigned char>& expansion(int ink, int paper, int depth,
                                                const std::vector<QRgb>& palette) {
        std::vector<unsigned char>& t = m_tables[quint64(quint32(ink)) << 32 | quint32(paper)];
        if (!t.empty())
            return t;
        t.assign(size_t(256 * depth), 0);
        for (int mask = 0; mask < 256; ++mask) {
            unsigned char* bytes = t.data() + mask * depth;
            for (int x = 0; x < 8; ++x) {
                const int index = (mask & (0x80 >> x)) ? ink : paper;
                if (depth == 24) {
                    const QRgb rgb = palette[size_t(index)];
                    bytes[x * 3] = uchar(qRed(rgb));
                    bytes[x * 3 + 1] = uchar(qGreen(rgb));
                    bytes[x * 3 + 2] = uchar(qBlue(rgb));
                } else {
                    bytes[x * depth / 8] |= uchar(index << (8 - depth - (x * depth) % 8));
                }
            }
        }
        return t;
    }

    // Where the glyph's bits start, drawn from the bytes of a cell that shows it the first time.
    qsizetype glyph(char32_t c, QByteArrayView bytes) {
        return m_glyphs.get(c, [&] {
            const QImage& cell =
                m_renderer.composeLine(bytes, m_charset, 0, 1, m_color, m_ground, {}, 0, 0);
            const qsizetype at = qsizetype(m_bits.size());
            m_bits.resize(m_bits.size() + size_t(m_rowBytes * m_height));
            const QRgb ground = m_ground.rgb();
            for (int y = 0; y < m_height; ++y) {
                const auto* pixels = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
                for (int x = 0; x < m_rowBytes * 8; ++x)
                    if (pixels[x] != ground)
                        m_bits[size_t(at + y * m_rowBytes + x / 8)] |= uchar(0x80 >> (x % 8));
            }
            return at;
        });
    }

    const CellRenderer& m_renderer;
    CodePage::Charset m_charset;
    QColor m_color, m_ground;
    int m_rowBytes, m_height;
    std::vector<unsigned char> m_bits;
    CharacterMap<qsizetype> m_glyphs; // where each glyph's bits start
    qsizetype m_blank;
    std::unordered_map<quint64, std::vector<unsigned char>> m_tables;
};

} // namespace

QString writePicturePng(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        QIODevice& out, qint64 budget, const CellColours& colours) {
    // What one tile of drawn cells and one band of pixel rows may hold at most.
    const qint64 TileBytes = budget / 3, BandBytes = budget - TileBytes;
    const qsizetype lines = CellRenderer::pictureRows(document);
    qint64 widest = 1;
    // Every cell the picture holds, once: the colours it can take are those of these cells.
    std::array<bool, 256> bytesUsed{};
    std::set<QByteArray> sequences;
    for (qsizetype line = 0; line < lines; ++line) {
        const QByteArrayView text = document.line(line);
        qint64 width = 0;
        Cells::forEach(text, charset, [&](const Cells::Cell& cell) {
            if (cell.length == 1)
                bytesUsed[uchar(text[cell.offset])] = true;
            else
                sequences.insert(text.sliced(cell.offset, cell.length).toByteArray());
            width = cell.column + cell.width;
            return true;
        });
        widest = std::max(widest, width);
    }
    const QSize cell = renderer.deviceCellSize();
    const qint64 width = widest * cell.width();
    const qint64 height = std::max<qsizetype>(1, lines) * qint64(cell.height());
    if (width > PngMost || height > PngMost)
        return QStringLiteral("a picture of %1 x %2 pixels is more than PNG can hold (at most "
                              "2,147,483,647 pixels either way)")
            .arg(width)
            .arg(height);

    // Each apart, so that in the UTF-8 script lone bytes side by side are not read as the
    // sequence they happen to make.
    QByteArray sample;
    for (int b = 0; b < 256; ++b)
        if (bytesUsed[size_t(b)] && b != '\t')
            sample.append(char(b)).append(' ');
    for (const QByteArray& sequence : sequences)
        sample.append(sequence).append(' ');
    // Coloured art is sampled white on black: whether the font draws its glyphs in two colours
    // only, which then holds for every pair of colours its cells have.
    const bool coloured = !colours.isEmpty();
    const QColor sampleInk = coloured ? QColor(Qt::white) : color;
    const QColor sampleGround = coloured ? QColor(Qt::black) : ground;
    std::vector<QRgb> palette{sampleGround.rgb(), sampleInk.rgb()};
    QHash<QRgb, int> indices;
    const auto indexOf = [&palette, &indices](QRgb rgb) -> int {
        if (palette.size() > 16)
            return indices.value(rgb, -1);
        for (size_t i = 0; i < palette.size(); ++i)
            if (palette[i] == rgb)
                return int(i);
        return -1;
    };
    // Tiles of cells counted at their full height: the renderer puts a whole row of them together.
    const qint64 perTile =
        std::max<qint64>(1, TileBytes / (qint64(cell.width()) * cell.height() * 4));
    {
        const qint64 cells = Cells::columns(sample, charset);
        Cells::Mark mark;
        for (qint64 first = 0; first < cells; first += perTile) {
            const qint64 count = std::min(perTile, cells - first);
            const QImage& tile = renderer.composeLine(sample, charset, first, count, sampleInk,
                                                      sampleGround, mark, 0, 0);
            mark = markAt(sample, charset, first + perTile, mark);
            const int tileWidth = int(count * cell.width());
            for (int y = 0; y < tile.height() && palette.size() <= 256; ++y) {
                const auto* pixels = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
                for (int x = 0; x < tileWidth; ++x)
                    if (indexOf(pixels[x]) < 0 && palette.size() <= 256)
                        palette.push_back(pixels[x]);
            }
        }
    }
    // A font that draws in two colours draws coloured art in the colours of its cells alone;
    // one that smooths its glyphs mixes every pair, which only red, green and blue can hold.
    const bool crisp = palette.size() <= 2;
    if (coloured) {
        // The colours cells show: a span's ground where it covers a cell, its ink where it
        // covers a glyph that is not blank (the document's own before the first span, and the
        // lines drawn across every cell in the document's own ink). VGA art keeps to 16, four
        // bits a pixel.
        const std::vector<CellColours::Span>& spans = colours.spans();
        const QByteArray& bytes = document.bytes();
        std::vector<QRgb> used{ground.rgb()};
        if (!renderer.crossingLines().empty())
            used.push_back(color.rgb());
        for (size_t i = 0; i <= spans.size(); ++i) {
            const qsizetype from = i == 0 ? 0 : std::min(spans[i - 1].at, bytes.size());
            const qsizetype to = i < spans.size() ? spans[i].at : bytes.size();
            bool cells = false, ink = false;
            for (qsizetype at = from; at < to && !ink; ++at) {
                const char c = bytes[at];
                cells = cells || (c != '\r' && c != '\n');
                ink = ink || (c != '\r' && c != '\n' && c != ' ' && c != '\0' && c != '\xFF');
            }
            const CellColours::Colour fg =
                i == 0 ? CellColours::Foreground : spans[i - 1].foreground;
            const CellColours::Colour bg =
                i == 0 ? CellColours::Background : spans[i - 1].background;
            if (cells)
                used.push_back(cellColour(bg, color, ground).rgb());
            if (ink)
                used.push_back(cellColour(fg, color, ground).rgb());
        }
        std::sort(used.begin() + 1, used.end());
        palette = {ground.rgb()};
        for (const QRgb rgb : used)
            if (std::find(palette.begin(), palette.end(), rgb) == palette.end())
                palette.push_back(rgb);
        if (!crisp)
            palette.resize(257); // more than an index can name
    }
    for (size_t i = 0; i < palette.size(); ++i)
        indices.insert(palette[i], int(i));
    // Palette indices of 1, 2, 4 or 8 bits; past 256 colours, red, green and blue.
    const bool trueColour = palette.size() > 256;
    const int depth = trueColour             ? 8
                      : palette.size() <= 2  ? 1
                      : palette.size() <= 4  ? 2
                      : palette.size() <= 16 ? 4
                                             : 8;
    const qint64 rowBytes = 1 + (trueColour ? width * 3 : (width * depth + 7) / 8);

    // Coloured art at four or eight bits a pixel is four or eight times the bytes of text in two
    // colours, and the default search for repeated strings in them costs three times the
    // picture's drawing; a shorter one (level 3) costs a third of that for a file a quarter
    // larger (bench_ansi: 60 ms and 719 KB against 181 ms and 582 KB).
    PngStream png(out, coloured && depth >= 4 ? 3 : Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY);
    png.begin(quint32(width), quint32(height), depth, trueColour ? 2 : 3,
              trueColour ? std::vector<QRgb>{} : palette);
    // Bands of whole pixel rows; a row longer than a band goes out a piece of columns at a
    // time, each piece whole tiles ending on a byte, so that nothing grows with the width.
    const int bandRows = int(std::clamp<qint64>(BandBytes / rowBytes, 1, cell.height()));
    const int bits = trueColour ? 24 : depth;
    const qint64 tileBits = perTile * cell.width() * bits;
    const qint64 pieceCells =
        rowBytes <= BandBytes ? widest : perTile * 8 * std::max<qint64>(1, BandBytes / tileBits);
    const qint64 pieceBytes = 1 + (std::min(pieceCells, widest) * cell.width() * bits + 7) / 8;
    std::vector<unsigned char> band(size_t(pieceBytes * bandRows));
    std::vector<Cells::Mark> marks;
    QRgb last = ground.rgb();
    int lastIndex = 0;
    const QRgb groundRgb = palette[0];
    std::optional<GlyphBits> glyphBits;
    if (coloured ? crisp && GlyphBits::suits(renderer, 1) : GlyphBits::suits(renderer, depth))
        glyphBits.emplace(renderer, charset, sampleInk, sampleGround);
    std::vector<CellRenderer::ColourRun> runs;
    std::vector<GlyphBits::IndexRun> indexRuns;
    for (qsizetype line = 0; line < std::max<qsizetype>(1, lines) && png.ok(); ++line) {
        const QByteArrayView text =
            line < document.lineCount() ? document.line(line) : QByteArrayView();
        marks.assign(1, Cells::Mark{});
        for (int top = 0; top < cell.height(); top += bandRows) {
            const int rows = std::min(bandRows, cell.height() - top);
            for (qint64 piece = 0; piece < widest; piece += pieceCells) {
                const qint64 pieceEnd = std::min(widest, piece + pieceCells);
                const qint64 pieceLeft = piece * cell.width();
                // Each row's filter byte, then its pixels, at the start of the row alone.
                const qint64 stride = 1 + ((pieceEnd - piece) * cell.width() * bits + 7) / 8;
                std::fill(band.begin(), band.end(), 0);
                for (qint64 first = piece, t = piece / perTile; first < pieceEnd;
                     first += perTile, ++t) {
                    const qint64 count = std::min(perTile, widest - first);
                    // Where the next tile's walk starts, when there is one.
                    if (first + count < widest && size_t(t + 1) >= marks.size())
                        marks.push_back(markAt(text, charset, first + count, marks[size_t(t)]));
                    const qint64 left = first * cell.width();
                    if (coloured && line < document.lineCount())
                        runs =
                            CellRenderer::colourRuns(colours, text, document.lineStart(line),
                                                     charset, first, first + count, color, ground);
                    else
                        runs.clear();
                    if (glyphBits && coloured) {
                        indexRuns.clear();
                        for (const CellRenderer::ColourRun& r : runs)
                            indexRuns.push_back({r.column, std::max(0, indexOf(r.ink.rgb())),
                                                 std::max(0, indexOf(r.paper.rgb()))});
                        if (indexRuns.empty() || indexRuns.front().column > first)
                            indexRuns.insert(indexRuns.begin(),
                                             {first, std::max(0, indexOf(color.rgb())), 0});
                        glyphBits->copyIndexed(text, first, count, marks[size_t(t)], top, rows,
                                               band.data() + 1 + (left - pieceLeft) * bits / 8,
                                               stride, bits, indexRuns, palette);
                        continue;
                    }
                    if (glyphBits) {
                        glyphBits->copy(text, first, count, marks[size_t(t)], top, rows,
                                        band.data() + 1 + (left - pieceLeft) / 8, stride);
                        continue;
                    }
                    // The cells as the renderer puts them together, where the picture has them.
                    const QImage& tile = renderer.composeLine(
                        text, charset, first, count, color, ground, marks[size_t(t)], left,
                        qint64(line) * cell.height(), top, rows, runs);
                    const int tileWidth = int(count * cell.width());
                    for (int y = 0; y < rows; ++y) {
                        const auto* pixels = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
                        unsigned char* row = band.data() + y * stride + 1;
                        if (depth == 1) {
                            // Two colours, the common case: a bit for every pixel not the
                            // ground, a byte of them at a time between the bytes a tile's edges
                            // share.
                            qint64 at = left - pieceLeft;
                            int x = 0;
                            const auto bit = [&] {
                                if (pixels[x] != groundRgb)
                                    row[at >> 3] |= uchar(0x80 >> (at & 7));
                            };
                            for (; x < tileWidth && (at & 7); ++x, ++at)
                                bit();
                            for (; x + 8 <= tileWidth; x += 8, at += 8) {
                                unsigned byte = 0;
                                for (int k = 0; k < 8; ++k)
                                    byte = byte << 1 | unsigned(pixels[x + k] != groundRgb);
                                row[at >> 3] = uchar(byte);
                            }
                            for (; x < tileWidth; ++x, ++at)
                                bit();
                            continue;
                        }
                        for (int x = 0; x < tileWidth; ++x) {
                            const QRgb rgb = pixels[x];
                            const qint64 at = left - pieceLeft + x;
                            if (trueColour) {
                                row[at * 3] = uchar(qRed(rgb));
                                row[at * 3 + 1] = uchar(qGreen(rgb));
                                row[at * 3 + 2] = uchar(qBlue(rgb));
                                continue;
                            }
                            if (rgb != last) {
                                last = rgb;
                                lastIndex = std::max(0, indexOf(rgb));
                            }
                            if (lastIndex != 0)
                                row[at * depth / 8] |=
                                    uchar(lastIndex << (8 - depth - int(at * depth % 8)));
                        }
                    }
                }
                if (pieceCells >= widest) {
                    png.rows(band.data(), stride * rows);
                    continue;
                }
                // One pixel row in pieces: the filter byte goes before the first alone.
                if (piece == 0)
                    png.rows(band.data(), 1);
                png.rows(band.data() + 1, stride - 1);
            }
        }
    }
    png.end();
    return png.result();
}
