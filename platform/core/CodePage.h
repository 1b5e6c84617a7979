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

// The character the UTF-8 script shows for the bytes from at, and how many bytes it takes: a
// valid sequence is its code point, an ASCII byte itself, any other byte (1) its code page 437
// glyph.
int utf8Character(QByteArrayView bytes, qsizetype at, char32_t& character);

// Whether a document is written in UTF-8 and means it: it starts with the byte-order mark, or it
// is valid UTF-8 throughout and has a box-drawing, block or shade character (U+2500..U+259F),
// or at least three multi-byte sequences, or any sequence of three or four bytes. Code page 437
// art practically never passes: its block and line bytes are not valid sequences. Pure ASCII is
// not UTF-8, nor is a tiny text with one or two two-byte pairs (C4 B3 is also code page 437's
// "─│"): those stay in the user's script.
bool isUtf8Document(QByteArrayView bytes);

inline constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

// UTF-16 documents ("Unicode" NFOs) start with their byte-order mark, FF FE (little-endian) or
// FE FF (big-endian). They are shown, searched for addresses and edited as UTF-8 (the mark
// becomes UTF-8's), and written back as UTF-16 in their own byte order: an unedited document
// comes back byte for byte.
enum class Utf16 { None, LittleEndian, BigEndian };

// The byte order of a document that starts with a UTF-16 mark and is valid UTF-16 throughout
// (an even length, every surrogate in a pair); None for every other document, which stays in
// the user's script. With complete false the bytes may end inside a character (the head of a
// file), which is cut off there.
Utf16 utf16Document(QByteArrayView bytes, bool complete = true);

// UTF-16 of the given order (its mark included) as UTF-8; a character cut off at the end is left
// out, an unpaired surrogate becomes U+FFFD.
QByteArray utf16ToUtf8(QByteArrayView bytes, Utf16 order);

// A document as it is shown and edited: decoded to UTF-8 when it is UTF-16 (its order then in
// order), else the bytes as they are.
QByteArray decodedDocument(const QByteArray& bytes, Utf16& order, bool complete = true);

// The characters of UTF-8 document bytes, as the UTF-8 script shows them (a byte outside a valid
// sequence is its code page 437 glyph; CR, LF and tab are themselves), as UTF-16 of the order.
QByteArray utf8ToUtf16(QByteArrayView bytes, Utf16 order);

// The character drawn for one byte (in the UTF-8 script: for a byte on its own). CR, LF and tab are
// not drawn: the pane breaks lines and expands tabs instead, as the original edit control did.
char16_t glyph(unsigned char byte, Charset charset);

// Document bytes (CR LF line breaks) to pane text ('\n' line breaks).
QString toDisplay(QByteArrayView bytes, Charset charset);

// Pane text back to document bytes. A character the code page lacks becomes '?'.
QByteArray fromDisplay(QStringView text, Charset charset);

} // namespace CodePage
