#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Byte <-> glyph tables of the two character sets a pane font can carry. Documents are bytes;
// only the display boundary turns them into characters, so a byte always comes back as itself.
namespace CodePage {

enum class Charset {
    Oem,  // DOS code page 437, with its graphic glyphs for the control bytes
    Ansi, // Windows code page 1252
    Utf8, // UTF-8: each valid sequence one character, every other byte its code page 437 glyph
    // ANSI art: code page 437 with its escape sequences applied (AnsiArt draws the grid, whose
    // cells are then code page 437's); as a table, code page 437.
    AnsiArt,
};

// The length (2 to 4) of the valid UTF-8 multi-byte sequence that starts at bytes[at], with its
// code point; 0 where none does (ASCII, or a byte that is not part of a valid sequence).
int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t& codePoint);

// The character the UTF-8 script shows for the bytes from at, and how many bytes it takes: a
// valid sequence is its code point, an ASCII byte itself, any other byte (1) its code page 437
// glyph.
int utf8Character(QByteArrayView bytes, qsizetype at, char32_t& character);

// The character drawn for one byte (in the UTF-8 script: for a byte on its own). CR, LF and tab are
// not drawn: the pane breaks lines and expands tabs instead, as the original edit control did.
char16_t glyph(unsigned char byte, Charset charset);

// Document bytes (CR LF line breaks) to pane text ('\n' line breaks).
QString toDisplay(QByteArrayView bytes, Charset charset);

// Pane text back to document bytes. A character the code page lacks becomes '?'.
QByteArray fromDisplay(QStringView text, Charset charset);

} // namespace CodePage
