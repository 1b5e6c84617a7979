#include "OrvelListBox.h"

#include "Application.h"
#include "BehindTheWindow.h"
#include "OrvelUtils.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

// The GUI default font the native list measures with, whatever font the list shows.
QFont guiDefaultFont() {
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

// Fewer entries than this are measured at once; more on a thread of their own.
constexpr int MeasuredAtOnce = 2000;
// Fewer than this are measured a character at a time, with no table of widths.
constexpr int MeasuredByFont = 64;

// Each character's width in the GUI default font, made where it is first needed: its 256 glyphs
// are a cost the first frame, and a list of a handful of entries, need not pay.
const std::array<double, 256>& advances() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> widths{};
        const QFontMetricsF metrics(guiDefaultFont());
        for (int c = 0; c < 256; ++c)
            widths[size_t(c)] = metrics.horizontalAdvance(QChar(char16_t(c)));
        return widths;
    }();
    return table;
}

double tableAdvance(char16_t c) {
    return advances()[c];
}

// The width of each byte of a span as the list shows it, from the same table: a long list is
// measured a byte at a time with one lookup each.
const std::array<double, 256>& byteAdvances() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> widths{};
        for (int b = 0; b < 256; ++b) {
            const char16_t c = TOrvelListEntries::shown(static_cast<unsigned char>(b));
            widths[size_t(b)] = advances()[c < 256 ? c : u'W'];
        }
        return widths;
    }();
    return table;
}

// The table's width of each byte of a span, one lookup each.
struct TableBytes {
    const std::array<double, 256>& widths = byteAdvances();
    double operator()(unsigned char byte) const { return widths[byte]; }
};

// The widest of the snapshot's rows, by adding up each character's width in the measuring font,
// as the native list box did (its text extents do not kern): a span's bytes as it shows them, an
// own text's characters below 256. Own texts with other characters, which only the font can measure
// whole, are left in shaped for the caller.
template <typename Advance, typename ByteAdvance>
int widestOf(const TOrvelListEntries::Snapshot& s, const Advance& advance,
             const ByteAdvance& byteAdvance, std::vector<int>& shaped) {
    int widest = 0;
    const auto* text = reinterpret_cast<const unsigned char*>(s.text.constData());
    for (int row = s.from; row < s.to; ++row) {
        const bool own = size_t(row) >= s.entries->size() ||
                         (*s.entries)[size_t(row)].length == TOrvelListEntries::Own;
        double width = 0;
        if (own) {
            const QString& text = size_t(row) >= s.entries->size()
                                      ? s.tail.at(qsizetype(size_t(row) - s.entries->size()))
                                      : s.own.at(qsizetype((*s.entries)[size_t(row)].at));
            bool plain = true;
            for (const QChar c : text) {
                if (c.unicode() >= 256) {
                    plain = false;
                    break;
                }
                width += advance(c.unicode());
            }
            if (!plain) {
                shaped.push_back(row);
                continue;
            }
        } else {
            const TOrvelListEntries::Span& entry = (*s.entries)[size_t(row)];
            for (quint32 i = 0; i < entry.length; ++i)
                width += byteAdvance(text[entry.at + i]);
        }
        widest = std::max(widest, int(std::lround(width)));
    }
    return widest;
}

} // namespace

