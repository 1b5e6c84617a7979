#include "OrvelListBox.h"

#include "Application.h"
#include "OrvelUtils.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

// The GUI default font the native list measures with, whatever font the list shows.
QFont guiDefaultFont() {
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

} // namespace

TOrvelListBox::TOrvelListBox(QWidget* parent) : QListWidget(parent) {
    Respond2DeleteKey = true;
    setMultiSelect(true);
    ShowAutoHint = true;
    RightClickSelects = true;
    setMouseTracking(true);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Filling from a list is one insertion of many rows, each of them an addition; rows put in
    // before the end are insertions. Clearing resets the model and reports nothing.
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                const bool appended = last == count() - 1;
                for (int row = first; row <= last; ++row)
                    Q_EMIT changed(this, appended ? lbAdded : lbInserted);
            });
    connect(model(), &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row)
                    Q_EMIT changed(this, lbDeleted);
            });
    // Replacing an entry's text is a deletion followed by an insertion.
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
                    return;
                for (int row = from.row(); row <= to.row(); ++row) {
                    Q_EMIT changed(this, lbDeleted);
                    Q_EMIT changed(this, lbInserted);
                }
            });
}

bool TOrvelListBox::MultiSelect() const {
    return selectionMode() == QAbstractItemView::ExtendedSelection;
}

void TOrvelListBox::setMultiSelect(bool multiSelect) {
    setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
}

int TOrvelListBox::CountSelected() const {
    int selected = 0;
    for (int i = 0; i < count(); ++i)
        selected += item(i)->isSelected() ? 1 : 0;
    return selected;
}

void TOrvelListBox::RemoveSelected() {
    if (CountSelected() == 0) {
        SignalBeep();
        return;
    }
    int lowest = -1;
    for (int i = count() - 1; i >= 0; --i) {
        if (item(i)->isSelected())
            lowest = i;
    }
    if (MultiSelect()) {
        for (int i = count() - 1; i >= 0; --i) {
            if (item(i)->isSelected())
                delete takeItem(i);
        }
    } else if (currentRow() >= 0) {
        delete takeItem(currentRow());
    }
    // Only the selected state is set: the current entry stays and no click is raised.
    if (lowest <= count() - 1)
        item(lowest)->setSelected(true);
    else if (count() > 0)
        item(count() - 1)->setSelected(true);
}

void TOrvelListBox::UpdateScrollWidth() {
    const QFontMetrics metrics(guiDefaultFont());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(item(i)->text()));
    m_scrollWidth = widest + 6;
    // The view scrolls sideways as far as its widest entry reaches, and entries share the first
    // one's size: giving that entry the fitted width sets the extent until the next resize.
    if (count() > 0) {
        const QSize size(m_scrollWidth, std::max(13, fontMetrics().height()));
        if (item(0)->sizeHint() != size)
            item(0)->setSizeHint(size);
    }
}

void TOrvelListBox::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    UpdateScrollWidth();
}

int TOrvelListBox::itemIndexAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    return index.isValid() ? index.row() : -1;
}

void TOrvelListBox::mouseMoveEvent(QMouseEvent* event) {
    QListWidget::mouseMoveEvent(event);
    if (!ShowAutoHint || count() == 0)
        return;
    const int index = itemIndexAt(event->position().toPoint());
    if (index < 0) {
        setToolTip(HintUserText);
        if (!HintUserText.isEmpty())
            Application::cancelHint();
        return;
    }
    const QString tip = HintUserText + item(index)->text();
    if (toolTip() != tip) {
        setToolTip(tip);
        Application::cancelHint();
    }
}

void TOrvelListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && RightClickSelects) {
        setFocus(Qt::MouseFocusReason);
        const int index = itemIndexAt(event->position().toPoint());
        if (index >= 0) {
            QListWidgetItem* entry = item(index);
            entry->setSelected(!entry->isSelected());
            selectionModel()->setCurrentIndex(model()->index(index, 0),
                                              QItemSelectionModel::NoUpdate);
        }
        // The toolkit's own right-press would select the entry; the toggle above is the whole
        // effect, as in the native list box.
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void TOrvelListBox::keyPressEvent(QKeyEvent* event) {
    if (Respond2DeleteKey && event->key() == Qt::Key_Delete)
        RemoveSelected();
    QListWidget::keyPressEvent(event);
}
