#include "DocumentEncoding.h"

#include "CodePage.h"

#include <QChar>
#include <QString>

#include <cstring>

namespace DocumentEncoding {

bool isUtf8Document(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView(Utf8Mark, 3)))
        return true;
    const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    // Enough to say it is UTF-8, once the whole document has turned out valid.
    bool convincing = false;
    int sequences = 0;
    qsizetype i = 0;
    while (i < size) {
        // ASCII runs go 32 bytes at a time, then eight: a long plain document costs a few
        // milliseconds.
        while (i + 32 <= size) {
            quint64 words[4];
            std::memcpy(words, begin + i, 32);
            if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ULL)
                break;
            i += 32;
        }
        while (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, begin + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= size)
            break;
        if (begin[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t c = 0;
        const int length = CodePage::utf8Sequence(bytes, i, c);
        // Code page 437 art fails here, at its first block or line byte.
        if (length == 0)
            return false;
        ++sequences;
        convincing = convincing || length >= 3 || sequences >= 3;
        i += length;
    }
    return convincing;
}

namespace {

char16_t unitAt(const unsigned char* p, Utf16 order) {
    return order == Utf16::LittleEndian ? char16_t(p[0] | p[1] << 8) : char16_t(p[0] << 8 | p[1]);
}

} // namespace

Utf16 utf16Document(QByteArrayView bytes, bool complete) {
    const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 2)
        return Utf16::None;
    const Utf16 order = p[0] == 0xFF && p[1] == 0xFE   ? Utf16::LittleEndian
                        : p[0] == 0xFE && p[1] == 0xFF ? Utf16::BigEndian
                                                       : Utf16::None;
    if (order == Utf16::None || (complete && bytes.size() % 2 != 0))
        return Utf16::None;
    const qsizetype units = bytes.size() / 2;
    for (qsizetype i = 1; i < units; ++i) {
        const char16_t unit = unitAt(p + 2 * i, order);
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 == units)
                return complete ? Utf16::None : order;
            if (!QChar::isLowSurrogate(unitAt(p + 2 * (i + 1), order)))
                return Utf16::None;
            ++i;
        } else if (QChar::isLowSurrogate(unit)) {
            return Utf16::None;
        }
    }
    return order;
}

QByteArray utf16ToUtf8(QByteArrayView bytes, Utf16 order) {
    const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
    QString text(bytes.size() / 2, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size() / 2; ++i)
        out[i] = unitAt(p + 2 * i, order);
    // A pair cut off at the end goes; any other lone surrogate turns into U+FFFD in toUtf8.
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    return text.toUtf8();
}

QByteArray decodedDocument(const QByteArray& bytes, Utf16& order, bool complete) {
    order = utf16Document(bytes, complete);
    return order == Utf16::None ? bytes : utf16ToUtf8(bytes, order);
}

QByteArray utf8ToUtf16(QByteArrayView bytes, Utf16 order) {
    QByteArray out;
    out.reserve(bytes.size() * 2);
    const auto put = [&](char16_t unit) {
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        if (order == Utf16::LittleEndian)
            out.append(low).append(high);
        else
            out.append(high).append(low);
    };
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t c = 0;
        const int length = CodePage::utf8Character(bytes, i, c);
        if (c >= 0x10000) {
            put(QChar::highSurrogate(c));
            put(QChar::lowSurrogate(c));
        } else {
            put(char16_t(c));
        }
        i += length;
    }
    return out;
}

} // namespace DocumentEncoding
