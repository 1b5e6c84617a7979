#include "TextDocument.h"
#include "ByteMask.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Appends the start of every line after the first that text holds, as offsets from base: 64
// bytes at a time, a bit for each line feed, so that short lines cost no call each.
void indexBreaks(QByteArrayView text, qsizetype base, std::vector<quint32>& starts) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (; i + 64 <= size; i += 64)
        for (quint64 mask = byteMask64(p + i, '\n'); mask; mask &= mask - 1)
            starts.push_back(quint32(base + i + std::countr_zero(mask) + 1));
    for (; i < size; ++i)
        if (p[i] == '\n')
            starts.push_back(quint32(base + i + 1));
}

// How many line feeds bytes holds, found the same way.
qsizetype countBreaks(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype count = 0;
    qsizetype i = 0;
    for (; i + 64 <= size; i += 64)
        count += bitCount(byteMask64(p + i, '\n'));
    for (; i < size; ++i)
        count += p[i] == '\n';
    return count;
}

} // namespace

TextDocument::TextDocument() {
    m_starts.push_back(0);
}

std::vector<quint32> TextDocument::lineStarts(QByteArrayView bytes, qsizetype feeds) {
    // Counted first, so that the index is made once at its size and never grows by doubling:
    // a document of short lines would otherwise hold nearly twice it for a moment.
    std::vector<quint32> starts;
    starts.reserve(size_t(feeds >= 0 ? feeds : countBreaks(bytes)) + 1);
    starts.push_back(0);
    indexBreaks(bytes, 0, starts);
    return starts;
}

std::optional<std::vector<quint32>> TextDocument::crLfLineStarts(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    // Room for as many lines as the text can hold, which is not counted first: what the lines
    // do not reach of it is never touched, and so takes no memory.
    std::vector<quint32> starts;
    try {
        starts.reserve(size_t(size / 2 + 1));
    } catch (const std::bad_alloc&) {
    }
    starts.push_back(0);
    quint64 crBefore = 0; // 1 when the byte before the block is a CR
    qsizetype i = 0;
    for (; i + 64 <= size; i += 64) {
        const quint64 lf = byteMask64(p + i, '\n');
        const quint64 cr = byteMask64(p + i, '\r');
        // Every LF right after a CR and every CR right before an LF (the block's last CR is
        // settled by the next block's first byte).
        if (lf != ((cr << 1) | crBefore))
            return std::nullopt;
        crBefore = cr >> 63;
        for (quint64 mask = lf; mask; mask &= mask - 1)
            starts.push_back(quint32(i + std::countr_zero(mask) + 1));
    }
    bool afterCr = crBefore != 0;
    for (; i < size; ++i) {
        if ((p[i] == '\n') != afterCr)
            return std::nullopt;
        if (p[i] == '\n')
            starts.push_back(quint32(i + 1));
        afterCr = p[i] == '\r';
    }
    if (afterCr)
        return std::nullopt;
    return starts;
}

void TextDocument::setBytes(const QByteArray& bytes) {
    if (bytes.size() > MaxSize)
        throw std::length_error("a document of more than 4 GiB");
    setBytes(bytes, lineStarts(bytes));
}

bool TextDocument::moveTo(const QByteArray& of, const QByteArray& copy) {
    if (m_bytes.constData() != of.constData() || m_bytes.size() != of.size() ||
        copy.size() != of.size())
        return false;
    m_bytes = copy;
    return true;
}

void TextDocument::setBytes(const QByteArray& bytes, std::vector<quint32> starts) {
    if (bytes.size() > MaxSize)
        throw std::length_error("a document of more than 4 GiB");
    m_bytes = bytes;
    m_starts = std::move(starts);
    m_undo.clear();
    m_redo.clear();
    m_savedDepth = 0;
}

void TextDocument::markSaved() {
    m_savedDepth = qsizetype(m_undo.size());
}

QByteArrayView TextDocument::line(qsizetype line) const {
    const qsizetype start = lineStart(line);
    return QByteArrayView(m_bytes.constData() + start, lineEnd(line) - start);
}

qsizetype TextDocument::lineOf(qsizetype offset) const {
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    return qsizetype(after - m_starts.begin()) - 1;
}

