#include "TextPane.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QStyleHints>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

// The document's own bytes beside the text on the clipboard, so that what is copied here comes
// back as the same bytes in any script; other programs see only the text.
const QString BytesMimeType = QStringLiteral("application/x-zelvan-rid-evodad-bytes");
const QString TextMimeType = QStringLiteral("text/plain");

// Copied or selected bytes, made into text only when a program asks for it: selecting all of a
// 64 MiB document costs a copy of its bytes, not their conversion.
class CopiedBytes : public QMimeData {
public:
    CopiedBytes(QByteArray bytes, CodePage::Charset charset)
        : m_bytes(std::move(bytes)), m_charset(charset) {}
    QStringList formats() const override { return {TextMimeType, BytesMimeType}; }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        if (format == BytesMimeType)
            return m_bytes;
        if (format == TextMimeType)
            return CodePage::toDisplay(m_bytes, m_charset);
        return {};
    }

private:
    QByteArray m_bytes;
    CodePage::Charset m_charset;
};

// The most characters a change is told with. Each event carries its text over the bus: 64 MiB
// took a reader 14 s, the program frozen. Past this a change is told by the caret alone, and a
// reader reads the text when it wants it.
constexpr qint64 MostToldCharacters = 256 * 1024;

// Character positions as assistive technology counts them, in an int.
int accessibleOffset(qint64 character) {
    return int(std::min<qint64>(character, INT_MAX));
}

} // namespace

// ---- Caret and selection ----------------------------------------------------------------------

void TextPane::setCaret(qsizetype offset, bool extendSelection) {
    offset = std::clamp<qsizetype>(offset, 0, m_document.size());
    // Never between the CR and the LF of a break.
    offset = std::min(offset, m_document.lineEnd(m_document.lineOf(offset)));
    // Nor inside a cell: after an edit joined bytes into one, it goes to the cell's end.
    offset = m_moves.cellBoundary(offset);
    const qsizetype caret = m_caret;
    const qsizetype anchor = m_anchor;
    m_caret = offset;
    if (!extendSelection)
        m_anchor = offset;
    m_goalColumn = -1;
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
    announceCaret(caret, anchor);
}

void TextPane::selectAll() {
    const qsizetype caret = m_caret;
    const qsizetype anchor = m_anchor;
    m_anchor = 0;
    m_caret = m_document.size();
    publishSelection();
    viewport()->update();
    announceCaret(caret, anchor);
}

void TextPane::announceCaret(qsizetype caret, qsizetype anchor) {
    if (!QAccessible::isActive() || (caret == m_caret && anchor == m_anchor))
        return;
    const int at = accessibleOffset(m_shown.characterAt(m_caret));
    if ((caret != anchor || hasSelection()) &&
        std::minmax(caret, anchor) != std::minmax(m_caret, m_anchor)) {
        const int from = accessibleOffset(m_shown.characterAt(std::min(m_caret, m_anchor)));
        const int to = accessibleOffset(m_shown.characterAt(std::max(m_caret, m_anchor)));
        QAccessibleTextSelectionEvent event(this, from, to);
        event.setCursorPosition(at);
        QAccessible::updateAccessibility(&event);
    }
    if (caret != m_caret) {
        QAccessibleTextCursorEvent event(this, at);
        QAccessible::updateAccessibility(&event);
    }
}

std::optional<QString> TextPane::toldText() const {
    if (!QAccessible::isActive() || m_shown.length() > MostToldCharacters)
        return std::nullopt;
    return m_shown.text(0, m_shown.length());
}

void TextPane::announceEdit(const TextDocument::Change& change) {
    // Never more characters than bytes.
    if (!QAccessible::isActive() || (change.removed == 0 && change.inserted == 0) ||
        change.removed > MostToldCharacters || change.inserted > MostToldCharacters)
        return;
    const int at = accessibleOffset(m_shown.characterAt(change.at));
    const QString removed = ShownText::shown(change.removedBytes, m_charset);
    const QString inserted = ShownText::shown(
        QByteArrayView(m_document.bytes()).sliced(change.at, change.inserted), m_charset);
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, at, inserted);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, at, removed);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, at, removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

void TextPane::announceText(const std::optional<QString>& before) {
    if (!QAccessible::isActive())
        return;
    if (const std::optional<QString> after = toldText(); before && after) {
        QAccessibleTextUpdateEvent event(this, 0, *before, *after);
        QAccessible::updateAccessibility(&event);
    }
    QAccessibleTextCursorEvent cursor(this, accessibleOffset(m_shown.characterAt(m_caret)));
    QAccessible::updateAccessibility(&cursor);
}

QByteArray TextPane::selectedBytes() const {
    const qsizetype from = std::min(m_anchor, m_caret);
    return m_document.bytes().sliced(from, std::max(m_anchor, m_caret) - from);
}

void TextPane::restartBlink() {
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (!m_readOnly && hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void TextPane::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_dragScroll.timerId()) {
        dragScrollStep();
        return;
    }
    if (event->timerId() == m_refine.timerId()) {
        refineSlice();
        return;
    }
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(cursorRect(m_caret));
}

void TextPane::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void TextPane::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

// ---- Editing --------------------------------------------------------------------------------

QByteArray TextPane::toDocumentBytes(const QString& text) const {
    // Typed and pasted text only ever holds characters that are bytes of the document: one the
    // code page lacks becomes '?', and every kind of line break becomes CR LF.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return CodePage::fromDisplay(lines, m_charset);
}

void TextPane::replaceSelection(const QByteArray& text) {
    const qsizetype from = std::min(m_anchor, m_caret);
    // Refused only when nothing would change, or past the 4 GiB a document can hold.
    if (!m_document.replace(from, std::max(m_anchor, m_caret), text, hasSelection())) {
        if (!text.isEmpty())
            QApplication::beep();
        return;
    }
    edited(from + text.size());
}

void TextPane::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setMimeData(new CopiedBytes(selectedBytes(), m_charset));
}

void TextPane::publishSelection() const {
    // X11's primary selection: what is selected is there for a middle click anywhere.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(new CopiedBytes(selectedBytes(), m_charset), QClipboard::Selection);
}

QByteArray TextPane::insertedBytes(const QMimeData* data) const {
    if (!data)
        return {};
    if (data->hasFormat(BytesMimeType))
        return data->data(BytesMimeType);
    return data->hasText() ? toDocumentBytes(data->text()) : QByteArray();
}

void TextPane::cut() {
    if (m_readOnly || !hasSelection())
        return;
    copy();
    replaceSelection({});
}

void TextPane::paste() {
    if (m_readOnly)
        return;
    const QByteArray bytes = insertedBytes(QGuiApplication::clipboard()->mimeData());
    if (!bytes.isEmpty())
        replaceSelection(bytes);
}

void TextPane::undo() {
    const qsizetype caret = m_readOnly ? -1 : m_document.undo();
    if (caret < 0)
        return;
    const TextDocument::Change change = m_document.lastChange();
    edited(caret);
    // A cut or a paste over a selection taken back: the selection comes back with its text.
    if (change.restoresSelection) {
        setCaret(change.at);
        setCaret(change.at + change.inserted, true);
    }
}

void TextPane::redo() {
    const qsizetype caret = m_readOnly ? -1 : m_document.redo();
    if (caret >= 0)
        edited(caret);
}
