#include "ShownText.h"

#include <algorithm>

void ShownText::reset(const TextDocument* document, CodePage::Charset charset) {
    m_document = document;
    m_charset = charset;
    m_starts = {};
}

qint64 ShownText::unitsOf(QByteArrayView line, qsizetype until) const {
    until = std::min(until, line.size());
    if (m_charset != CodePage::Charset::Utf8)
        return until;
    qint64 units = 0;
    for (qsizetype i = 0; i < until;) {
        char32_t glyph = 0;
        i += CodePage::utf8Character(line, i, glyph);
        units += glyph >= 0x10000 ? 2 : 1;
    }
    return units;
}

qint64 ShownText::lineStart(qsizetype line) const {
    if (m_starts.empty()) {
        const qsizetype lines = m_document->lineCount();
        m_starts.resize(size_t(lines) + 1);
        qint64 at = 0;
        for (qsizetype i = 0; i < lines; ++i) {
            m_starts[size_t(i)] = at;
            at += unitsOf(m_document->line(i), m_document->line(i).size()) + 1;
        }
        // No '\n' after the last line.
        m_starts[size_t(lines)] = at - 1;
    }
    return m_starts[size_t(line)];
}

void ShownText::edited(const TextDocument::Change& change) {
    if (m_starts.empty())
        return;
    // The lines the edit made take the place of the ones it replaced; later lines move by what
    // they gained or lost.
    const qsizetype first = change.line;
    const qsizetype made = change.insertedBreaks + 1;
    const qint64 oldEnd = m_starts[size_t(first + change.removedBreaks + 1)];
    std::vector<qint64> starts(static_cast<size_t>(made));
    qint64 at = m_starts[size_t(first)];
    for (qsizetype i = 0; i < made; ++i) {
        starts[size_t(i)] = at;
        const QByteArrayView line = m_document->line(first + i);
        at += unitsOf(line, line.size()) + 1;
    }
    const bool last = first + made == m_document->lineCount();
    const qint64 moved = (last ? at - 1 : at) - oldEnd;
    const auto from = m_starts.begin() + first;
    const auto tail = m_starts.insert(m_starts.erase(from, from + change.removedBreaks + 1),
                                      starts.begin(), starts.end()) +
                      made;
    for (auto it = tail; it != m_starts.end(); ++it)
        *it += moved;
}

qint64 ShownText::length() const {
    return lineStart(m_document->lineCount());
}

qint64 ShownText::characterAt(qsizetype offset) const {
    offset = std::clamp<qsizetype>(offset, 0, m_document->size());
    const qsizetype line = m_document->lineOf(offset);
    const qsizetype start = m_document->lineStart(line);
    return lineStart(line) + unitsOf(m_document->line(line), offset - start);
}

qsizetype ShownText::offsetOf(qint64 character) const {
    if (character >= length())
        return m_document->size();
    character = std::max<qint64>(0, character);
    lineStart(0);
    const qsizetype line =
        qsizetype(std::upper_bound(m_starts.begin(), m_starts.end() - 1, character) -
                  m_starts.begin()) -
        1;
    const qsizetype start = m_document->lineStart(line);
    const QByteArrayView bytes = m_document->line(line);
    qint64 left = character - m_starts[size_t(line)];
    if (m_charset != CodePage::Charset::Utf8)
        return start + std::min<qsizetype>(left, bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        char32_t glyph = 0;
        const int length = CodePage::utf8Character(bytes, i, glyph);
        left -= glyph >= 0x10000 ? 2 : 1;
        if (left < 0)
            break;
        i += length;
    }
    return start + i;
}

QString ShownText::text(qint64 from, qint64 to) const {
    from = std::clamp<qint64>(from, 0, length());
    to = std::clamp<qint64>(to, from, length());
    if (from == to)
        return {};
    const qsizetype begin = offsetOf(from);
    // The cell holding the last character ends the bytes: all of it when it is two units.
    const qsizetype last = offsetOf(to - 1);
    qsizetype end = m_document->lineEnd(m_document->lineOf(last));
    if (last < end) {
        char32_t glyph = 0;
        end = last + (m_charset == CodePage::Charset::Utf8
                          ? CodePage::utf8Character(m_document->bytes(), last, glyph)
                          : 1);
    } else {
        end = m_document->next(last);
    }
    const QString shownText =
        shown(QByteArrayView(m_document->bytes()).sliced(begin, end - begin), m_charset);
    return shownText.mid(from - characterAt(begin), to - from);
}

QString ShownText::shown(QByteArrayView bytes, CodePage::Charset charset) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at <= bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        const bool broken = end >= 0;
        if (!broken)
            end = bytes.size();
        qsizetype lineEnd = end;
        if (broken && lineEnd > at && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        QString line = CodePage::toDisplay(bytes.sliced(at, lineEnd - at), charset);
        // Inside a line a CR is drawn as a blank, not as a break.
        line.replace(u'\n', u' ');
        text += line;
        if (!broken)
            break;
        text += u'\n';
        at = end + 1;
    }
    return text;
}
