#include "Application.h"

#include "Hints.h"
#include "MessageBox.h"
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
};

State& state() {
    static State s;
    return s;
}

void realMessageBox(const QString& caption, const QString& text, MessageBox::Icon icon) {
    QMessageBox box(icon == MessageBox::Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    caption, text, QMessageBox::Ok);
    box.exec();
}

} // namespace

void initialise() {
    // The layouts' dialog font; Liberation Sans keeps the widths its captions were fitted to.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    Sound::setBellHandler([] { QApplication::beep(); });
    MessageBox::setHandler(realMessageBox);
    Hints::install();
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

void showError(const QString& text) {
    MessageBox::show(title(), text, MessageBox::Icon::Error);
}

void cancelHint() {
    QToolTip::hideText();
}

} // namespace Application
