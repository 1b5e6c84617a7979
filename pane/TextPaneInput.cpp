#include "TextPane.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>

// ---- Keyboard -------------------------------------------------------------------------------

bool TextPane::focusNextPrevChild(bool next) {
    // Tab is a character of the document while it can be edited.
    return m_readOnly ? QAbstractScrollArea::focusNextPrevChild(next) : false;
}

bool TextPane::moveCaret(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int rows = visibleRows();
    QScrollBar* bar = verticalScrollBar();

    if (m_readOnly) {
        // Nothing to edit: the keys move the view.
        QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
        switch (event->key()) {
        case Qt::Key_Up:
            action = QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_Down:
            action = QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = QAbstractSlider::SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = QAbstractSlider::SliderPageStepAdd;
            break;
        // Columns past the window's edge are reached without a caret too: Home and End go as
        // far sideways as the lines in view allow.
        case Qt::Key_Home:
        case Qt::Key_End:
            if (control) {
                action = event->key() == Qt::Key_Home ? QAbstractSlider::SliderToMinimum
                                                      : QAbstractSlider::SliderToMaximum;
                break;
            }
            scrollSideways(event->key() == Qt::Key_Home ? -m_leftColumn : widestInView());
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            scrollSideways(event->key() == Qt::Key_Left ? -1 : 1);
            return true;
        default:
            break;
        }
        if (action == QAbstractSlider::SliderNoAction)
            return false;
        bar->triggerAction(action);
        return true;
    }

    const Place place = placeOf(m_caret);
    // Up, Down and the page keys keep to one column over short lines.
    const auto toRow = [&](qint64 row) {
        const qint64 goal = m_goalColumn >= 0 ? m_goalColumn : place.column;
        row = std::clamp<qint64>(row, 0, rowCount() - 1);
        qsizetype line = 0;
        qint64 first = 0, next = -1;
        rowToLine(row, line, first, &next);
        qint64 column = first + goal;
        if (next >= 0)
            column = std::min(column, next - 1);
        setCaret(m_document.lineStart(line) + m_moves.offsetOfColumn(line, column), extend);
        m_goalColumn = goal;
    };
    const auto rowEdge = [&](bool end) {
        qsizetype line = 0;
        qint64 first = 0, next = -1;
        rowToLine(place.row, line, first, &next);
        const qint64 last = next >= 0 ? next - 1 : m_cells.columns(line);
        return m_document.lineStart(line) + m_moves.offsetOfColumn(line, end ? last : first);
    };
    const qsizetype selFrom = std::min(m_anchor, m_caret);
    const qsizetype selTo = std::max(m_anchor, m_caret);

    switch (event->key()) {
    case Qt::Key_Left:
        if (control)
            setCaret(m_moves.wordStart(m_moves.previousCell(m_caret)), extend);
        else
            setCaret(hasSelection() && !extend ? selFrom : m_moves.previousCell(m_caret), extend);
        return true;
    case Qt::Key_Right:
        if (control)
            setCaret(m_moves.wordEnd(m_moves.nextCell(m_caret)), extend);
        else
            setCaret(hasSelection() && !extend ? selTo : m_moves.nextCell(m_caret), extend);
        return true;
    case Qt::Key_Up:
        toRow(place.row - 1);
        return true;
    case Qt::Key_Down:
        toRow(place.row + 1);
        return true;
    case Qt::Key_PageUp:
        bar->setValue(bar->value() - rows);
        toRow(place.row - rows);
        return true;
    case Qt::Key_PageDown:
        bar->setValue(bar->value() + rows);
        toRow(place.row + rows);
        return true;
    case Qt::Key_Home:
        setCaret(control ? 0 : rowEdge(false), extend);
        return true;
    case Qt::Key_End:
        setCaret(control ? m_document.size() : rowEdge(true), extend);
        return true;
    default:
        return false;
    }
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    // Enter does not break a line here: the pane has no use for it but to spoil the art.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier ||
        event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return zoom(1);
        case Qt::Key_Minus:
            return zoom(-1);
        case Qt::Key_0:
            return zoom(-m_zoom);
        default:
            break;
        }
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (!m_readOnly) {
        if (event->matches(QKeySequence::Cut))
            return cut();
        if (event->matches(QKeySequence::Paste))
            return paste();
        if (event->matches(QKeySequence::Undo))
            return undo();
        // Ctrl+Y too, as on the system the program comes from (X11's own redo is Ctrl+Shift+Z).
        if (event->matches(QKeySequence::Redo) ||
            (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier))
            return redo();
        if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
            if (!hasSelection()) {
                const bool back = event->key() == Qt::Key_Backspace;
                (back ? m_anchor : m_caret) =
                    back ? m_moves.previousCell(m_caret) : m_moves.nextCell(m_caret);
            }
            replaceSelection({});
            return;
        }
        const QString typed = event->text();
        if (!typed.isEmpty() && (typed.front().isPrint() || typed == u"\t") &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            replaceSelection(toDocumentBytes(typed));
            return;
        }
    }
    if (!moveCaret(event))
        event->ignore();
    else if (event->modifiers() & Qt::ShiftModifier)
        publishSelection();
}

