#pragma once

#include "Dock.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

enum TResizeStyle { rsNone = 0, rsLine = 1, rsUpdate = 2, rsPattern = 3 };

class QBrush;
class SplitLine;

// A thin bar docked against one edge of its parent, right beside another docked widget (its
// neighbour). Dragging it with the left button resizes the neighbour: never below MinSize, and,
// with AutoSnap, shut to 0 when the drag reaches the minimum. The drag shows the future edge as
// a solid (rsLine) or dotted (rsPattern) inverted line over the parent, resizes the neighbour
// live (rsUpdate), or shows nothing until the release (rsNone). Escape in the focused widget
// abandons a drag. Its docking is the "align" property of the docking layer (platform/Dock).
class TOrvelSplitter : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool AutoSnap MEMBER AutoSnap)
    Q_PROPERTY(bool Beveled READ Beveled WRITE setBeveled)
    Q_PROPERTY(int MinSize MEMBER MinSize)
    Q_PROPERTY(int ResizeStyle READ resizeStyle WRITE setResizeStyle)
    Q_PROPERTY(QString Align READ Align WRITE setAlign)
    Q_PROPERTY(QColor Color MEMBER Color)

public:
    explicit TOrvelSplitter(QWidget* parent = nullptr);
    ~TOrvelSplitter() override;

    bool AutoSnap = true;
    int MinSize = 1;
    TResizeStyle ResizeStyle = rsPattern;
    QColor Color;

    bool Beveled() const { return m_beveled; }
    void setBeveled(bool beveled);
    int resizeStyle() const { return ResizeStyle; }
    void setResizeStyle(int style) { ResizeStyle = TResizeStyle(style); }
    QString Align() const;
    // Docks the bar ("left", "right", "top", "bottom", "client" or "none") and applies the
    // cursor rule: a splitter cursor follows the axis, any other cursor stays.
    void setAlign(const QString& align);

    // State a test or an owner may look at.
    QWidget* ResizedControl() const { return m_resized; }
    int PendingSize() const { return m_pendingSize; }
    int AppliedSize() const { return m_appliedSize; }
    int SplitOffset() const { return m_splitOffset; }
    bool LineShown() const { return m_lineShown; }
    // The rectangle the drag line covers now, in the parent's coordinates (empty when hidden).
    QRect lineRect() const;

    virtual bool AskCanResize(int& newSize);
    virtual bool CheckNewSize(int& newSize);
    // Ends a drag without applying the pending size; raises moved() in any case.
    virtual void StopResizing();

Q_SIGNALS:
    void canResize(TOrvelSplitter* sender, int& newSize, bool& accept); // OnCanResize
    void moved(TOrvelSplitter* sender);                                 // OnMoved
    void painted(TOrvelSplitter* sender);                               // OnPaint

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Dock::Align side() const { return Dock::alignmentOf(this); }
    QWidget* FindResizedControl() const;
    void ComputeSplit(QPoint position, int& newSize, int& offset) const;
    void UpdateSplit(QPoint position);
    void ApplyNewSize();
    void ToggleLine();
    void OpenLineSurface();
    void CloseLineSurface();

    bool m_beveled = false;
    QPointer<QWidget> m_resized;
    QPointer<QWidget> m_focused;
    QPoint m_dragOrigin;
    int m_pendingSize = 0;
    int m_appliedSize = -1;
    int m_splitOffset = 0;
    bool m_lineShown = false;
    SplitLine* m_line = nullptr;
};
