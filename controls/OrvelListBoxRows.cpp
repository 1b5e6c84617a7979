#include "OrvelListBox.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

// ---- Rows worked out, never laid out ---------------------------------------------------------
//
// The list view lays out every row to find where it goes, in memory and time a row each; rows
// that are all as tall go one after another from the top row, which the vertical scroll bar
// counts, so their places are sums.

int TOrvelListBox::rowWidth() const {
    return std::max(m_scrollWidth, viewport()->width());
}

int TOrvelListBox::topRow() const {
    return verticalScrollBar()->value();
}

int TOrvelListBox::rowsInView() const {
    return std::max(1, viewport()->height() / rowHeight());
}

QRect TOrvelListBox::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != m_entries || index.row() >= count())
        return {};
    return {-horizontalOffset(), (index.row() - topRow()) * rowHeight(), rowWidth(), rowHeight()};
}

QModelIndex TOrvelListBox::indexAt(const QPoint& point) const {
    if (point.y() < 0 || point.x() + horizontalOffset() >= rowWidth())
        return {};
    const qint64 row = qint64(topRow()) + point.y() / rowHeight();
    return row < count() ? m_entries->index(int(row)) : QModelIndex();
}

void TOrvelListBox::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    const int row = index.row(), shown = rowsInView();
    int top = topRow();
    switch (hint) {
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - shown + 1;
        break;
    case PositionAtCenter:
        top = row - shown / 2;
        break;
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + shown)
            top = row - shown + 1;
        break;
    }
    verticalScrollBar()->setValue(top);
}

void TOrvelListBox::doItemsLayout() {
    // Nothing to lay out: the scroll bars and the view are all there is.
    QAbstractItemView::doItemsLayout();
}

void TOrvelListBox::reset() {
    QAbstractItemView::reset();
    // Later, as the list view does: a list cleared and filled again in one go keeps its extent.
    scheduleDelayedItemsLayout();
}

void TOrvelListBox::updateGeometries() {
    const int shown = rowsInView();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setRange(0, std::max(0, count() - shown));
    horizontalScrollBar()->setSingleStep(std::max(1, rowHeight()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, rowWidth() - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

void TOrvelListBox::scrollContentsBy(int, int) {
    viewport()->update();
}

int TOrvelListBox::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int TOrvelListBox::verticalOffset() const {
    return topRow() * rowHeight();
}

bool TOrvelListBox::isIndexHidden(const QModelIndex&) const {
    return false;
}

QModelIndex TOrvelListBox::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    if (count() == 0)
        return {};
    const int current = currentRow();
    int row = current;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        row = current < 0 ? 0 : current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current < 0 ? 0 : current + 1;
        break;
    case MovePageUp:
        row = current - rowsInView();
        break;
    case MovePageDown:
        row = current + rowsInView();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count() - 1;
        break;
    case MoveLeft:
    case MoveRight:
        row = std::max(current, 0);
        break;
    }
    return m_entries->index(std::clamp(row, 0, count() - 1));
}

void TOrvelListBox::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const QRect rows = rect.normalized();
    if (count() == 0 || rows.bottom() < 0)
        return;
    const qint64 first = qint64(topRow()) + std::max(0, rows.top()) / rowHeight();
    const qint64 last =
        std::min<qint64>(count() - 1, qint64(topRow()) + rows.bottom() / rowHeight());
    if (first > last)
        return;
    selectionModel()->select(
        QItemSelection(m_entries->index(int(first)), m_entries->index(int(last))), flags);
}

QRegion TOrvelListBox::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int top = topRow(), bottom = top + rowsInView();
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), top), last = std::min(range.bottom(), bottom);
        if (first <= last)
            region += QRect(-horizontalOffset(), (first - top) * rowHeight(), rowWidth(),
                            (last - first + 1) * rowHeight());
    }
    return region;
}

QSize TOrvelListBox::viewportSizeHint() const {
    return QAbstractItemView::viewportSizeHint();
}

// The list view's own handlers of these keep its layout of every row: they go past it to the
// item view's.
void TOrvelListBox::rowsInserted(const QModelIndex& parent, int first, int last) {
    QAbstractItemView::rowsInserted(parent, first, last);
    scheduleDelayedItemsLayout();
}

void TOrvelListBox::rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, first, last);
}

void TOrvelListBox::dataChanged(const QModelIndex& from, const QModelIndex& to,
                                const QList<int>& roles) {
    // The view would unite the rectangles of every row changed to repaint them: a walk over a
    // million rows when the entries' size changes at a resize. Only the rows in view repaint.
    const int top = topRow();
    const int first = std::max(from.row(), top);
    const int last = std::min(to.row(), top + rowsInView());
    if (first == from.row() && last == to.row()) {
        QAbstractItemView::dataChanged(from, to, roles);
        return;
    }
    if (first <= last)
        viewport()->update();
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(from.row());
        event.setLastRow(to.row());
        event.setFirstColumn(0);
        event.setLastColumn(0);
        QAccessible::updateAccessibility(&event);
    }
#endif
}

void TOrvelListBox::paintEvent(QPaintEvent* event) {
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const int top = topRow();
    const int from = top + std::max(0, dirty.top()) / rowHeight();
    const int to = std::min(count() - 1, top + dirty.bottom() / rowHeight());
    const QModelIndex current = currentIndex();
    const QModelIndex hovered = viewport()->underMouse()
                                    ? indexAt(viewport()->mapFromGlobal(QCursor::pos()))
                                    : QModelIndex();
    for (int row = from; row <= to; ++row) {
        const QModelIndex index = m_entries->index(row);
        QStyleOptionViewItem option = base;
        option.rect = visualRect(index);
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            option.state |= QStyle::State_HasFocus;
        if (index == hovered)
            option.state |= QStyle::State_MouseOver;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void TOrvelListBox::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_rowHeight = std::max(13, fontMetrics().height());
        applyScrollWidth();
    }
}
