#include "TextSearch.h"

#include "ByteMask.h"

#include <QList>

#include <algorithm>
#include <bit>

namespace {

// The character and, unless case matters, its other cases.
std::vector<char32_t> variants(char32_t c, bool matchCase) {
    std::vector<char32_t> all{c};
    if (!matchCase)
        for (const char32_t v :
             {QChar::toLower(c), QChar::toUpper(c), QChar::toTitleCase(c), QChar::toCaseFolded(c)})
            if (std::find(all.begin(), all.end(), v) == all.end())
                all.push_back(v);
    return all;
}

// The bytes that show a character in the script: none where a code page lacks it.
QByteArray bytesOf(char32_t c, CodePage::Charset charset) {
    const QString text = QString::fromUcs4(&c, 1);
    if (charset == CodePage::Charset::Utf8)
        return text.toUtf8();
    const QByteArray byte = CodePage::fromDisplay(text, charset);
    return byte == "?" && c != U'?' ? QByteArray() : byte;
}

} // namespace

TextSearch::TextSearch(const QString& query, CodePage::Charset charset, bool matchCase) {
    for (const char32_t c : query.toUcs4()) {
        std::vector<QByteArray> unit;
        for (const char32_t v : variants(c, matchCase)) {
            const QByteArray bytes = bytesOf(v, charset);
            if (!bytes.isEmpty() && std::find(unit.begin(), unit.end(), bytes) == unit.end())
                unit.push_back(bytes);
        }
        if (unit.empty()) {
            m_impossible = true;
            unit.push_back(QByteArray());
        }
        // The longest first, so that a longer way to show it is not cut short by a shorter one.
        std::sort(unit.begin(), unit.end(),
                  [](const QByteArray& a, const QByteArray& b) { return a.size() > b.size(); });
        m_longest += unit.front().size();
        m_units.push_back(std::move(unit));
    }
    if (m_units.empty() || m_impossible)
        return;
    for (const QByteArray& first : m_units.front())
        if (std::find(m_firstBytes.begin(), m_firstBytes.end(), uchar(first[0])) ==
            m_firstBytes.end())
            m_firstBytes.push_back(uchar(first[0]));
}

qsizetype TextSearch::matchAt(QByteArrayView bytes, qsizetype at) const {
    if (m_impossible || m_units.empty())
        return 0;
    qsizetype end = at;
    for (const std::vector<QByteArray>& unit : m_units) {
        const auto fits = std::find_if(unit.begin(), unit.end(), [&](const QByteArray& way) {
            return bytes.size() - end >= way.size() && bytes.sliced(end, way.size()) == way;
        });
        if (fits == unit.end())
            return 0;
        end += fits->size();
    }
    return end - at;
}

TextSearch::Match TextSearch::next(QByteArrayView bytes, qsizetype from, qsizetype to) const {
    Match match;
    forEach(bytes, from, to, [&match](qsizetype at, qsizetype length) {
        match = {at, length};
        return false;
    });
    return match;
}

TextSearch::Match TextSearch::previous(QByteArrayView bytes, qsizetype from, qsizetype to) const {
    // Back a stretch at a time, each searched forward for its last match.
    Match match;
    for (qsizetype end = std::min(to, bytes.size()); end > from && !match.found();) {
        const qsizetype start = std::max(from, end - (qsizetype(1) << 16));
        forEach(bytes, start, end, [&match](qsizetype at, qsizetype length) {
            match = {at, length};
            return true;
        });
        end = start;
    }
    return match;
}

qsizetype TextSearch::count(QByteArrayView bytes, qsizetype from, qsizetype to) const {
    qsizetype matches = 0;
    forEach(bytes, from, to, [&matches](qsizetype, qsizetype) {
        ++matches;
        return true;
    });
    return matches;
}
