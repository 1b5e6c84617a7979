#pragma once

#include <QListWidget>
#include <QTimer>

#include <array>
#include <vector>

enum TLBNotifications { lbAdded = 0, lbInserted = 1, lbDeleted = 2 };

// A list box with extended multiple selection, removal of the selected entries with Delete (a
// warning beep when none is selected), right-button toggling, a tooltip that follows the entry
// under the pointer, and a horizontal scroll extent fitted to the widest entry at every resize.
// Each single entry added, inserted or deleted is reported through changed().
class TOrvelListBox : public QListWidget {
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

    // Removes the selected entries and selects the one that moved into the first removed place
    // (or the last entry); beeps and removes nothing when none is selected.
    virtual void RemoveSelected();
    int CountSelected() const;
    void UpdateScrollWidth();
    int ScrollWidth() const { return m_scrollWidth; }

Q_SIGNALS:
    void changed(TOrvelListBox* sender, TLBNotifications command); // OnChange

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int itemIndexAt(const QPoint& position) const;
    int textWidth(const QString& text) const;
    void applyScrollWidth();
    void measureSome();
    // The watches on the model, which outlives this class's part of the object: the widget
    // deletes it as one of its children, and clearing it on the way out would reach members
    // already gone.
    std::array<QMetaObject::Connection, 4> m_modelWatches;
    QFontMetrics m_measure;
    mutable qreal m_advances[128]; // of each ASCII character in the measuring font, -1: not yet
    int m_scrollWidth = 0;
    int m_widest = 0;
    bool m_widestDirty = false; // an entry went or changed: measure them all at the next fit
    // Entries not measured yet. A few thousand are measured at once; the rest a batch per turn of
    // the event loop, so that 200,000 addresses neither delay the window nor freeze it.
    std::vector<QListWidgetItem*> m_unmeasured;
    QTimer m_measureLater;
    bool m_refitWhenMeasured = false; // a fit used the widest of the entries measured so far
};
