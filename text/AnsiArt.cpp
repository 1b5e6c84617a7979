#include "AnsiArt.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <vector>

namespace AnsiArt {

using Colour = CellColours::Colour;

CellColours::Colour vgaColour(int index) {
    static constexpr Colour Vga[16] = {
        CellColours::rgb(0x00, 0x00, 0x00), CellColours::rgb(0xAA, 0x00, 0x00),
        CellColours::rgb(0x00, 0xAA, 0x00), CellColours::rgb(0xAA, 0x55, 0x00),
        CellColours::rgb(0x00, 0x00, 0xAA), CellColours::rgb(0xAA, 0x00, 0xAA),
        CellColours::rgb(0x00, 0xAA, 0xAA), CellColours::rgb(0xAA, 0xAA, 0xAA),
        CellColours::rgb(0x55, 0x55, 0x55), CellColours::rgb(0xFF, 0x55, 0x55),
        CellColours::rgb(0x55, 0xFF, 0x55), CellColours::rgb(0xFF, 0xFF, 0x55),
        CellColours::rgb(0x55, 0x55, 0xFF), CellColours::rgb(0xFF, 0x55, 0xFF),
        CellColours::rgb(0x55, 0xFF, 0xFF), CellColours::rgb(0xFF, 0xFF, 0xFF)};
    return Vga[std::clamp(index, 0, 15)];
}

CellColours::Colour paletteColour(int index) {
    index = std::clamp(index, 0, 255);
    if (index < 16)
        return vgaColour(index);
    if (index >= 232) {
        const unsigned grey = unsigned(8 + 10 * (index - 232));
        return CellColours::rgb(grey, grey, grey);
    }
    static constexpr unsigned Levels[6] = {0, 95, 135, 175, 215, 255};
    const int cube = index - 16;
    return CellColours::rgb(Levels[cube / 36], Levels[cube / 6 % 6], Levels[cube % 6]);
}

namespace {

constexpr char Escape = '\x1B';
constexpr char EndOfFile = '\x1A';
// A number larger than any grid: one past it changes nothing, and none can overflow.
constexpr int MostNumber = 1 << 20;
constexpr int MostParameters = 16;

// A control sequence's parts: CSI, then an optional private marker, numbers separated by ';'
// (or ':'), intermediate bytes, and the final byte that says what it does.
struct Sequence {
    qsizetype end = 0; // just past it
    char marker = 0;
    char final = 0; // 0: not well-formed, it broke off at end
    int count = 0;
    int numbers[MostParameters] = {};
    // The number at i, or fallback where it is missing or 0 (as ANSI.SYS takes it for counts).
    int at(int i, int fallback) const {
        return i < count && numbers[i] > 0 ? numbers[i] : fallback;
    }
};

// Reads the sequence whose CSI starts at at (ESC [).
Sequence readSequence(QByteArrayView bytes, qsizetype at) {
    Sequence s;
    qsizetype i = at + 2;
    const qsizetype n = bytes.size();
    if (i < n && (bytes[i] == '?' || bytes[i] == '=' || bytes[i] == '<' || bytes[i] == '>'))
        s.marker = bytes[i++];
    int current = -1; // none given
    for (; i < n; ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9') {
            current = std::min(MostNumber, std::max(current, 0) * 10 + (c - '0'));
        } else if (c == ';' || c == ':') {
            if (s.count < MostParameters)
                s.numbers[s.count++] = current;
            current = -1;
        } else {
            break;
        }
    }
    // The last number, or the empty one after a last ';'.
    if ((current >= 0 || s.count > 0) && s.count < MostParameters)
        s.numbers[s.count++] = current;
    while (i < n && uchar(bytes[i]) >= 0x20 && uchar(bytes[i]) <= 0x2F)
        ++i;
    if (i < n && uchar(bytes[i]) >= 0x40 && uchar(bytes[i]) <= 0x7E)
        s.final = bytes[i++];
    s.end = i;
    return s;
}

// What a sequence that draws ends with: the cursor moves, the colours, saving and restoring the
// cursor, erasing, and the art editors' 24-bit colour.
bool draws(char final) {
    return final && std::strchr("ABCDEFGHJKfmsudt", final) != nullptr;
}

// A colour as the sequences set it: the document's own, one of the eight that bold (or blink)
// brightens, or a colour of its own.
struct Ink {
    enum Kind : uchar { Own, Eight, Fixed } kind = Own;
    Colour colour = 0;
    int index = 0;
};

class Grid {
public:
    explicit Grid(const Options& options)
        : m_width(std::clamp(options.width, 1, 4096)), m_options(options),
          m_ice(options.iceColours) {
        m_styles.push_back({CellColours::Foreground, CellColours::Background});
        m_styleIds.insert(quint64(CellColours::Foreground) << 32 | CellColours::Background, 0);
    }