qsizetype TextDocument::next(qsizetype offset) const {
    if (offset >= m_bytes.size())
        return m_bytes.size();
    const qsizetype line = lineOf(offset);
    return offset >= lineEnd(line) && line + 1 < lineCount() ? lineStart(line + 1) : offset + 1;
}

qsizetype TextDocument::previous(qsizetype offset) const {
    if (offset <= 0)
        return 0;
    const qsizetype line = lineOf(offset);
    return offset == lineStart(line) ? lineEnd(line - 1) : offset - 1;
}

void TextDocument::apply(qsizetype from, qsizetype to, const QByteArray& text) {
    // By hand: QByteArray::insert at offset 0 copies a large document to a new block unless a
    // third of its block is free, where moving the bytes along in their own block will do.
    const qsizetype delta = text.size() - (to - from);
    const qsizetype tail = m_bytes.size() - to;
    if (delta > 0)
        m_bytes.resize(m_bytes.size() + delta);
    char* const data = m_bytes.data();
    std::memmove(data + from + text.size(), data + to, size_t(tail));
    std::memcpy(data + from, text.constData(), size_t(text.size()));
    if (delta < 0)
        m_bytes.truncate(m_bytes.size() + delta);
    // Lines that started inside the replaced bytes go; later ones move by the difference; the
    // new text's own breaks come in between.
    const auto first = std::upper_bound(m_starts.begin(), m_starts.end(), from);
    const auto last = std::upper_bound(first, m_starts.end(), to);
    m_change = Change{from,        to - from,
                      text.size(), qsizetype(first - m_starts.begin()) - 1,
                      last[-1],    qsizetype(last - first),
                      0,           false,
                      {}};
    for (auto it = last; it != m_starts.end(); ++it)
        *it = quint32(*it + delta);
    std::vector<quint32> added;
    indexBreaks(text, from, added);
    m_change.insertedBreaks = qsizetype(added.size());
    const auto at = m_starts.erase(first, last);
    m_starts.insert(at, added.begin(), added.end());
}

bool TextDocument::replace(qsizetype from, qsizetype to, const QByteArray& text,
                           bool replacesSelection) {
    from = std::clamp<qsizetype>(from, 0, m_bytes.size());
    to = std::clamp<qsizetype>(to, from, m_bytes.size());
    if ((from == to && text.isEmpty()) || m_bytes.size() - (to - from) > MaxSize - text.size()) {
        m_change = Change{from, 0, 0, lineOf(from), lineStart(lineOf(from)), 0, 0, false, {}};
        return false;
    }
    // The saved bytes lay among the edits undone: there is no way back to them now.
    if (m_savedDepth > qsizetype(m_undo.size()))
        m_savedDepth = -1;
    m_redo.clear();
    const bool typing = to == from && text.size() == 1 && text != "\r" && text != "\n";
    // Typing joins the last edit, but for one the saved bytes came after.
    if (typing && !m_undo.empty() && qsizetype(m_undo.size()) != m_savedDepth) {
        Edit& last = m_undo.back();
        if (last.removed.isEmpty() && last.at + last.inserted.size() == from &&
            !last.inserted.contains('\n')) {
            last.inserted += text;
            apply(from, to, text);
            return true;
        }
    }
    m_undo.push_back(
        Edit{from, m_bytes.sliced(from, to - from), text, replacesSelection && to > from});
    apply(from, to, text);
    m_change.removedBytes = m_undo.back().removed;
    return true;
}

qsizetype TextDocument::undo() {
    return replay(m_undo, m_redo, true);
}

qsizetype TextDocument::redo() {
    return replay(m_redo, m_undo, false);
}

qsizetype TextDocument::replay(std::vector<Edit>& from, std::vector<Edit>& to, bool back) {
    if (from.empty())
        return -1;
    Edit edit = std::move(from.back());
    from.pop_back();
    const QByteArray& gone = back ? edit.inserted : edit.removed;
    const QByteArray& put = back ? edit.removed : edit.inserted;
    apply(edit.at, edit.at + gone.size(), put);
    m_change.restoresSelection = back && edit.replacedSelection;
    m_change.removedBytes = gone;
    const qsizetype caret = edit.at + put.size();
    to.push_back(std::move(edit));
    return caret;
}
