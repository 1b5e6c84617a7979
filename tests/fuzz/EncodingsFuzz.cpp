// libFuzzer target for how a document's bytes are read as text: UTF-8 detection, UTF-16 both
// ways, and the code pages' bytes to characters and back. Built and run by scripts/fuzz.

#include "FuzzCheck.h"

#include "CodePage.h"
#include "DocumentEncoding.h"
#include "OrvelDocument.h"

#include <QUtf8StringView>

#include <algorithm>

using namespace DocumentEncoding;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const QByteArray bytes = fuzzBytes(data, size).toByteArray();
    const bool validUtf8 = QUtf8StringView(bytes).isValidUtf8();

    // Detected as UTF-8 only when it is, but for a text that says so with its mark.
    if (isUtf8Document(bytes) && !bytes.startsWith(Utf8Mark))
        FUZZ_CHECK(validUtf8);

    // Valid UTF-16 comes back from UTF-8 byte for byte, in either order; any bytes at all read as
    // UTF-16 give valid UTF-8.
    Utf16 order = Utf16::None;
    const QByteArray decoded = decodedDocument(bytes, order);
    if (order == Utf16::None) {
        FUZZ_CHECK(decoded == bytes);
    } else {
        FUZZ_CHECK(utf16Document(bytes) == order);
        FUZZ_CHECK(utf8ToUtf16(decoded, order) == bytes);
    }
    for (const Utf16 any : {Utf16::LittleEndian, Utf16::BigEndian}) {
        const QByteArray text = utf16ToUtf8(bytes, any);
        FUZZ_CHECK(QUtf8StringView(text).isValidUtf8());
        // Valid UTF-8 goes to UTF-16 and back unchanged.
        if (validUtf8)
            FUZZ_CHECK(utf16ToUtf8(utf8ToUtf16(bytes, any), any) == bytes);
    }
    // The head of a document may end inside a character: never taken for anything else.
    if (utf16Document(bytes) != Utf16::None)
        FUZZ_CHECK(utf16Document(bytes, false) == utf16Document(bytes));

    // Every byte survives the trip to the pane's characters and back in the code pages, and a
    // UTF-8 text in its own script, its line breaks as the pane keeps them.
    const QByteArray lines = NormalizeLineBreaks(bytes);
    for (const CodePage::Charset charset : {CodePage::Charset::Oem, CodePage::Charset::Ansi})
        FUZZ_CHECK(CodePage::fromDisplay(CodePage::toDisplay(lines, charset), charset) == lines);
    // (The UTF-8 script shows a control byte as its code page 437 glyph, which is a character of
    // its own when typed; a paragraph separator is a line break to the pane's text, as to every
    // text view. The clipboard carries the bytes themselves beside the text for these.)
    const bool controls = std::any_of(lines.begin(), lines.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F;
    });
    if (validUtf8 && !controls && !lines.contains("\xE2\x80\xA9"))
        FUZZ_CHECK(CodePage::fromDisplay(CodePage::toDisplay(lines, CodePage::Charset::Utf8),
                                         CodePage::Charset::Utf8) == lines);
    return 0;
}
