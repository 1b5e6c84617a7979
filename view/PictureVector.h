#pragma once

#include "CellRenderer.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <QColor>
#include <QString>

class QIODevice;

// Vector pictures of a document, from the same cell grid as its PNG: the block, shade and
// box-drawing characters as the rectangles the pane fills (merged along each row, all of one
// colour in one path, so no seam shows at any zoom; the shades as a pattern on the pixel grid),
// every other glyph as text in the pane's font that can be searched and copied, the shapes'
// own characters as invisible text among it. One unit is one pixel of the PNG at the
// renderer's scale, so either rendered back at that scale gives the PNG's pixels on block art.
// Both are written as they are made: memory does not grow with the document. Each returns an
// empty text on success, else what went wrong.

// An SVG that names the pane's font (a viewer without it falls back to a monospace one).
QString writePictureSvg(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        QIODevice& out);

enum class Paper { A4, Letter };

// A PDF on pages of the paper, the picture centred between margins of a third of an inch, a cell
// as large as on a 96 dpi screen at any scale (a pixel 1/(96 x scale) inch) or as much smaller as
// keeps its width on the page, broken between rows, never through one. The glyphs are embedded,
// as drawn from the pane's font.
QString writePicturePdf(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        Paper paper, const QString& title, QIODevice& out);
