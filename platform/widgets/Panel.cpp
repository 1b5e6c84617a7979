#include "Panel.h"

#include <QMouseEvent>

Panel::Panel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
}

void Panel::mouseDoubleClickEvent(QMouseEvent* event) {
    QFrame::mouseDoubleClickEvent(event);
    Q_EMIT doubleClicked();
}
