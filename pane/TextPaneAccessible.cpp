#include "TextPaneAccessible.h"
#include "TextPane.h"

#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

QAccessibleInterface* paneInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("TextPane") && object && object->isWidgetType())
        return new TextPaneAccessible(static_cast<TextPane*>(object));
    return nullptr;
}

} // namespace

TextPaneAccessible::TextPaneAccessible(TextPane* pane) : QAccessibleWidget(pane) {}

void TextPaneAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(paneInterface);
        return true;
    }();
    (void)installed;
}

TextPane* TextPaneAccessible::pane() const {
    return static_cast<TextPane*>(widget());
}

int TextPaneAccessible::character(qsizetype offset) const {
    return int(std::min<qint64>(pane()->m_shown.characterAt(offset), INT_MAX));
}

qsizetype TextPaneAccessible::offsetOf(int character) const {
    return pane()->m_shown.offsetOf(character);
}

QAccessible::Role TextPaneAccessible::role() const {
    // A text either way, as a read-only text view is: whether it can be edited is its state.
    return QAccessible::EditableText;
}

QAccessible::State TextPaneAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.selectableText = true;
    state.readOnly = pane()->isReadOnly();
    state.editable = !pane()->isReadOnly();
    return state;
}

QString TextPaneAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && pane()->accessibleName().isEmpty())
        return TextPane::tr("Document");
    return QAccessibleWidget::text(t);
}

void* TextPaneAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    // Offered read-only too, as clients learn an object's interfaces once: the read-only state
    // says that its edits are refused.
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

// ---- Caret and selection ----------------------------------------------------------------------

int TextPaneAccessible::selectionCount() const {
    return pane()->hasSelection() ? 1 : 0;
}

void TextPaneAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !pane()->hasSelection())
        return;
    *startOffset = character(std::min(pane()->m_anchor, pane()->m_caret));
    *endOffset = character(std::max(pane()->m_anchor, pane()->m_caret));
}

void TextPaneAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0)
        return;
    pane()->setCaret(offsetOf(startOffset));
    pane()->setCaret(offsetOf(endOffset), true);
    pane()->publishSelection();
}

void TextPaneAccessible::addSelection(int startOffset, int endOffset) {
    // The pane holds one selection: a new one takes its place.
    setSelection(0, startOffset, endOffset);
}

void TextPaneAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        pane()->setCaret(pane()->caret());
}

int TextPaneAccessible::cursorPosition() const {
    return character(pane()->caret());
}

void TextPaneAccessible::setCursorPosition(int position) {
    pane()->setCaret(offsetOf(position));
}

// ---- Text ---------------------------------------------------------------------------------------

int TextPaneAccessible::characterCount() const {
    return int(std::min<qint64>(pane()->m_shown.length(), INT_MAX));
}

QString TextPaneAccessible::text(int startOffset, int endOffset) const {
    return pane()->m_shown.text(startOffset, endOffset);
}

void TextPaneAccessible::pieceAt(int offset, QAccessible::TextBoundaryType type, int& from,
                                 int& to) const {
    const TextPane* const p = pane();
    const TextDocument& document = p->m_document;
    const int count = characterCount();
    if (type == QAccessible::NoBoundary || count == 0) {
        from = 0;
        to = count;
        return;
    }
    offset = std::clamp(offset, 0, count);
    const qsizetype at = offsetOf(offset);
    const qsizetype line = document.lineOf(at);
    const qsizetype lineEnd = document.lineEnd(line);
    // A line's break is read as a '\n' after its last cell.
    const auto withBreak = [&](qsizetype end) {
        return end == lineEnd && line + 1 < document.lineCount() ? character(end) + 1
                                                                 : character(end);
    };
    switch (type) {
    case QAccessible::CharBoundary:
        from = character(at);
        to = at >= lineEnd ? withBreak(at) : character(p->m_moves.nextCell(at));
        return;
    case QAccessible::WordBoundary: {
        if (at >= lineEnd) {
            from = character(at);
            to = withBreak(at);
            return;
        }
        qsizetype start = at;
        qsizetype end = at;
        p->m_moves.wordRun(at, start, end);
        from = character(start);
        to = character(end);
        return;
    }
    case QAccessible::LineBoundary: {
        // The row on screen, which is the whole line without wrap.
        const TextPane::Place place = p->placeOf(at);
        qsizetype rowLine = 0;
        qint64 first = 0, next = -1;
        p->rowToLine(place.row, rowLine, first, &next);
        const qsizetype start = document.lineStart(rowLine);
        qsizetype end = lineEnd;
        if (next >= 0)
            end = start + p->m_moves.offsetOfColumn(rowLine, next);
        from = character(start + p->m_moves.offsetOfColumn(rowLine, first));
        to = withBreak(end);
        return;
    }
    default:
        // Sentences and paragraphs: the document's line and its break.
        from = character(document.lineStart(line));
        to = withBreak(lineEnd);
        return;
    }
}

