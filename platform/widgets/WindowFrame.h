#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// The frame the window manager has put around a top-level window, as it announces it on X11
// (_NET_FRAME_EXTENTS), in the window's own coordinates. Qt reads that announcement only when
// the window is configured, so a frame that arrives after the last configure stays unknown to
// frameGeometry(); this asks the display each time. Empty where there is no X11 display or no
// announcement (no window manager, or not framed yet).
std::optional<QMargins> announcedFrame(const QWidget* window);

// Whether a program learns where its top-level windows are, and can place them: not on Wayland,
// where only the compositor knows (a window there reports itself at 0, 0).
bool windowPositionsKnown();
