#pragma once

#include "Errors.h"

#include <QString>

#include <exception>
#include <functional>

class QWidget;

// The application object's services the program relies on: its title (the task-bar text),
// the central error handler every event-loop entry point runs through, and hint cancelling.
namespace Application {

// Prepares the application object once it exists: the fonts the layouts name are mapped to
// the closest fonts this system has, message boxes become real ones, and the desktop bell
// becomes the beep's fallback.
void initialise();

// The task-bar text. It lives in the main window's icon text once that window exists; the
// title read back is cut to 255 characters, as the system's buffer did.
void setTitle(const QString& title);
QString title();
constexpr int MaxTitleLength = 255;

// The window whose icon text is the task-bar text; its icon text takes the title set so far.
void setMainWindow(QWidget* window);

// Shows an error's text the way the central error handler does: a message box (MessageBox)
// with the error icon, captioned with the application title.
void showError(const QString& text);

// Runs one entry point from the event loop. An error it raises is shown and swallowed, so no
// exception ever crosses the event loop; the result says whether it ran to its end.
template <class Body> bool guarded(Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (const UserError& error) {
        showError(error.message());
    } catch (const std::exception& error) {
        showError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
    return false;
}

// Hides the tooltip now showing, so the next one appears after the usual delay.
void cancelHint();

} // namespace Application
