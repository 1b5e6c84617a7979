#include "OrvelListBox.h"

#include "Application.h"
#include "OrvelUtils.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <iterator>

namespace {

// The GUI default font the native list measures with, whatever font the list shows.
QFont guiDefaultFont() {
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

} // namespace

TOrvelListBox::TOrvelListBox(QWidget* parent) : QListWidget(parent), m_measure(guiDefaultFont()) {
    std::fill(std::begin(m_advances), std::end(m_advances), qreal(-1));
    Respond2DeleteKey = true;
    setMultiSelect(true);
    ShowAutoHint = true;
    RightClickSelects = true;
    setMouseTracking(true);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The view measures one entry for all of them, never every entry at each layout.
    setUniformItemSizes(true);

    // Filling from a list is one insertion of many rows, each of them an addition; rows put in
    // before the end are insertions. Clearing resets the model and reports nothing.
    m_measureLater.setInterval(0);
    connect(&m_measureLater, &QTimer::timeout, this, &TOrvelListBox::measureSome);
    m_modelWatches[0] = connect(model(), &QAbstractItemModel::rowsInserted, this,
                                [this](const QModelIndex&, int first, int last) {
                                    const bool appended = last == count() - 1;
                                    for (int row = first; row <= last; ++row) {
                                        // Each entry is measured once, after it arrives; only the
                                        // widest is kept.
                                        if (!m_widestDirty)
                                            m_unmeasured.push_back(item(row));
                                        Q_EMIT changed(this, appended ? lbAdded : lbInserted);
                                    }
                                    measureSome();
                                    // The extent stays as the last fit left it, whatever entry now
                                    // comes last.
                                    applyScrollWidth();
                                });
    m_modelWatches[1] = connect(model(), &QAbstractItemModel::rowsRemoved, this,
                                [this](const QModelIndex&, int first, int last) {
                                    m_widestDirty = true;
                                    m_unmeasured.clear(); // may hold the entries that went
                                    for (int row = first; row <= last; ++row)
                                        Q_EMIT changed(this, lbDeleted);
                                    applyScrollWidth();
                                });
    m_modelWatches[2] = connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        m_widest = 0;
        m_widestDirty = false;
        m_unmeasured.clear();
        m_measureLater.stop();
    });
    // Replacing an entry's text is a deletion followed by an insertion.
    m_modelWatches[3] =
        connect(model(), &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
                        return;
                    m_widestDirty = true;
                    m_unmeasured.clear();
                    for (int row = from.row(); row <= to.row(); ++row) {
                        Q_EMIT changed(this, lbDeleted);
                        Q_EMIT changed(this, lbInserted);
                    }
                });
}

TOrvelListBox::~TOrvelListBox() {
    for (const QMetaObject::Connection& watch : m_modelWatches)
        disconnect(watch);
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

int TOrvelListBox::textWidth(const QString& text) const {
    // Addresses are ASCII: their widths add up from each character's advance, kept once, as the
    // native list box measured (its text extents do not kern). Other text is shaped whole.
    qreal width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= std::size(m_advances))
            return m_measure.horizontalAdvance(text);
        if (m_advances[u] < 0)
            m_advances[u] = QFontMetricsF(guiDefaultFont()).horizontalAdvance(c);
        width += m_advances[u];
    }
    return qRound(width);
}

void TOrvelListBox::measureSome() {
    constexpr std::size_t Batch = 4000; // about 10 ms of measuring
    const std::size_t from = m_unmeasured.size() - std::min(Batch, m_unmeasured.size());
    for (std::size_t i = from; i < m_unmeasured.size(); ++i)
        m_widest = std::max(m_widest, textWidth(m_unmeasured[i]->text()));
    m_unmeasured.resize(from);
    if (!m_unmeasured.empty()) {
        m_measureLater.start();
        return;
    }
    m_measureLater.stop();
    if (m_refitWhenMeasured) {
        m_refitWhenMeasured = false;
        m_scrollWidth = m_widest + 6;
        applyScrollWidth();
    }
}

void TOrvelListBox::UpdateScrollWidth() {
    if (m_widestDirty) {
        m_widest = 0;
        m_unmeasured.clear();
        for (int i = 0; i < count(); ++i)
            m_unmeasured.push_back(item(i));
        m_widestDirty = false;
        measureSome();
    }
    // Entries still waiting to be measured fit the list again once they have been.
    m_refitWhenMeasured = !m_unmeasured.empty();
    m_scrollWidth = m_widest + 6;
    applyScrollWidth();
}

// The view scrolls sideways as far as its entries reach, and with uniform sizes every entry
// has the size of the last one (the toolkit measures only that one): giving the last entry the
// fitted width is what sets the extent.
void TOrvelListBox::applyScrollWidth() {
    if (count() > 0 && m_scrollWidth > 0) {
        QListWidgetItem* last = item(count() - 1);
        const QSize size(m_scrollWidth, std::max(13, fontMetrics().height()));
        if (last->sizeHint() != size) {
            last->setSizeHint(size);
            // The view keeps the size it measured until it lays its rows out again.
            scheduleDelayedItemsLayout();
        }
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
