#pragma once

class QWidget;

// One step of the title marquee: each text moves one character to the left. Neither keeps state
// of its own, so a text changed by anything else scrolls on from its new value.
void RotateTitle();
void RotateCaption(QWidget* window);
