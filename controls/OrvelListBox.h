#pragma once

#include "OrvelListEntries.h"

#include <QListView>

#include <array>
#include <memory>

enum TLBNotifications { lbAdded = 0, lbInserted = 1, lbDeleted = 2 };

// A list box with extended multiple selection, removal of the selected entries with Delete (a
// warning beep when none is selected), right-button toggling, a tooltip that follows the entry
// under the pointer, and a horizontal scroll extent fitted to the widest entry at every resize.
// Each single entry added, inserted or deleted is reported through changed(). Its entries are
// no objects (TOrvelListEntries), so it lists a million addresses in megabytes, and its widest
// entry is measured on a thread of its own. Its rows are all as tall, so their places are
// worked out, never laid out (OrvelListBoxRows.cpp): a list of any length costs nothing to show.
class TOrvelListBox : public QListView {
    Q_OBJECT
    Q_PROPERTY(bool ShowAutoHint MEMBER ShowAutoHint)
    Q_PROPERTY(QString HintUserText MEMBER HintUserText)
    Q_PROPERTY(bool Respond2DeleteKey MEMBER Respond2DeleteKey)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE setMultiSelect)
    Q_PROPERTY(bool RightClickSelects MEMBER RightClickSelects)

public:
    explicit TOrvelListBox(QWidget* parent = nullptr);
    ~TOrvelListBox() override;

    bool Respond2DeleteKey = true;
    bool ShowAutoHint = true;
    bool RightClickSelects = true;
    QString HintUserText;

    bool MultiSelect() const;
    void setMultiSelect(bool multiSelect);

    // The entries, as the list box's callers name them.
    int count() const { return m_entries->count(); }
    QString text(int row) const { return m_entries->text(row); }
    // What the entry stands for as written (a span's own bytes).
    QByteArray bytes(int row) const { return m_entries->bytes(row); }
    void addItem(const QString& text) { insertItem(count(), text); }
    void addItems(const QStringList& texts) { m_entries->insert(count(), texts); }
    void insertItem(int row, const QString& text) { m_entries->insert(row, {text}); }
    void setItemText(int row, const QString& text) { m_entries->setText(row, text); }
    void removeItem(int row) { m_entries->removeRows(row, 1); }
    // Spans of text shown as addresses, appended in one go and shared with whoever holds them.
    void addSpans(const QByteArray& text, std::shared_ptr<const LinkSpans> spans) {
        m_entries->appendSpans(text, std::move(spans));
    }
    void clear() { m_entries->clear(); }
    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    int currentRow() const;
    QRect visualItemRect(int row) const { return visualRect(m_entries->index(row)); }

    // The rows' geometry, worked out from their one height.
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;
    void reset() override;

    // Removes the selected entries and selects the one that moved into the first removed place
    // (or the last entry); beeps and removes nothing when none is selected.
    virtual void RemoveSelected();
    int CountSelected() const;
    void UpdateScrollWidth();
    int ScrollWidth() const { return m_scrollWidth; }

Q_SIGNALS:
    void changed(TOrvelListBox* sender, TLBNotifications command); // OnChange

protected:
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    QSize viewportSizeHint() const override;
    void rowsInserted(const QModelIndex& parent, int first, int last) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) override;
    void dataChanged(const QModelIndex& from, const QModelIndex& to,
                     const QList<int>& roles = QList<int>()) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int rowHeight() const { return m_rowHeight; }
    int rowWidth() const;
    int topRow() const;
    int rowsInView() const;
    int itemIndexAt(const QPoint& position) const;
    void applyScrollWidth();
    // Measures the rows [from, to): a few at once, many on a thread of their own, whose widest
    // comes back through measured().
    void measure(int from, int to);
    void measured(quint64 generation, int widest);

    TOrvelListEntries* m_entries;
    std::array<QMetaObject::Connection, 4> m_modelWatches;
    int m_scrollWidth = 0;
    QSize m_fittedAt; // the list box's size at the last fit
    int m_rowHeight = 13;
    int m_widest = 0;
    bool m_widestDirty = false;       // an entry went or changed: measure them all at the next fit
    int m_measuring = 0;              // measures under way elsewhere
    quint64 m_generation = 0;         // of the entries measured: a clear or a removal starts anew
    bool m_refitWhenMeasured = false; // a fit used the widest of the entries measured so far
};
