#pragma once

#include <QFrame>

// A bevelled panel that reports a double click on its own background (not on its children).
class Panel : public QFrame {
    Q_OBJECT

public:
    explicit Panel(QWidget* parent = nullptr);

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
