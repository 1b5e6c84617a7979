#pragma once

#include "Cells.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <map>
#include <vector>

// Where the cells of long lines lie: a mark of (offset, column) every Step bytes or so, so that
// finding the column of an offset, the offset of a column or a line's width walks at most about
// Step bytes, however far into the line it is. A short line is walked from its start. A line is
// marked the first time it is asked about, and an edit moves the marks after it instead of
// walking the line again.
class CellIndex {
public:
    static constexpr qsizetype Step = 2048;
    // Lines up to this long are walked whole: it costs no more than a walk from a mark.
    static constexpr qsizetype LongLine = 4 * Step;

    // A new document or script: every mark goes.
    void reset(const TextDocument* document, CodePage::Charset charset);
    CodePage::Charset charset() const { return m_charset; }

    // A boundary at or before the column, or the offset (within the line), to walk from.
    Cells::Mark atColumn(qsizetype line, qint64 column) const;
    Cells::Mark atOffset(qsizetype line, qsizetype offset) const;
    // How many columns the line covers.
    qint64 columns(qsizetype line) const;

    // After the document changed as change says.
    void edited(const TextDocument::Change& change);

private:
    struct Marks {
        std::vector<Cells::Mark> marks; // the first at the line's start
        qint64 width = 0;
    };
    const Marks* marksOf(qsizetype line) const;
    template <typename Value>
    Cells::Mark lastMark(qsizetype line, Value Cells::Mark::*field, Value value) const;
    Marks walk(QByteArrayView line, Marks marks, qsizetype until) const;
    Marks splice(QByteArrayView line, const Marks* head, qsizetype keepBefore, const Marks* tail,
                 qsizetype tailFrom, qsizetype shift) const;

    const TextDocument* m_document = nullptr;
    CodePage::Charset m_charset = CodePage::Charset::Oem;
    mutable std::map<qsizetype, Marks> m_lines;
};
