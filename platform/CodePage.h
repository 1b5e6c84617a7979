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
};

// The character drawn for one byte. CR, LF and tab are not drawn: the pane breaks lines and
// expands tabs instead, as the original edit control did.
char16_t glyph(unsigned char byte, Charset charset);

// Document bytes (CR LF line breaks) to pane text ('\n' line breaks).
QString toDisplay(QByteArrayView bytes, Charset charset);

// Pane text back to document bytes. A character the code page lacks becomes '?'.
QByteArray fromDisplay(QStringView text, Charset charset);

} // namespace CodePage
