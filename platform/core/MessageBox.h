#pragma once

#include <QString>

#include <functional>

// Modal message boxes with one OK button. The GUI layer installs the real box at start-up;
// until then (and in the command-line companion) the text goes to standard error.
namespace MessageBox {

enum class Icon { None, Error };

using Handler = std::function<void(const QString& caption, const QString& text, Icon icon)>;

// Shows the box and returns when the user has closed it.
void show(const QString& caption, const QString& text, Icon icon);

// Replaces the box (tests record messages here); an empty handler puts the fallback back.
void setHandler(Handler handler);

} // namespace MessageBox
