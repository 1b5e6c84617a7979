#include "TitleMarquee.h"

#include "Application.h"
#include "OrvelMarquee.h"

#include <QWidget>

void RotateTitle() {
    Application::setTitle(RotateLeft(Application::title()));
}

void RotateCaption(QWidget* window) {
    window->setWindowTitle(RotateLeft(window->windowTitle()));
}
