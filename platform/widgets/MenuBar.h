#pragma once

#include <QMenuBar>
#include <QPointer>

class QAction;

// The window's menu bar with the Windows rule for access keys that several items share: the key
// only highlights the first item that has it, the same key again moves to the next one, and
// Enter, Space or a click acts. Qt's own bar runs the first of them at once, so Alt+O would open
// a document when the user was on the way to Options. A key that belongs to one item only still
// acts at once.
class MenuBar : public QMenuBar {
    Q_OBJECT

public:
    explicit MenuBar(QWidget* parent = nullptr);

    // The item an ambiguous key has highlighted, or none.
    QAction* keyboardItem() const { return m_keyboardItem; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QAction*> itemsWithKey(const QKeySequence& key) const;
    QList<QAction*> usableItems() const;
    void highlight(QAction* item);
    void stepThrough(const QList<QAction*>& items, int direction);
    void endHighlight();
    void act(QAction* item);

    QPointer<QAction> m_keyboardItem;
    QPointer<QWidget> m_focusBefore;
};