void TextPane::inputMethodEvent(QInputMethodEvent* event) {
    // The input-method editor stays closed; composed text never reaches the document.
    event->ignore();
}

// ---- Mouse ----------------------------------------------------------------------------------

void TextPane::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton && !m_readOnly &&
        QGuiApplication::clipboard()->supportsSelection()) {
        // The primary selection goes in where the pointer is.
        setCaret(offsetAt(at));
        const QByteArray bytes =
            insertedBytes(QGuiApplication::clipboard()->mimeData(QClipboard::Selection));
        if (!bytes.isEmpty())
            replaceSelection(bytes);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    // A third click soon after a double click selects the line.
    if (m_doubleClicked.isValid() &&
        m_doubleClicked.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (at - m_doubleClickAt).manhattanLength() <
            QGuiApplication::styleHints()->startDragDistance()) {
        m_doubleClicked.invalidate();
        const qsizetype line = m_document.lineOf(offsetAt(at));
        selectByMouse(m_document.lineStart(line), m_document.lineEnd(line));
        return;
    }
    // Only the press right after a double click is a third click.
    m_doubleClicked.invalidate();
    // A link opens on release, unless the press becomes a drag or a double click; editable,
    // only Ctrl+click opens it, and does not move the caret.
    const int link = linkAt(cellUnder(at));
    const bool control = event->modifiers() & Qt::ControlModifier;
    m_pressedLink = link >= 0 && (m_readOnly || control) ? link : -1;
    m_pressedAt = at;
    if (m_pressedLink >= 0 && !m_readOnly)
        return;
    setCaret(offsetAt(at), event->modifiers() & Qt::ShiftModifier);
}

void TextPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        hover(linkAt(cellUnder(event->position().toPoint())));
        return;
    }
    m_dragAt = event->position().toPoint();
    if ((m_dragAt - m_pressedAt).manhattanLength() >=
        QGuiApplication::styleHints()->startDragDistance())
        m_pressedLink = -1;
    setCaret(offsetAt(m_dragAt), true);
    // Held past an edge, the selection goes on growing that way while the pointer stays out.
    if (viewport()->rect().contains(m_dragAt))
        m_dragScroll.stop();
    else if (!m_dragScroll.isActive())
        m_dragScroll.start(50, this);
}

void TextPane::mouseReleaseEvent(QMouseEvent* event) {
    m_dragScroll.stop();
    if (event->button() == Qt::LeftButton) {
        publishSelection();
        const int link = m_pressedLink;
        m_pressedLink = -1;
        if (link >= 0 && linkAt(cellUnder(event->position().toPoint())) == link)
            Q_EMIT linkActivated(link);
    }
    event->accept();
}

