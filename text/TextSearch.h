#pragma once

#include "ByteMask.h"
#include "CodePage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <bit>
#include <vector>

// A query looked for in a document's bytes as the pane shows them: in a code page each character
// of the query is the byte that shows it (é is 0x82 in code page 437, █ is 0xDB), in UTF-8 the
// sequence that encodes it; letter case is ignored unless asked for. Matches may overlap, and
// one never crosses a line break (a query holds none).
class TextSearch {
public:
    struct Match {
        qsizetype at = -1;
        qsizetype length = 0;
        bool found() const { return at >= 0; }
    };

    TextSearch() = default;
    TextSearch(const QString& query, CodePage::Charset charset, bool matchCase);

    bool isEmpty() const { return m_units.empty(); }
    // A query no text in the script can hold: it has a character the code page lacks.
    bool isImpossible() const { return m_impossible; }
    // The most bytes a match takes.
    qsizetype longest() const { return m_longest; }

    // The first and the last match that starts in [from, to) (bytes past to may end it).
    Match next(QByteArrayView bytes, qsizetype from, qsizetype to) const;
    Match previous(QByteArrayView bytes, qsizetype from, qsizetype to) const;
    // How many matches start in [from, to).
    qsizetype count(QByteArrayView bytes, qsizetype from, qsizetype to) const;
    // The length of the match that starts at at, or 0 where none does.
    qsizetype matchAt(QByteArrayView bytes, qsizetype at) const;

    // Calls found(at, length) for each match starting in [from, to), left to right, while it
    // returns true.
    template <typename Found>
    void forEach(QByteArrayView bytes, qsizetype from, qsizetype to, Found&& found) const;

private:
    // Each character of the query as the byte strings that show it: the character and, without
    // matching case, the other cases of it.
    std::vector<std::vector<QByteArray>> m_units;
    std::vector<unsigned char> m_firstBytes; // what a match can start with
    bool m_impossible = false;
    qsizetype m_longest = 0;
};

template <typename Found>
void TextSearch::forEach(QByteArrayView bytes, qsizetype from, qsizetype to, Found&& found) const {
    if (m_impossible || m_units.empty())
        return;
    to = std::min(to, bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto tryAt = [&](qsizetype at) {
        const qsizetype length = matchAt(bytes, at);
        return length == 0 || found(at, length);
    };
    // 64 bytes at a time, the places that hold a byte a match can start with first.
    qsizetype at = std::max<qsizetype>(0, from);
    for (; at + 64 <= to; at += 64) {
        quint64 candidates = 0;
        for (const unsigned char first : m_firstBytes)
            candidates |= byteMask64(data + at, first);
        for (; candidates; candidates &= candidates - 1)
            if (!tryAt(at + std::countr_zero(candidates)))
                return;
    }
    for (; at < to; ++at)
        if (std::find(m_firstBytes.begin(), m_firstBytes.end(), data[at]) != m_firstBytes.end() &&
            !tryAt(at))
            return;
}
