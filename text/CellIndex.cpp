#include "CellIndex.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// A cell that starts before a boundary decides its length from at most this many bytes past the
// cell's start, so a mark this far before an edit, or after it, is untouched by it.
constexpr qsizetype Reach = 4;

bool byOffset(const Cells::Mark& mark, qsizetype offset) {
    return mark.offset < offset;
}

qint64 afterTab(qint64 column) {
    return column + Cells::TabWidth - column % Cells::TabWidth;
}

} // namespace

void CellIndex::reset(const TextDocument* document, CodePage::Charset charset) {
    m_document = document;
    m_charset = charset;
    m_lines.clear();
}

const CellIndex::Marks* CellIndex::marksOf(qsizetype line) const {
    const QByteArrayView bytes = m_document->line(line);
    if (bytes.size() <= LongLine)
        return nullptr;
    auto found = m_lines.find(line);
    if (found == m_lines.end())
        found = m_lines.emplace(line, walk(bytes, Marks{{Cells::Mark{}}, 0}, bytes.size())).first;
    return &found->second;
}

// The last mark of the line whose field is at most value; the line's start for a short line.
template <typename Value>
Cells::Mark CellIndex::lastMark(qsizetype line, Value Cells::Mark::*field, Value value) const {
    const Marks* marks = marksOf(line);
    if (!marks)
        return {};
    const auto after =
        std::upper_bound(marks->marks.begin(), marks->marks.end(), value,
                         [field](Value v, const Cells::Mark& mark) { return v < mark.*field; });
    return after == marks->marks.begin() ? Cells::Mark{} : after[-1];
}

Cells::Mark CellIndex::atColumn(qsizetype line, qint64 column) const {
    return lastMark(line, &Cells::Mark::column, column);
}

Cells::Mark CellIndex::atOffset(qsizetype line, qsizetype offset) const {
    return lastMark(line, &Cells::Mark::offset, offset);
}

qint64 CellIndex::columns(qsizetype line) const {
    const Marks* marks = marksOf(line);
    return marks ? marks->width : Cells::columns(m_document->line(line), m_charset);
}

// Walks on from the last mark to until, marking every Step bytes; at the line's end the width
// is known too.
CellIndex::Marks CellIndex::walk(QByteArrayView line, Marks marks, qsizetype until) const {
    const Cells::Mark start = marks.marks.back();
    qsizetype next = start.offset + Step;
    qint64 column = start.column;
    const auto* data = reinterpret_cast<const unsigned char*>(line.data());
    const bool plain = m_charset != CodePage::Charset::Utf8;
    // Where each byte is a cell only the tabs need looking at: the marks between them are
    // arithmetic.
    if (plain) {
        qsizetype p = start.offset;
        while (p < until) {
            const auto* tab =
                static_cast<const unsigned char*>(std::memchr(data + p, '\t', size_t(until - p)));
            const qsizetype stop = tab ? qsizetype(tab - data) : until;
            for (; next <= stop && next < until; next += Step)
                marks.marks.push_back({next, column + (next - p)});
            column += stop - p;
            if (!tab)
                break;
            column = afterTab(column);
            p = stop + 1;
        }
    } else {
        // As Cells::forEach walks, without a call per cell: the three-byte sequences that box
        // and block art is made of are checked here, every other sequence by the script.
        const qsizetype size = line.size();
        qsizetype i = start.offset;
        while (i < until) {
            const unsigned char b = data[i];
            if (b < 0x80) {
                column = b == '\t' ? afterTab(column) : column + 1;
                ++i;
            } else if (b >= 0xE1 && b <= 0xEC && i + 2 < size && (data[i + 1] & 0xC0) == 0x80 &&
                       (data[i + 2] & 0xC0) == 0x80) {
                ++column;
                i += 3;
            } else {
                char32_t glyph = 0;
                const int length = CodePage::utf8Sequence(line, i, glyph);
                column += length > 0 && glyph == 0xFEFF ? 0 : 1;
                i += std::max(1, length);
            }
            if (i >= next && i < until) {
                marks.marks.push_back({i, column});
                next = i + Step;
            }
        }
    }
    if (until >= line.size())
        marks.width = column;
    return marks;
}

