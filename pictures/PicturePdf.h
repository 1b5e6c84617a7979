#pragma once

#include "CellRenderer.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <QColor>
#include <QString>

class QIODevice;

enum class Paper { A4, Letter };

// The document as a PDF, drawn as its SVG is (the shapes as rectangles, every other glyph as
// text), with the glyphs embedded as drawn from the pane's font. On pages of the paper, the
// picture centred between margins of a third of an inch, a cell as large as on a 96 dpi screen
// at any scale (a pixel 1/(96 x scale) inch) or as much smaller as keeps its width on the page,
// broken between rows, never through one. Written as it is made: memory does not grow with the
// document. Art's colours colour its cells as in the SVG. Gives an empty text on success, else
// what went wrong.
QString writePicturePdf(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        Paper paper, const QString& title, QIODevice& out,
                        const CellColours& colours = {});