QString TextPaneAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    pieceAt(offset, boundaryType, *startOffset, *endOffset);
    return text(*startOffset, *endOffset);
}

QString TextPaneAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const {
    int from = 0;
    int to = 0;
    pieceAt(offset, boundaryType, from, to);
    if (from == 0) {
        *startOffset = *endOffset = 0;
        return {};
    }
    return textAtOffset(from - 1, boundaryType, startOffset, endOffset);
}

QString TextPaneAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    int from = 0;
    int to = 0;
    pieceAt(offset, boundaryType, from, to);
    if (to >= characterCount()) {
        *startOffset = *endOffset = characterCount();
        return {};
    }
    return textAtOffset(to, boundaryType, startOffset, endOffset);
}

QString TextPaneAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One look throughout: the font and colours are the pane's.
    *startOffset = 0;
    *endOffset = characterCount();
    (void)offset;
    const TextPane* const p = pane();
    const QColor text = p->palette().color(QPalette::Text);
    const QColor ground = p->palette().color(QPalette::Base);
    return QStringLiteral("font-family:\"%1\";font-size:%2pt;fg-color:%3,%4,%5;bg-color:%6,%7,%8;")
        .arg(p->font().family())
        .arg(p->font().pointSizeF())
        .arg(text.red())
        .arg(text.green())
        .arg(text.blue())
        .arg(ground.red())
        .arg(ground.green())
        .arg(ground.blue());
}

// ---- Geometry -------------------------------------------------------------------------------

QRect TextPaneAccessible::characterRect(int offset) const {
    const TextPane* const p = pane();
    const qsizetype at = offsetOf(offset);
    const qsizetype line = p->m_document.lineOf(at);
    const qsizetype start = p->m_document.lineStart(line);
    const int width =
        at < p->m_document.lineEnd(line) ? p->m_moves.cellOf(line, at - start).width : 1;
    const TextPane::Place place = p->placeOf(at);
    const QPointF origin = p->textOrigin();
    const qint64 left = p->m_wrap ? 0 : p->m_leftColumn;
    const QRectF cell(origin.x() + qreal(place.column - left) * p->cell().width(),
                      origin.y() + qreal(place.row - p->firstVisibleRow()) * p->cell().height(),
                      width * p->cell().width(), p->cell().height());
    const QRect rect = cell.toAlignedRect();
    return QRect(p->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int TextPaneAccessible::offsetAtPoint(const QPoint& point) const {
    const qsizetype at = pane()->cellUnder(pane()->viewport()->mapFromGlobal(point));
    return at < 0 ? -1 : character(at);
}

void TextPaneAccessible::scrollToSubstring(int startIndex, int endIndex) {
    TextPane* const p = pane();
    p->ensureVisible(offsetOf(endIndex));
    p->ensureVisible(offsetOf(startIndex));
    p->viewport()->update();
}

// ---- Editing --------------------------------------------------------------------------------

void TextPaneAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    TextPane* const p = pane();
    if (p->isReadOnly())
        return;
    p->setCaret(offsetOf(startOffset));
    p->setCaret(offsetOf(endOffset), true);
    p->replaceSelection(p->toDocumentBytes(text));
}

void TextPaneAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, {});
}

void TextPaneAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}