// The marks of a line made of a known head (marked as before up to keepBefore), new bytes, and a
// known tail: the bytes from tailFrom of a line marked as tail, now shift bytes further on. Only
// the new bytes are walked; the tail's marks move by as many columns as the new bytes took up,
// and past the tail's first tab by what that tab then fills.
CellIndex::Marks CellIndex::splice(QByteArrayView line, const Marks* head, qsizetype keepBefore,
                                   const Marks* tail, qsizetype tailFrom, qsizetype shift) const {
    Marks out;
    out.marks.push_back({});
    if (head)
        for (auto it = head->marks.begin() + 1;
             it != head->marks.end() && it->offset + Reach <= keepBefore; ++it)
            out.marks.push_back(*it);
    const auto first =
        tail ? std::lower_bound(tail->marks.begin(), tail->marks.end(), tailFrom + Reach, byOffset)
             : std::vector<Cells::Mark>::const_iterator{};
    if (!tail || first == tail->marks.end())
        return walk(line, std::move(out), line.size());
    const qsizetype joined = first->offset + shift;

    out = walk(line, std::move(out), joined);
    // Every byte from Reach past the new ones on ends and starts the same cells as before, so
    // the walk stops exactly on the tail's mark.
    const qint64 moved = Cells::columnAt(line, m_charset, joined, out.marks.back()) - first->column;
    qint64 later = moved;
    qsizetype tab = line.size();
    if (moved % Cells::TabWidth != 0) {
        if (const void* found =
                std::memchr(line.data() + joined, '\t', size_t(line.size() - joined))) {
            tab = qsizetype(static_cast<const char*>(found) - line.data());
            // The tab's column before the edit, walked from the tail's last mark before it.
            const auto before = std::upper_bound(
                first, tail->marks.end(), tab - shift,
                [](qsizetype o, const Cells::Mark& mark) { return o < mark.offset; });
            const Cells::Mark from{before[-1].offset + shift, before[-1].column};
            const qint64 was = Cells::columnAt(line, m_charset, tab, from);
            later = afterTab(was + moved) - afterTab(was);
        }
    }
    for (auto it = first; it != tail->marks.end(); ++it)
        if (it->offset + shift != out.marks.back().offset)
            out.marks.push_back(
                {it->offset + shift, it->column + (it->offset + shift <= tab ? moved : later)});
    out.width = tail->width + later;
    return out;
}

void CellIndex::edited(const TextDocument::Change& change) {
    if (m_lines.empty() || (change.removed == 0 && change.inserted == 0))
        return;
    const qsizetype lastLine = change.line + change.removedBreaks;
    const auto take = [this](qsizetype line) {
        std::optional<Marks> marks;
        if (auto found = m_lines.find(line); found != m_lines.end())
            marks = std::move(found->second);
        return marks;
    };
    const std::optional<Marks> head = take(change.line);
    const std::optional<Marks> tail = lastLine == change.line ? head : take(lastLine);
    // The lines the change touched go; the later ones move up or down.
    const qsizetype moved = change.insertedBreaks - change.removedBreaks;
    std::map<qsizetype, Marks> kept;
    for (auto& [line, marks] : m_lines)
        if (line < change.line)
            kept.emplace_hint(kept.end(), line, std::move(marks));
        else if (line > lastLine)
            kept.emplace_hint(kept.end(), line + moved, std::move(marks));
    m_lines = std::move(kept);

    // Lines the change made or joined keep what was known of their ends.
    const qsizetype firstStart = m_document->lineStart(change.line);
    const qsizetype newLast = change.line + change.insertedBreaks;
    const qsizetype lastStart = m_document->lineStart(newLast);
    const qsizetype tailFrom = change.at + change.removed - change.lastLineStart;
    const qsizetype shift = (change.at + change.inserted - lastStart) - tailFrom;
    const auto keep = [this](qsizetype line, Marks marks) {
        if (m_document->line(line).size() > LongLine)
            m_lines.insert_or_assign(line, std::move(marks));
    };
    if (newLast == change.line) {
        if (head || tail)
            keep(newLast, splice(m_document->line(newLast), head ? &*head : nullptr,
                                 change.at - firstStart, tail ? &*tail : nullptr, tailFrom, shift));
        return;
    }
    if (head)
        keep(change.line,
             splice(m_document->line(change.line), &*head, change.at - firstStart, nullptr, 0, 0));
    if (tail)
        keep(newLast, splice(m_document->line(newLast), nullptr, 0, &*tail, tailFrom, shift));
}
