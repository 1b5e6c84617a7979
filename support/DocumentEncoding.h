#pragma once

#include <QByteArray>
#include <QByteArrayView>

// How a document's bytes are written: in the user's script, in UTF-8 that the pane should show
// as such, or in UTF-16, which is read as UTF-8 and written back in its own byte order. The bytes
// a script shows as characters are the pane font's business (CodePage).
namespace DocumentEncoding {

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

} // namespace DocumentEncoding
