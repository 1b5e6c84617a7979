#pragma once

#include "CellColours.h"
#include "SauceRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

// ANSI art: code page 437 text that draws with the escape sequences of ANSI.SYS and the art
// editors (ECMA-48's control sequences, CSI = ESC [): cursor moves that place the blocks,
// colours for foreground and background. Interpreted onto a grid of cells, as those drew it,
// whose text and colours the viewer then shows, finds, copies and draws as it does any
// document's: the sequences themselves are never shown.
namespace AnsiArt {

struct Options {
    int width = 80; // the grid's columns, where writing wraps (a SAUCE record may say another)
    // Blink is a bright background (SAUCE's iCE flag; the art can also ask with CSI ? 33 h);
    // otherwise it is steady.
    bool iceColours = false;
    // Bold and blink brighten the art's own light grey on black (an .ans piece, drawn as its
    // artist saw it), not the document's own colours, which stay as the viewer gives them.
    bool ownColours = false;
    // Rows grow only as art is written, up to so many, and cells in all.
    qsizetype maxRows = 100000;
    qint64 maxCells = qint64(1) << 24;
};

struct Art {
    // The grid as code page 437 bytes, each row ended by CR LF; blank cells at a row's end that
    // show nothing but the ground are left out.
    QByteArray text;
    CellColours colours;
    int width = 0;
    qsizetype rows = 0;
    bool cut = false;     // what was written past the caps is not there
    qint64 sequences = 0; // control sequences met, whether they were understood or not
};

// Interprets the bytes up to their end or the first ^Z.
Art interpret(QByteArrayView bytes, const Options& options = {});

// Whether a code page document draws with sequences: it holds at least two well-formed control
// sequences that move the cursor or set colours, and nearly every ESC in it starts one. NFO art
// that only shows 0x1B as the arrow it is in code page 437 never passes.
bool drawsWithSequences(QByteArrayView bytes);

// The grid a document's art is drawn on: the width its SAUCE record gives (else 80 columns), its
// iCE flag, and the art's own colours for an .ans piece or one whose record says it is ANSI art.
Options optionsFor(const std::optional<SauceRecord>& sauce, QStringView fileName);

// The art a code page document draws, found as the viewer finds it: where it draws with
// sequences, its record says it is ANSI art, or it has an .ans name (any letter case). text is
// the document before its SAUCE record, its line breaks as written (a lone CR returns the
// cursor, it does not start a row).
std::optional<Art> artOf(QByteArrayView text, const std::optional<SauceRecord>& sauce,
                         QStringView fileName);

// The 16 colours of the VGA palette in the order the sequences name them (black, red, green,
// brown, blue, magenta, cyan, light grey, then their bright kinds), and the 256 of the
// extended palette (the 16, a 6 x 6 x 6 cube, 24 greys).
CellColours::Colour vgaColour(int index);
CellColours::Colour paletteColour(int index);

} // namespace AnsiArt
