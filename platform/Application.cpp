#include "Application.h"

#include "Sound.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QPointer>
#include <QToolTip>
#include <QWidget>

namespace Application {
namespace {

struct State {
    QString title;
    QPointer<QWidget> mainWindow;
    MessageBoxHandler messageBox;
};

State& state() {
    static State s;
    return s;
}

void realMessageBox(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
}

} // namespace

void initialise() {
    // The layouts' dialog font; Liberation Sans keeps the widths its captions were fitted to.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    Sound::setBellHandler([] { QApplication::beep(); });
}

void setTitle(const QString& title) {
    state().title = title;
    if (state().mainWindow)
        state().mainWindow->setWindowIconText(title);
}

QString title() {
    const QString text = state().mainWindow ? state().mainWindow->windowIconText() : state().title;
    return text.left(MaxTitleLength);
}

void setMainWindow(QWidget* window) {
    state().mainWindow = window;
    if (window)
        window->setWindowIconText(state().title);
}

void setMessageBoxHandler(MessageBoxHandler handler) {
    state().messageBox = std::move(handler);
}

void showError(const QString& text) {
    if (state().messageBox)
        state().messageBox(title(), text);
    else
        realMessageBox(title(), text);
}

void cancelHint() {
    QToolTip::hideText();
}

} // namespace Application