    void run(QByteArrayView bytes);
    Art finish();

private:
    using Cell = quint32; // the style above 8 bits, the byte below
    static constexpr Cell Blank = ' ';

    void put(uchar byte);
    void sequence(const Sequence& s);
    void colours(const Sequence& s);
    // The cells [from, to) of a row erased to the current ground.
    void erase(qsizetype row, int from, int to);
    bool grow(qsizetype row, qsizetype cells);
    quint32 style();
    void moveTo(qsizetype row, qint64 column) {
        m_row = std::clamp<qsizetype>(row, 0, m_options.maxRows);
        m_column = int(std::clamp<qint64>(column, 0, m_width - 1));
    }
    int column() const { return std::min(m_column, m_width - 1); }

    const int m_width;
    const Options m_options;
    std::vector<std::vector<Cell>> m_rows;
    qint64 m_cells = 0;
    qsizetype m_row = 0;
    int m_column = 0; // m_width: past the last column, to wrap when the next cell comes
    qsizetype m_savedRow = 0;
    int m_savedColumn = 0;
    bool m_wrap = true;
    bool m_ice;
    bool m_cut = false;
    qint64 m_sequences = 0;
    // The pen.
    Ink m_fg, m_bg;
    bool m_bold = false, m_blink = false, m_inverse = false, m_conceal = false;
    quint32 m_style = 0;
    bool m_styleKnown = true;
    std::vector<std::pair<Colour, Colour>> m_styles;
    QHash<quint64, quint32> m_styleIds;
};

void Grid::run(QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const char c = bytes[i];
        switch (c) {
        case EndOfFile:
            return;
        case '\r':
            m_column = 0;
            ++i;
            continue;
        case '\n':
            m_column = 0;
            m_row = std::min(m_row + 1, m_options.maxRows);
            ++i;
            continue;
        case '\t':
            m_column = std::min(m_width - 1, (column() / 8 + 1) * 8);
            ++i;
            continue;
        case '\b':
            m_column = std::max(0, column() - 1);
            ++i;
            continue;
        case '\a': // the bell rang; it draws nothing
            ++i;
            continue;
        case Escape:
            break;
        default:
            put(uchar(c));
            ++i;
            continue;
        }
        ++m_sequences;
        if (i + 1 < n && bytes[i + 1] == '[') {
            const Sequence s = readSequence(bytes, i);
            if (s.final)
                sequence(s);
            // One that broke off is dropped up to where it broke; that byte is read as itself.
            i = s.end;
        } else {
            // Any other escape is ESC, its intermediate bytes and the byte that names it,
            // never shown; a lone ESC is dropped.
            ++i;
            while (i < n && uchar(bytes[i]) >= 0x20 && uchar(bytes[i]) <= 0x2F)
                ++i;
            if (i < n && uchar(bytes[i]) >= 0x30 && uchar(bytes[i]) <= 0x7E)
                ++i;
        }
    }
}

