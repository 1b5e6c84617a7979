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
};

// The length (2 to 4) of the valid UTF-8 multi-byte sequence that starts at bytes[at], with its
// code point; 0 where none does (ASCII, or a byte that is not part of a valid sequence).
int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t& codePoint);

// Whether a document is written in UTF-8 and means it: it starts with the byte-order mark, or it
// is valid UTF-8 throughout and has a box-drawing, block or shade character (U+2500..U+259F),
// or at least three multi-byte sequences, or any sequence of three or four bytes. Code page 437
// art practically never passes: its block and line bytes are not valid sequences. Pure ASCII is
// not UTF-8, nor is a tiny text with one or two two-byte pairs (C4 B3 is also code page 437's
// "─│"): those stay in the user's script.
bool isUtf8Document(QByteArrayView bytes);

inline constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

// The character drawn for one byte (in the UTF-8 script: for a byte on its own). CR, LF and tab are
// not drawn: the pane breaks lines and expands tabs instead, as the original edit control did.
char16_t glyph(unsigned char byte, Charset charset);

// Document bytes (CR LF line breaks) to pane text ('\n' line breaks).
QString toDisplay(QByteArrayView bytes, Charset charset);

// Pane text back to document bytes. A character the code page lacks becomes '?'.
QByteArray fromDisplay(QStringView text, Charset charset);

} // namespace CodePage
