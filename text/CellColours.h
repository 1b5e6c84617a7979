#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

// The colours of a shown text's cells where art gives them (ANSI art sets a foreground and a
// background for every cell it writes): spans of the text's bytes, each from its offset up to the
// next one's. Where no span says otherwise a cell has the document's own colours, which the
// viewer decides: the pane's font colour and ground, or the art's own light grey on black.
class CellColours {
public:
    // Red, green and blue under 0xFF, or one of the names of the document's own two colours,
    // which stay names so that inverse and concealed art follows a change of them.
    using Colour = quint32;
    static constexpr Colour Foreground = 0x01000000;
    static constexpr Colour Background = 0x02000000;
    static constexpr Colour rgb(unsigned r, unsigned g, unsigned b) {
        return 0xFF000000u | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
    }
    static constexpr bool isRgb(Colour c) { return c >> 24 == 0xFF; }

    struct Span {
        qsizetype at;
        Colour foreground = Foreground;
        Colour background = Background;
    };

    CellColours() = default;
    // Spans in offset order, each of another pair than the one before it.
    explicit CellColours(std::vector<Span> spans) : m_spans(std::move(spans)) {}

    bool isEmpty() const { return m_spans.empty(); }
    const std::vector<Span>& spans() const { return m_spans; }

    // Calls visit(from, to, foreground, background) for each run of one pair of colours that
    // covers bytes of [from, to), left to right, clipped to it.
    template <typename Visit> void forEachRun(qsizetype from, qsizetype to, Visit&& visit) const {
        if (from >= to)
            return;
        // The last span at or before from is in force there.
        auto span = std::upper_bound(m_spans.begin(), m_spans.end(), from,
                                     [](qsizetype at, const Span& s) { return at < s.at; });
        Colour fg = Foreground, bg = Background;
        if (span != m_spans.begin()) {
            fg = std::prev(span)->foreground;
            bg = std::prev(span)->background;
        }
        qsizetype at = from;
        for (; span != m_spans.end() && span->at < to; ++span) {
            if (span->at > at)
                visit(at, span->at, fg, bg);
            at = std::max(at, span->at);
            fg = span->foreground;
            bg = span->background;
        }
        visit(at, to, fg, bg);
    }

    // Every colour some cell has, foregrounds and backgrounds apart, each once.
    std::vector<Colour> foregrounds() const { return used(&Span::foreground, Foreground); }
    std::vector<Colour> backgrounds() const { return used(&Span::background, Background); }

private:
    std::vector<Colour> used(Colour Span::*part, Colour own) const {
        std::vector<Colour> all{own};
        for (const Span& s : m_spans)
            all.push_back(s.*part);
        std::sort(all.begin(), all.end());
        all.erase(std::unique(all.begin(), all.end()), all.end());
        return all;
    }

    std::vector<Span> m_spans;
};
