#include "ArtFit.h"

#include "TextPane.h"

#include <QScrollBar>

#include <algorithm>

namespace ArtFit {

int outerWidthFor(int outerWidth, const TextPane& pane, qint64 columns) {
    return outerWidth - pane.viewport()->width() + pane.widthForColumns(columns);
}

QRect widened(const QRect& outer, int width, const QRect& area) {
    width = std::clamp(width, outer.width(), std::max(outer.width(), area.width()));
    const int left =
        std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - width));
    return {left, outer.top(), width, outer.height()};
}

} // namespace ArtFit