bool Grid::grow(qsizetype row, qsizetype cells) {
    if (row >= m_options.maxRows) {
        m_cut = true;
        return false;
    }
    if (qsizetype(m_rows.size()) <= row)
        m_rows.resize(size_t(row + 1));
    std::vector<Cell>& r = m_rows[size_t(row)];
    if (qsizetype(r.size()) >= cells)
        return true;
    if (m_cells + (cells - qsizetype(r.size())) > m_options.maxCells) {
        m_cut = true;
        return false;
    }
    m_cells += cells - qsizetype(r.size());
    r.resize(size_t(cells), Blank);
    return true;
}

void Grid::put(uchar byte) {
    if (m_column >= m_width) {
        if (m_wrap) {
            m_column = 0;
            m_row = std::min(m_row + 1, m_options.maxRows);
        } else {
            m_column = m_width - 1;
        }
    }
    if (!grow(m_row, m_column + 1))
        return;
    // NUL shows as the blank it is in code page 437, and copies as one.
    m_rows[size_t(m_row)][size_t(m_column)] = style() << 8 | (byte ? byte : uchar(' '));
    ++m_column;
}

void Grid::erase(qsizetype row, int from, int to) {
    if (row >= qsizetype(m_rows.size()) && style() == 0)
        return;
    const quint32 ground = style();
    // Blanks of the document's own ground at a row's end are no cells at all.
    if (ground == 0 && row < qsizetype(m_rows.size())) {
        std::vector<Cell>& r = m_rows[size_t(row)];
        if (to >= qsizetype(r.size())) {
            const qsizetype kept = std::min<qsizetype>(from, qsizetype(r.size()));
            m_cells -= qsizetype(r.size()) - kept;
            r.resize(size_t(kept));
            return;
        }
    }
    if (!grow(row,
              ground == 0 ? std::min<qsizetype>(to, qsizetype(m_rows[size_t(row)].size())) : to))
        return;
    std::vector<Cell>& r = m_rows[size_t(row)];
    for (qsizetype i = from; i < std::min<qsizetype>(to, qsizetype(r.size())); ++i)
        r[size_t(i)] = ground << 8 | Blank;
}

void Grid::sequence(const Sequence& s) {
    const int n = s.at(0, 1);
    switch (s.final) {
    case 'A':
        moveTo(m_row - n, column());
        break;
    case 'B':
        moveTo(m_row + n, column());
        break;
    case 'C':
        moveTo(m_row, qint64(column()) + n);
        break;
    case 'D':
        moveTo(m_row, qint64(column()) - n);
        break;
    case 'E':
        moveTo(m_row + n, 0);
        break;
    case 'F':
        moveTo(m_row - n, 0);
        break;
    case 'G':
        moveTo(m_row, n - 1);
        break;
    case 'd':
        moveTo(n - 1, column());
        break;
    case 'H':
    case 'f':
        moveTo(n - 1, s.at(1, 1) - 1);
        break;
    case 's':
        m_savedRow = m_row;
        m_savedColumn = column();
        break;
    case 'u':
        moveTo(m_savedRow, m_savedColumn);
        break;
    case 'K': {
        const int mode = s.count > 0 ? std::max(0, s.numbers[0]) : 0;
        if (mode == 0)
            erase(m_row, column(), m_width);
        else if (mode == 1)
            erase(m_row, 0, column() + 1);
        else if (mode == 2)
            erase(m_row, 0, m_width);
        break;
    }
    case 'J': {
        const int mode = s.count > 0 ? std::max(0, s.numbers[0]) : 0;
        if (mode == 0) {
            erase(m_row, column(), m_width);
            for (qsizetype r = m_row + 1; r < qsizetype(m_rows.size()); ++r)
                erase(r, 0, m_width);
        } else if (mode == 1) {
            for (qsizetype r = 0; r < m_row; ++r)
                erase(r, 0, m_width);
            erase(m_row, 0, column() + 1);
        } else {
            // ANSI.SYS clears its screen of 25 rows to the ground and homes the cursor.
            m_rows.clear();
            m_cells = 0;
            if (style() != 0)
                for (qsizetype r = 0; r < 25; ++r)
                    erase(r, 0, m_width);
            moveTo(0, 0);
        }
        break;
    }
    case 'm':
        colours(s);
        break;
    case 't':
        // The art editors' 24-bit colour: 0 sets the ground, 1 the foreground.
        if (s.count >= 4 && (s.numbers[0] == 0 || s.numbers[0] == 1)) {
            Ink& ink = s.numbers[0] == 0 ? m_bg : m_fg;
            ink = {Ink::Fixed,
                   CellColours::rgb(unsigned(std::clamp(s.numbers[1], 0, 255)),
                                    unsigned(std::clamp(s.numbers[2], 0, 255)),
                                    unsigned(std::clamp(s.numbers[3], 0, 255))),
                   0};
            m_styleKnown = false;
        }
        break;
    case 'h':
    case 'l':
        if (s.marker == '?')
            for (int i = 0; i < s.count; ++i) {
                if (s.numbers[i] == 33)
                    m_ice = s.final == 'h';
                if (s.numbers[i] == 7)
                    m_wrap = s.final == 'h';
            }
        m_styleKnown = false;
        break;
    default:
        break; // read and dropped: it draws nothing here
    }
}

