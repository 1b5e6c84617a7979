#pragma once

#include "CodePage.h"
#include "TextDocument.h"

#include <QString>

#include <vector>

// The document as characters, the way assistive technology reads it: what each cell shows (a tab
// is a tab, a lone CR a blank, a glyph past the Basic Multilingual Plane two UTF-16 units), with
// the lines joined by '\n'. Character positions map to byte offsets through the character each
// line starts at, counted the first time they are asked for and moved along with each edit; within
// a line a code page's byte is one character and UTF-8 is walked.
class ShownText {
public:
    // A new document or script: the counts go.
    void reset(const TextDocument* document, CodePage::Charset charset);
    // After the document changed as change says.
    void edited(const TextDocument::Change& change);

    qint64 length() const;
    // The character the cell at or holding offset starts with; an offset in a line break is the
    // '\n' it shows as.
    qint64 characterAt(qsizetype offset) const;
    // The offset of the cell a character belongs to (of the line's end for its '\n'); the
    // document's end past the last character.
    qsizetype offsetOf(qint64 character) const;
    QString text(qint64 from, qint64 to) const;

    // Any bytes of a document as they are read: for the text an edit took out or put in.
    static QString shown(QByteArrayView bytes, CodePage::Charset charset);

private:
    qint64 lineStart(qsizetype line) const;
    // UTF-16 units the cells of line bytes [0, until) stand for.
    qint64 unitsOf(QByteArrayView line, qsizetype until) const;

    const TextDocument* m_document = nullptr;
    CodePage::Charset m_charset = CodePage::Charset::Oem;
    // The character each line starts at, and the length after the last.
    mutable std::vector<qint64> m_starts;
};
