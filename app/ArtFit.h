#pragma once

#include "Cells.h"

#include <QRect>
#include <QtGlobal>

class TextPane;

// The window widens so that its pane shows a document's art whole, as the viewers of art do.
namespace ArtFit {

inline constexpr qint64 ArtColumns = Cells::ArtColumns;

// The outer width a window of outerWidth needs for its pane to show columns whole: all that is
// not the pane's viewport stays as wide as it is.
int outerWidthFor(int outerWidth, const TextPane& pane, qint64 columns);

// A window's outer rectangle widened to width, within the screen's free area: no narrower than
// it is, as wide as the area allows, moved left only as far as that takes.
QRect widened(const QRect& outer, int width, const QRect& area);

} // namespace ArtFit