void Grid::colours(const Sequence& s) {
    m_styleKnown = false;
    if (s.count == 0) {
        m_fg = m_bg = {};
        m_bold = m_blink = m_inverse = m_conceal = false;
        return;
    }
    for (int i = 0; i < s.count; ++i) {
        const int p = std::max(0, s.numbers[i]);
        if (p == 0) {
            m_fg = m_bg = {};
            m_bold = m_blink = m_inverse = m_conceal = false;
        } else if (p == 1) {
            m_bold = true;
        } else if (p == 2 || p == 22) {
            m_bold = false;
        } else if (p == 5 || p == 6) {
            m_blink = true;
        } else if (p == 25) {
            m_blink = false;
        } else if (p == 7) {
            m_inverse = true;
        } else if (p == 27) {
            m_inverse = false;
        } else if (p == 8) {
            m_conceal = true;
        } else if (p == 28) {
            m_conceal = false;
        } else if (p >= 30 && p <= 37) {
            m_fg = {Ink::Eight, 0, p - 30};
        } else if (p == 39) {
            m_fg = {};
        } else if (p >= 40 && p <= 47) {
            m_bg = {Ink::Eight, 0, p - 40};
        } else if (p == 49) {
            m_bg = {};
        } else if (p >= 90 && p <= 97) {
            m_fg = {Ink::Fixed, vgaColour(p - 90 + 8), 0};
        } else if (p >= 100 && p <= 107) {
            m_bg = {Ink::Fixed, vgaColour(p - 100 + 8), 0};
        } else if ((p == 38 || p == 48) && i + 1 < s.count) {
            Ink& ink = p == 38 ? m_fg : m_bg;
            const int kind = s.numbers[i + 1];
            if (kind == 5 && i + 2 < s.count) {
                ink = {Ink::Fixed, paletteColour(std::max(0, s.numbers[i + 2])), 0};
                i += 2;
            } else if (kind == 2 && i + 4 < s.count) {
                const auto part = [&](int k) { return unsigned(std::clamp(s.numbers[k], 0, 255)); };
                ink = {Ink::Fixed, CellColours::rgb(part(i + 2), part(i + 3), part(i + 4)), 0};
                i += 4;
            } else {
                i = s.count; // a form not known: the rest of its numbers cannot be read
            }
        }
    }
}

