#pragma once

#include "CellColours.h"
#include "Cells.h"
#include "CodePage.h"
#include "TextDocument.h"

#include <QByteArrayView>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

class QPainter;

// A cell's colour as art gives it, the document's own two standing for text and ground.
inline QColor cellColour(CellColours::Colour colour, const QColor& text, const QColor& ground) {
    return colour == CellColours::Foreground   ? text
           : colour == CellColours::Background ? ground
                                               : QColor(QRgb(colour));
}

// Draws cells with one font at one device pixel ratio. Every glyph is drawn once into an atlas
// in device pixels and copied from there; the block, shade and box-drawing characters are drawn
// as rectangles that fill their cell exactly, so art tiles without gaps at any size and scale,
// whatever the font's own outlines do.
class CellRenderer {
public:
    CellRenderer();
    ~CellRenderer();
    CellRenderer(const CellRenderer&) = delete;
    CellRenderer& operator=(const CellRenderer&) = delete;

    void setFont(const QFont& font);
    const QFont& font() const { return m_font; }
    void setDevicePixelRatio(qreal ratio);
    // The VGA text mode's nine-pixel cells: a glyph keeps its eight columns, and a ninth follows
    // that the line and block characters of code page 437's C0 to DF continue into (they repeat
    // their eighth column there) and every other glyph leaves blank.
    void setNinthColumn(bool ninth);
    // The VGA's tall pixels, for art drawn for them (a SAUCE record's legacy aspect): cells 1.35
    // times as tall (to whole device pixels), glyphs stretched to them.
    void setTallPixels(bool tall);
    // How much taller than the font's own a cell and its glyphs are.
    qreal verticalStretch() const { return m_stretch; }
    qreal devicePixelRatio() const { return m_ratio; }

    // One cell in device pixels, and in the painter's (logical) pixels.
    QSize deviceCellSize() const { return m_deviceCell; }
    QSizeF cellSize() const { return QSizeF(m_deviceCell) / m_ratio; }

    // Where art colours a line's cells otherwise: from column on, ink on paper, up to the next
    // run's column.
    struct ColourRun {
        qint64 column;
        QColor ink, paper;
    };
    // The runs of columns [first, end) of a line whose first byte is at lineStart of the text the
    // colours are of, the document's own two colours being text and ground.
    static std::vector<ColourRun> colourRuns(const CellColours& colours, QByteArrayView line,
                                             qsizetype lineStart, CodePage::Charset charset,
                                             qint64 first, qint64 end, const QColor& text,
                                             const QColor& ground);

    // Draws columns [firstColumn, firstColumn + count) of a line, in colour on ground (or in the
    // runs' colours where they are given), with its top left cell corner at origin (logical
    // pixels, on the device grid); columns past the line's end are ground. The line is walked
    // from the boundary from, at or before firstColumn.
    void drawLine(QPainter& painter, QPointF origin, QByteArrayView line, CodePage::Charset charset,
                  qint64 firstColumn, qint64 count, const QColor& color, const QColor& ground,
                  Cells::Mark from = {}, std::span<const ColourRun> runs = {}) const;
    // The same cells put together in device pixels, as drawLine hands them to the painter: an
    // image whose first count cells' width (it may be wider) and cell height are the line's,
    // valid until the next call. The origin, in device pixels of the target, sets the shades'
    // phase on cells of odd size. count must be positive. Only the cells' pixel rows from top
    // on (rows of them, all when negative) are put together, in the image's first rows: a band
    // of a tall picture costs only its own rows.
    const QImage& composeLine(QByteArrayView line, CodePage::Charset charset, qint64 firstColumn,
                              qint64 count, const QColor& color, const QColor& ground,
                              Cells::Mark from, qint64 originX, qint64 originY, int top = 0,
                              int rows = -1, std::span<const ColourRun> runs = {}) const;

    // What a block, shade or box-drawing character fills of its cell, in device pixels from the
    // cell's top left, as the pane draws it; the vector pictures draw the same rectangles.
    struct Shape {
        std::vector<QRect> fills;
        int shade = 0; // 1 light, 2 medium, 3 dark: the glyph's columns in that pattern, which
                       // runs on the picture's pixel grid from its top left corner
    };
    // False for every other character, which is drawn as a glyph of glyphFont() (blanks as
    // nothing).
    bool shapeOf(char32_t c, Shape& shape) const;
    static bool isBlank(char32_t c);
    const QFont& glyphFont() const { return m_plainFont; }
    // The columns of a cell a glyph is drawn in, and its baseline from the cell's top, in device
    // pixels.
    int glyphWidth() const { return m_glyphWidth; }
    qreal baseline() const { return m_ascent * m_ratio * m_stretch; }
    // The underline and strike-out that run across every cell: top rows and their thickness.
    std::vector<QRect> crossingLines() const;

    // The rows a picture of the document has: one a line, the break at the very end making none.
    static qsizetype pictureRows(const TextDocument& document);

    // The document as the pane draws it, one cell row per line (the break at the very end makes
    // no row) and no margin: as wide as its widest line, in the colours art gives its cells. At
    // most maxLines lines and maxColumns columns where those are positive. A null image when
    // the picture would be too large to hold.
    QImage picture(const TextDocument& document, CodePage::Charset charset, const QColor& color,
                   const QColor& ground, qsizetype maxLines = -1, qint64 maxColumns = -1,
                   const CellColours& colours = {}) const;

private:
    struct Atlas;
    std::shared_ptr<Atlas> atlas(const QColor& color, const QColor& ground) const;
    // The tile of a character; the bits above 21 pick the phase of a shade pattern.
    int tile(Atlas& atlas, char32_t key) const;
    int newTile(Atlas& atlas, char32_t key) const; // drawn the first time it is asked for
    void reset();

    QFont m_font;
    QFont m_plainFont; // without the lines, which are drawn across whole cells instead
    qreal m_ratio = 1;
    bool m_ninth = false;
    bool m_tall = false;
    qreal m_stretch = 1;
    int m_glyphWidth = 8; // device pixels of the cell a glyph is drawn in
    QSize m_deviceCell{8, 16};
    qreal m_ascent = 0;
    int m_lineThickness = 1;
    int m_underline = -1;
    int m_strikeOut = -1;
    mutable QHash<quint64, std::shared_ptr<Atlas>> m_atlases;
    mutable QImage m_row; // where a row is put together
};
