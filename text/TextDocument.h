#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

// The pane's content: the document's bytes and where each of its lines starts, found in one
// pass at load and kept up to date by every edit, so that nothing ever lays out the whole text.
// A line ends at LF; a CR just before it belongs to the break. Edits are kept for undo.
class TextDocument {
public:
    TextDocument();

    // Takes the bytes as they are (shared, not copied) and indexes their lines; forgets the edits.
    // At most MaxSize bytes (std::length_error).
    void setBytes(const QByteArray& bytes);
    // The same with the line starts lineStarts() found of them (on another thread, say).
    void setBytes(const QByteArray& bytes, std::vector<quint32> starts);
    // The same bytes held in other memory (a mapped file's own copy): nothing else changes, and
    // only while they are the bytes of was handed out: false once an edit made others of them.
    bool moveTo(const QByteArray& of, const QByteArray& copy);
    // Where each line of bytes starts, the first at 0; feeds, where known, is how many line
    // feeds bytes has, which saves counting them first.
    static std::vector<quint32> lineStarts(QByteArrayView bytes, qsizetype feeds = -1);
    // The same of a text whose every break is CR LF already, found in the pass that makes sure
    // of it: none where a lone CR or LF stands, which the breaks' mending would change.
    static std::optional<std::vector<quint32>> crLfLineStarts(QByteArrayView bytes);
    const QByteArray& bytes() const { return m_bytes; }
    qsizetype size() const { return m_bytes.size(); }

    // Offsets are kept in 32 bits, four bytes a line: a document holds at most this many bytes.
    static constexpr qsizetype MaxSize = 0xFFFFFFFF;

    qsizetype lineCount() const { return qsizetype(m_starts.size()); }
    qsizetype lineStart(qsizetype line) const { return m_starts[size_t(line)]; }
    // Where the line's text ends, before its break. Inline: layouts ask it of every line.
    qsizetype lineEnd(qsizetype line) const {
        if (line + 1 >= lineCount())
            return m_bytes.size();
        qsizetype end = qsizetype(m_starts[size_t(line + 1)]) - 1;
        if (end > qsizetype(m_starts[size_t(line)]) && m_bytes.constData()[end - 1] == '\r')
            --end;
        return end;
    }
    QByteArrayView line(qsizetype line) const;
    // The line an offset lies in (a break belongs to the line it ends).
    qsizetype lineOf(qsizetype offset) const;

    // The offset one cell on: over a whole line break at a line's end, to the document's end at
    // most; and back.
    qsizetype next(qsizetype offset) const;
    qsizetype previous(qsizetype offset) const;

    // Puts text in place of [from, to) and records it for undo. Typing a run of characters one
    // after another is undone as one. False, and nothing changed, when the document would grow
    // past MaxSize. An edit that replaced a selection gives it back selected when undone.
    bool replace(qsizetype from, qsizetype to, const QByteArray& text,
                 bool replacesSelection = false);
    // Take back the last edit or do it again; the offset is where the caret belongs after it,
    // -1 when there was nothing to do.
    qsizetype undo();
    qsizetype redo();
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }

    // Whether the bytes are other than when they were last set or marked saved: edits undone
    // back to those bytes are none.
    bool isModified() const { return qsizetype(m_undo.size()) != m_savedDepth; }
    void markSaved();

    // What the last change (an edit, an undo or a redo) did: the bytes [at, at + removed) of
    // the text before it became [at, at + inserted). The lines it touched, in the text before:
    // line holds at, and the line holding at + removed started at lastLineStart, removedBreaks
    // lines further on; the new text brought insertedBreaks breaks.
    struct Change {
        qsizetype at = 0;
        qsizetype removed = 0;
        qsizetype inserted = 0;
        qsizetype line = 0;
        qsizetype lastLineStart = 0;
        qsizetype removedBreaks = 0;
        qsizetype insertedBreaks = 0;
        bool restoresSelection = false; // an undo put back [at, at + inserted) that was selected
        QByteArray removedBytes;        // what [at, at + removed) held
    };
    const Change& lastChange() const { return m_change; }

private:
    struct Edit {
        qsizetype at;
        QByteArray removed;
        QByteArray inserted;
        bool replacedSelection = false;
    };
    void apply(qsizetype from, qsizetype to, const QByteArray& text);
    // Takes the last edit of one list back (or does it again) and keeps it on the other.
    qsizetype replay(std::vector<Edit>& from, std::vector<Edit>& to, bool back);

    QByteArray m_bytes;
    std::vector<quint32> m_starts;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;
    // How many edits were to undo when the bytes were saved; -1 once no undo or redo can get
    // back there.
    qsizetype m_savedDepth = 0;
    Change m_change;
};
