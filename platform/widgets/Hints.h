#pragma once

#include <QString>

class QWidget;

// Tooltips the way the original framework gave them: a widget shows its own hint text or, when
// it has none, the nearest parent's; and only when hints are on for it — its own "showHint"
// property, or else its parent's setting, up to the window, where hints are off.
namespace Hints {

// Installs the rule for the whole application.
void install();

// Leaves the widget's tooltip events to the widget itself: it shows tips of its own for what
// lies under the pointer (the links in the text), whatever the rule says.
void leaveToWidget(QWidget* widget);

// Whether hints are on for the widget, and the text it would show (empty: none).
bool enabledFor(const QWidget* widget);
QString textFor(const QWidget* widget);

} // namespace Hints
