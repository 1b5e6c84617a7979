#include "CodePage.h"

#include <array>
#include <cstdint>
#include <memory>

namespace CodePage {
namespace {

using Table = std::array<char16_t, 256>;

// Code page 437 as the DOS screen font draws it. Byte 0 is a blank cell; figure space keeps it
// blank on screen while staying distinct from the blank of byte 0x20 and the no-break space of
// byte 0xFF, so it round-trips.
constexpr Table makeOem() {
    constexpr char16_t low[32] = {0x2007, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
                                  0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
                                  0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
                                  0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
    constexpr char16_t high[128] = {
        0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
        0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
        0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1,
        0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD,
        0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562,
        0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534,
        0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
        0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
        0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393,
        0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
        0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0,
        0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};
    Table t{};
    for (int b = 0; b < 32; ++b)
        t[b] = low[b];
    for (int b = 32; b < 127; ++b)
        t[b] = char16_t(b);
    t[127] = 0x2302;
    for (int b = 128; b < 256; ++b)
        t[b] = high[b - 128];
    return t;
}

// Code page 1252. Its five unassigned bytes keep their C1 code points, as Windows maps them;
// control bytes show as the Unicode control pictures so that they stay visible and round-trip.
constexpr Table makeAnsi() {
    constexpr char16_t c1[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    Table t{};
    for (int b = 0; b < 32; ++b)
        t[b] = char16_t(0x2400 + b);
    for (int b = 32; b < 127; ++b)
        t[b] = char16_t(b);
    t[127] = 0x2421;
    for (int b = 128; b < 160; ++b)
        t[b] = c1[b - 128];
    for (int b = 160; b < 256; ++b)
        t[b] = char16_t(b);
    return t;
}

constexpr Table oemTable = makeOem();
constexpr Table ansiTable = makeAnsi();

// Bytes outside a valid UTF-8 sequence show as code page 437 does.
const Table& table(Charset charset) {
    return charset == Charset::Ansi ? ansiTable : oemTable;
}

// Character -> byte + 1 (0 = not in the code page), for all of the basic multilingual plane.
using Reverse = std::array<std::uint16_t, 65536>;

const Reverse& reverse(Charset charset) {
    static const auto build = [](const Table& t) {
        auto r = std::make_unique<Reverse>();
        r->fill(0);
        for (int b = 0; b < 256; ++b)
            (*r)[t[b]] = std::uint16_t(b + 1);
        return r;
    };
    static const auto oem = build(oemTable);
    static const auto ansi = build(ansiTable);
    return charset == Charset::Ansi ? *ansi : *oem;
}

} // namespace

int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t& codePoint) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    const qsizetype left = bytes.size() - at;
    const unsigned char b = p[0];
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = b == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    char32_t c = b & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        c = (c << 6) | (p[i] & 0x3F);
    codePoint = c;
    return length;
}

char16_t glyph(unsigned char byte, Charset charset) {
    if (byte == '\t' || byte == '\r' || byte == '\n')
        return char16_t(byte);
    return table(charset)[byte];
}

QString toDisplay(QByteArrayView bytes, Charset charset) {
    Table t = table(charset);
    t['\t'] = u'\t';
    t['\r'] = u'\n';
    t['\n'] = u'\n';
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const begin = out;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const start = in;
    const auto* const end = in + bytes.size();
    while (in != end) {
        char32_t c = 0;
        // A sequence is never shorter than its UTF-16 form, so the text has room for it.
        if (charset == Charset::Utf8 && *in >= 0x80) {
            if (const int length = utf8Sequence(bytes, in - start, c)) {
                in += length;
                if (c >= 0x10000) {
                    *out++ = QChar::highSurrogate(c);
                    *out++ = QChar::lowSurrogate(c);
                } else {
                    *out++ = char16_t(c);
                }
                continue;
            }
        }
        const unsigned char b = *in++;
        *out++ = t[b];
        // A CR LF pair is one break on screen.
        if (b == '\r' && in != end && *in == '\n')
            ++in;
    }
    text.truncate(out - begin);
    return text;
}

QByteArray fromDisplay(QStringView text, Charset charset) {
    if (charset == Charset::Utf8) {
        QString lines = text.toString();
        lines.replace(QChar(0x2029), u'\n');
        return lines.toUtf8().replace("\n", "\r\n");
    }
    const Reverse& r = reverse(charset);
    QByteArray bytes;
    bytes.reserve(text.size() + text.size() / 32);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\n' || c == 0x2029) {
            bytes.append("\r\n", 2);
        } else if (c == u'\t') {
            bytes.append('\t');
        } else {
            const std::uint16_t b = r[c];
            bytes.append(b ? char(b - 1) : '?');
        }
    }
    return bytes;
}

int utf8Character(QByteArrayView bytes, qsizetype at, char32_t& character) {
    const auto b = uchar(bytes[at]);
    character = b;
    if (b < 0x80)
        return 1;
    if (const int length = utf8Sequence(bytes, at, character))
        return length;
    character = glyph(b, Charset::Oem);
    return 1;
}

} // namespace CodePage
