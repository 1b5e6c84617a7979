#include "CaretMoves.h"

#include <QChar>

#include <algorithm>

namespace {

// What a word is made of: a run of cells of one kind. Letters and digits, art (the box, block
// and shade characters and the shapes after them), blanks and punctuation each make their own
// runs, so that "[04-02-98]" is seven words and a frame stops a word that touches it.
enum class WordClass : unsigned char { Blank, Word, Art, Punctuation };

WordClass wordClass(char32_t glyph) {
    if (glyph == U' ' || glyph == U'\t' || glyph == U'\r' || glyph == 0xA0 || glyph == 0)
        return WordClass::Blank;
    if (glyph >= 0x2500 && glyph <= 0x25FF)
        return WordClass::Art;
    if (glyph == U'_' || QChar::isLetterOrNumber(glyph))
        return WordClass::Word;
    return WordClass::Punctuation;
}

// The cell that ends at offset within a line (offset a cell boundary past its start): in UTF-8
// the nearest lead byte back starts it if its sequence ends exactly there, for every other
// byte is a cell of its own.
Cells::Cell cellBefore(QByteArrayView line, CodePage::Charset charset, qsizetype offset) {
    const auto byte = [&](qsizetype at) { return uchar(line[at]); };
    if (charset == CodePage::Charset::Utf8) {
        for (qsizetype lead = offset - 1; lead >= std::max<qsizetype>(0, offset - 4); --lead) {
            if ((byte(lead) & 0xC0) == 0x80)
                continue;
            char32_t glyph = 0;
            if (byte(lead) >= 0x80 && CodePage::utf8Sequence(line, lead, glyph) == offset - lead)
                return {lead, int(offset - lead), 0, 1, glyph};
            break;
        }
    }
    return {offset - 1, 1, 0, 1, CodePage::glyph(byte(offset - 1), charset)};
}

Cells::Cell cellFrom(QByteArrayView line, CodePage::Charset charset, qsizetype offset) {
    char32_t glyph = 0;
    const int length = charset == CodePage::Charset::Utf8 && uchar(line[offset]) >= 0x80
                           ? CodePage::utf8Sequence(line, offset, glyph)
                           : 0;
    if (length > 0)
        return {offset, length, 0, 1, glyph};
    return {offset, 1, 0, 1, CodePage::glyph(uchar(line[offset]), charset)};
}

// Where the run of cells of one kind that reaches offset within a line starts, or ends.
qsizetype runStart(QByteArrayView bytes, CodePage::Charset charset, qsizetype at, WordClass kind) {
    while (at > 0) {
        const Cells::Cell cell = cellBefore(bytes, charset, at);
        if (wordClass(cell.glyph) != kind)
            break;
        at = cell.offset;
    }
    return at;
}

qsizetype runEnd(QByteArrayView bytes, CodePage::Charset charset, qsizetype at, WordClass kind) {
    while (at < bytes.size()) {
        const Cells::Cell cell = cellFrom(bytes, charset, at);
        if (wordClass(cell.glyph) != kind)
            break;
        at += cell.length;
    }
    return at;
}

} // namespace

qint64 CaretMoves::columnOf(qsizetype line, qsizetype offset) const {
    return Cells::columnAt(m_document.line(line), m_cells.charset(), offset,
                           m_cells.atOffset(line, offset));
}

qsizetype CaretMoves::offsetOfColumn(qsizetype line, qint64 column) const {
    return Cells::offsetAt(m_document.line(line), m_cells.charset(), column,
                           m_cells.atColumn(line, column));
}

Cells::Cell CaretMoves::cellOf(qsizetype line, qsizetype offset) const {
    return Cells::cellAt(m_document.line(line), m_cells.charset(), offset,
                         m_cells.atOffset(line, offset));
}

qsizetype CaretMoves::cellBoundary(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    if (offset >= m_document.lineEnd(line))
        return offset;
    const Cells::Cell cell = cellOf(line, offset - start);
    return cell.offset == offset - start ? offset : start + cell.offset + cell.length;
}

qsizetype CaretMoves::wordStart(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    const QByteArrayView bytes = m_document.line(line);
    const qsizetype at = std::min(offset - start, bytes.size());
    if (at <= 0)
        return offset;
    const WordClass kind = wordClass(cellBefore(bytes, m_cells.charset(), at).glyph);
    return kind == WordClass::Blank ? offset : start + runStart(bytes, m_cells.charset(), at, kind);
}

qsizetype CaretMoves::wordEnd(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    const QByteArrayView bytes = m_document.line(line);
    const qsizetype at = offset - start;
    if (at >= bytes.size())
        return offset;
    const WordClass kind = wordClass(cellFrom(bytes, m_cells.charset(), at).glyph);
    return kind == WordClass::Blank ? offset : start + runEnd(bytes, m_cells.charset(), at, kind);
}

void CaretMoves::wordRun(qsizetype offset, qsizetype& from, qsizetype& to) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    const QByteArrayView bytes = m_document.line(line);
    const qsizetype at = offset - start;
    const WordClass kind = wordClass(cellFrom(bytes, m_cells.charset(), at).glyph);
    from = start + runStart(bytes, m_cells.charset(), at, kind);
    to = start + runEnd(bytes, m_cells.charset(), at, kind);
}

qsizetype CaretMoves::nextCell(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    if (offset >= m_document.lineEnd(line))
        return m_document.next(offset);
    const Cells::Cell cell = cellOf(line, offset - start);
    return start + cell.offset + cell.length;
}

qsizetype CaretMoves::previousCell(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    if (offset <= start)
        return m_document.previous(offset);
    return start + cellOf(line, offset - 1 - start).offset;
}
