#pragma once

#include "CellRenderer.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <QColor>
#include <QString>

class QIODevice;

// Writes the picture CellRenderer::picture draws of a document as PNG, a band of pixel rows at a
// time: each band is drawn in tiles of columns, turned into palette indices (one bit a pixel
// for two colours, as a picture of text mostly has) and compressed at once, so that memory
// stays a few tens of megabytes whatever the picture's size: about budget bytes for the tiles
// and bands together, a row longer than a band going out in pieces of columns. What PNG itself
// cannot hold (more than 2^31 - 1 pixels either way) is refused. Art's colours colour its cells
// (a palette of them where the font draws glyphs in two colours only, red, green and blue where
// it smooths them). Returns an empty text on success, else what went wrong.
QString writePicturePng(const TextDocument& document, CodePage::Charset charset,
                        const CellRenderer& renderer, const QColor& color, const QColor& ground,
                        QIODevice& out, qint64 budget = 12 << 20, const CellColours& colours = {});
