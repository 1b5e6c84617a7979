#pragma once

#include "CellIndex.h"
#include "Cells.h"
#include "TextDocument.h"

// Where a caret can stand in a document and where each move takes it: one cell on or back (over
// a whole UTF-8 sequence and a whole line break), to the start or the end of a word. A word is a
// run of cells of one kind: letters and digits, art, blanks and punctuation each make their own.
// Offsets are the document's; a line's cells are found from the nearest mark of its index, in
// the index's script.
class CaretMoves {
public:
    CaretMoves(const TextDocument& document, const CellIndex& cells)
        : m_document(document), m_cells(cells) {}

    // Within one line: the column of an offset, the offset of a column, the cell at an offset.
    qint64 columnOf(qsizetype line, qsizetype offset) const;
    qsizetype offsetOfColumn(qsizetype line, qint64 column) const;
    Cells::Cell cellOf(qsizetype line, qsizetype offset) const;
    // The cell boundary at offset, or the end of the cell offset lies inside.
    qsizetype cellBoundary(qsizetype offset) const;
    qsizetype nextCell(qsizetype offset) const;
    qsizetype previousCell(qsizetype offset) const;
    // Where the word that ends at or holds offset starts, and where the one from offset ends;
    // offset itself at a blank.
    qsizetype wordStart(qsizetype offset) const;
    qsizetype wordEnd(qsizetype offset) const;
    // The run of cells of one kind (a word, blanks, art, punctuation) that holds the cell at
    // offset, which lies before its line's end.
    void wordRun(qsizetype offset, qsizetype& from, qsizetype& to) const;

private:
    const TextDocument& m_document;
    const CellIndex& m_cells;
};
