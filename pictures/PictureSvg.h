#pragma once

#include "CellRenderer.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <QColor>
#include <QString>

class QIODevice;

// The document as an SVG, from the same cell grid as its PNG: the block, shade and box-drawing
// characters as the rectangles the pane fills (merged along each row, all of one colour in one
// path, so no seam shows at any zoom; the shades as a pattern on the pixel grid), every other
// glyph as text in the pane's font that can be searched and copied, the shapes' own characters
// as invisible text among it. One unit is one pixel of the PNG at the renderer's scale, so
// rendered back at that scale it gives the PNG's pixels on block art. Written as it is made:
// memory does not grow with the document. Names the pane's font (a viewer without it falls back
// to a monospace one). Art's colours colour its cells: its grounds, shapes and glyphs. Gives an
// empty text on success, else what went wrong.
QString writePictureSvg(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        QIODevice& out, const CellColours& colours = {});