TOrvelListBox::TOrvelListBox(QWidget* parent)
    : QListView(parent), m_entries(new TOrvelListEntries(this)) {
    setModel(m_entries);
    m_rowHeight = std::max(13, fontMetrics().height());
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
    m_modelWatches[0] =
        connect(m_entries, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    const bool appended = last == count() - 1;
                    if (isSignalConnected(QMetaMethod::fromSignal(&TOrvelListBox::changed)))
                        for (int row = first; row <= last; ++row)
                            Q_EMIT changed(this, appended ? lbAdded : lbInserted);
                    // Each entry is measured once, after it arrives; only the
                    // widest is kept.
                    if (!m_widestDirty)
                        measure(first, last + 1);
                    // The extent stays as the last fit left it, whatever entry
                    // now comes last.
                    applyScrollWidth();
                });
    m_modelWatches[1] = connect(m_entries, &QAbstractItemModel::rowsRemoved, this,
                                [this](const QModelIndex&, int first, int last) {
                                    m_widestDirty = true;
                                    for (int row = first; row <= last; ++row)
                                        Q_EMIT changed(this, lbDeleted);
                                    applyScrollWidth();
                                });
    m_modelWatches[2] = connect(m_entries, &QAbstractItemModel::modelReset, this, [this] {
        m_widest = 0;
        m_widestDirty = false;
        ++m_generation;
        m_measuring = 0;
    });
    // Replacing an entry's text is a deletion followed by an insertion.
    m_modelWatches[3] =
        connect(m_entries, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
                        return;
                    m_widestDirty = true;
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

bool TOrvelListBox::isSelected(int row) const {
    return selectionModel()->isSelected(m_entries->index(row));
}

void TOrvelListBox::setSelected(int row, bool selected) {
    selectionModel()->select(m_entries->index(row), selected ? QItemSelectionModel::Select
                                                             : QItemSelectionModel::Deselect);
}

int TOrvelListBox::currentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int TOrvelListBox::CountSelected() const {
    int selected = 0;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        selected += range.height();
    return selected;
}

void TOrvelListBox::RemoveSelected() {
    if (CountSelected() == 0) {
        SignalBeep();
        return;
    }
    // The selected rows as runs, removed from the last so that the ones before stay where they
    // are.
    std::vector<std::pair<int, int>> runs;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        runs.push_back({range.top(), range.bottom()});
    std::sort(runs.begin(), runs.end());
    const int lowest = runs.front().first;
    if (MultiSelect()) {
        for (auto run = runs.rbegin(); run != runs.rend(); ++run)
            m_entries->removeRows(run->first, run->second - run->first + 1);
    } else if (currentRow() >= 0) {
        m_entries->removeRows(currentRow(), 1);
    }
    // Only the selected state is set: the current entry stays and no click is raised.
    if (lowest <= count() - 1)
        setSelected(lowest, true);
    else if (count() > 0)
        setSelected(count() - 1, true);
}

void TOrvelListBox::measure(int from, int to) {
    if (from >= to)
        return;
    TOrvelListEntries::Snapshot snapshot = m_entries->snapshot(from, to);
    if (to - from < MeasuredAtOnce) {
        std::vector<int> shaped;
        const QFontMetricsF each(guiDefaultFont());
        int widest =
            to - from < MeasuredByFont
                ? widestOf(
                      snapshot, [&each](char16_t c) { return each.horizontalAdvance(QChar(c)); },
                      [&each](unsigned char byte) {
                          const char16_t c = TOrvelListEntries::shown(byte);
                          return each.horizontalAdvance(QChar(c < 256 ? c : u'W'));
                      },
                      shaped)
                : widestOf(snapshot, tableAdvance, TableBytes{}, shaped);
        const QFontMetrics metrics(guiDefaultFont());
        for (const int row : shaped)
            widest = std::max(widest, metrics.horizontalAdvance(text(row)));
        m_widest = std::max(m_widest, widest);
        return;
    }
    ++m_measuring;
    BehindTheWindow::run([list = QPointer<TOrvelListBox>(this), snapshot = std::move(snapshot),
                          generation = m_generation] {
        std::vector<int> shaped;
        const int widest = widestOf(snapshot, tableAdvance, TableBytes{}, shaped);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [list, generation, widest, shaped = std::move(shaped)] {
                if (!list || generation != list->m_generation)
                    return;
                // What only the font measures, measured here: a handful at most.
                int all = widest;
                const QFontMetrics metrics(guiDefaultFont());
                for (const int row : shaped)
                    if (row < list->count())
                        all = std::max(all, metrics.horizontalAdvance(list->text(row)));
                list->measured(generation, all);
            },
            Qt::QueuedConnection);
    });
}

void TOrvelListBox::measured(quint64 generation, int widest) {
    if (generation != m_generation)
        return;
    m_widest = std::max(m_widest, widest);
    if (--m_measuring > 0 || !m_refitWhenMeasured)
        return;
    m_refitWhenMeasured = false;
    m_scrollWidth = m_widest + 6;
    applyScrollWidth();
}

void TOrvelListBox::UpdateScrollWidth() {
    if (m_widestDirty) {
        m_widest = 0;
        m_widestDirty = false;
        ++m_generation;
        m_measuring = 0;
        measure(0, count());
    }
    // Entries still being measured fit the list again once they have been.
    m_refitWhenMeasured = m_measuring > 0;
    m_scrollWidth = m_widest + 6;
    applyScrollWidth();
}

// The view scrolls sideways as far as its entries reach: every row has the fitted width.
void TOrvelListBox::applyScrollWidth() {
    m_entries->setRowSize(QSize(std::max(m_scrollWidth, 1), rowHeight()));
    updateGeometries();
    viewport()->update();
}

void TOrvelListBox::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    // The list box's own size, as the native one refitted at WM_SIZE: a scroll bar that comes
    // or goes resizes the view inside it, not the list box.
    if (size() == m_fittedAt)
        return;
    m_fittedAt = size();
    UpdateScrollWidth();
}

int TOrvelListBox::itemIndexAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    return index.isValid() ? index.row() : -1;
}

void TOrvelListBox::mouseMoveEvent(QMouseEvent* event) {
    QListView::mouseMoveEvent(event);
    if (!ShowAutoHint || count() == 0)
        return;
    const int index = itemIndexAt(event->position().toPoint());
    if (index < 0) {
        setToolTip(HintUserText);
        if (!HintUserText.isEmpty())
            Application::cancelHint();
        return;
    }
    const QString tip = HintUserText + text(index);
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
            setSelected(index, !isSelected(index));
            selectionModel()->setCurrentIndex(m_entries->index(index),
                                              QItemSelectionModel::NoUpdate);
        }
        // The toolkit's own right-press would select the entry; the toggle above is the whole
        // effect, as in the native list box.
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void TOrvelListBox::keyPressEvent(QKeyEvent* event) {
    if (Respond2DeleteKey && event->key() == Qt::Key_Delete)
        RemoveSelected();
    QListView::keyPressEvent(event);
}