void TextPane::dragScrollStep() {
    const QRect inside = viewport()->rect();
    if (inside.contains(m_dragAt)) {
        m_dragScroll.stop();
        return;
    }
    if (m_dragAt.y() < inside.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (m_dragAt.y() > inside.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (m_dragAt.x() < inside.left())
        scrollSideways(-1);
    else if (m_dragAt.x() > inside.right())
        scrollSideways(1);
    // The caret follows the pointer, held at the edge it is past.
    const QPoint edge(std::clamp(m_dragAt.x(), inside.left(), inside.right()),
                      std::clamp(m_dragAt.y(), inside.top(), inside.bottom()));
    setCaret(offsetAt(edge), true);
}

void TextPane::selectByMouse(qsizetype from, qsizetype to) {
    const qint64 left = m_leftColumn;
    const int top = firstVisibleRow();
    setCaret(from);
    setCaret(to, true);
    // Without a caret to show, the view does not run off to the end of what was selected.
    if (m_readOnly) {
        m_leftColumn = left;
        verticalScrollBar()->setValue(top);
    }
    publishSelection();
}

void TextPane::mouseDoubleClickEvent(QMouseEvent* event) {
    // Only the left button's double click counts, as on the system the program comes from.
    if (event->button() != Qt::LeftButton)
        return;
    m_pressedLink = -1;
    // The word of the cell under the pointer: the boundary at its left edge, not the nearest.
    const QPoint point = event->position().toPoint();
    const qsizetype at = offsetAt(point - QPoint(int(cell().width() / 2), 0));
    const qsizetype end = m_moves.wordEnd(at);
    selectByMouse(end > at ? m_moves.wordStart(end) : m_moves.wordStart(at), end);
    m_doubleClicked.start();
    m_doubleClickAt = event->position().toPoint();
    Q_EMIT doubleClicked();
}

void TextPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool editable = !m_readOnly;
    const auto item = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                          auto run) {
        QAction* action = menu.addAction(text, this, run);
        action->setShortcut(QKeySequence(key));
        action->setEnabled(enabled);
    };
    item(tr("&Undo"), QKeySequence::Undo, editable && m_document.canUndo(), [this] { undo(); });
    item(tr("&Redo"), QKeySequence::Redo, editable && m_document.canRedo(), [this] { redo(); });
    menu.addSeparator();
    item(tr("Cu&t"), QKeySequence::Cut, editable && hasSelection(), [this] { cut(); });
    item(tr("&Copy"), QKeySequence::Copy, hasSelection(), [this] { copy(); });
    item(tr("&Paste"), QKeySequence::Paste,
         editable && !QGuiApplication::clipboard()->text().isEmpty(), [this] { paste(); });
    item(tr("Delete"), QKeySequence::Delete, editable && hasSelection(),
         [this] { replaceSelection({}); });
    menu.addSeparator();
    item(tr("Select All"), QKeySequence::SelectAll, m_document.size() > 0, [this] { selectAll(); });
    if (!m_contextActions.isEmpty()) {
        menu.addSeparator();
        menu.addActions(m_contextActions);
    }
    menu.exec(event->globalPos());
}

// ---- Drag and drop --------------------------------------------------------------------------

// Files dropped on the pane are for the window to open, not text to insert; the toolkit hands
// a drop the pane ignores on to the window.
static bool takesDrop(const QMimeData* data, bool readOnly) {
    return !readOnly && data && data->hasText() && droppedLocalFile(data).isEmpty();
}

void TextPane::dragEnterEvent(QDragEnterEvent* event) {
    if (takesDrop(event->mimeData(), m_readOnly))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextPane::dragMoveEvent(QDragMoveEvent* event) {
    if (takesDrop(event->mimeData(), m_readOnly))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextPane::dropEvent(QDropEvent* event) {
    if (!takesDrop(event->mimeData(), m_readOnly)) {
        event->ignore();
        return;
    }
    setCaret(offsetAt(event->position().toPoint()));
    replaceSelection(insertedBytes(event->mimeData()));
    event->acceptProposedAction();
}