quint32 Grid::style() {
    if (m_styleKnown)
        return m_style;
    const bool own = m_options.ownColours;
    Colour fg = m_fg.kind == Ink::Fixed   ? m_fg.colour
                : m_fg.kind == Ink::Eight ? vgaColour(m_fg.index + (m_bold ? 8 : 0))
                : m_bold && own           ? vgaColour(15)
                                          : CellColours::Foreground;
    const bool bright = m_blink && m_ice;
    Colour bg = m_bg.kind == Ink::Fixed   ? m_bg.colour
                : m_bg.kind == Ink::Eight ? vgaColour(m_bg.index + (bright ? 8 : 0))
                : bright && own           ? vgaColour(8)
                                          : CellColours::Background;
    if (m_inverse)
        std::swap(fg, bg);
    if (m_conceal)
        fg = bg;
    const quint64 key = quint64(fg) << 32 | bg;
    auto known = m_styleIds.constFind(key);
    if (known == m_styleIds.constEnd()) {
        // More pairs than a cell can name fall back on the last: no art has that many.
        if (m_styles.size() >= (1u << 24) - 1)
            return m_style;
        known = m_styleIds.insert(key, quint32(m_styles.size()));
        m_styles.push_back({fg, bg});
    }
    m_style = *known;
    m_styleKnown = true;
    return m_style;
}

Art Grid::finish() {
    Art art;
    art.width = m_width;
    art.cut = m_cut;
    art.sequences = m_sequences;
    art.rows = qsizetype(m_rows.size());
    // A row ends before the blanks that show only the document's own ground.
    const auto shown = [this](const std::vector<Cell>& r) {
        qsizetype end = qsizetype(r.size());
        while (end > 0 && (r[size_t(end - 1)] & 0xFF) == Blank &&
               m_styles[r[size_t(end - 1)] >> 8].second == CellColours::Background)
            --end;
        return end;
    };
    qsizetype size = 0;
    for (const std::vector<Cell>& r : m_rows)
        size += shown(r) + 2;
    art.text.reserve(size);
    std::vector<CellColours::Span> spans;
    quint32 last = 0;
    for (const std::vector<Cell>& r : m_rows) {
        const qsizetype end = shown(r);
        for (qsizetype i = 0; i < end; ++i) {
            const Cell cell = r[size_t(i)];
            if (cell >> 8 != last) {
                last = cell >> 8;
                spans.push_back({art.text.size(), m_styles[last].first, m_styles[last].second});
            }
            art.text.append(char(cell & 0xFF));
        }
        // The break shows nothing: it takes the document's own colours, as what lies past a
        // row's end does.
        if (last != 0) {
            last = 0;
            spans.push_back({art.text.size(), CellColours::Foreground, CellColours::Background});
        }
        art.text.append("\r\n", 2);
    }
    art.colours = CellColours(std::move(spans));
    return art;
}

} // namespace

Art interpret(QByteArrayView bytes, const Options& options) {
    Grid grid(options);
    grid.run(bytes);
    return grid.finish();
}

Options optionsFor(const std::optional<SauceRecord>& sauce, QStringView fileName) {
    Options options;
    if (sauce && sauce->width() > 0)
        options.width = std::min(sauce->width(), 4096);
    options.iceColours = sauce && sauce->iceColours();
    options.ownColours =
        fileName.endsWith(u".ans", Qt::CaseInsensitive) || (sauce && sauce->isAnsi());
    return options;
}

std::optional<Art> artOf(QByteArrayView text, const std::optional<SauceRecord>& sauce,
                         QStringView fileName) {
    const Options options = optionsFor(sauce, fileName);
    if (!options.ownColours && !drawsWithSequences(text))
        return std::nullopt;
    return interpret(text, options);
}

bool drawsWithSequences(QByteArrayView bytes) {
    qint64 drawing = 0, broken = 0;
    const char* const data = bytes.data();
    for (qsizetype at = 0; at < bytes.size();) {
        const void* found = std::memchr(data + at, Escape, size_t(bytes.size() - at));
        if (!found)
            break;
        at = static_cast<const char*>(found) - data;
        const bool csi = at + 1 < bytes.size() && bytes[at + 1] == '[';
        const Sequence s = csi ? readSequence(bytes, at) : Sequence{};
        if (draws(s.final) && !s.marker)
            ++drawing;
        else if (!s.final)
            ++broken;
        at = csi ? std::max(s.end, at + 1) : at + 1;
    }
    return drawing >= 2 && broken * 4 <= drawing;
}

} // namespace AnsiArt
