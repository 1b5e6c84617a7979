// libFuzzer target for ANSI art and the SAUCE record: whatever the sequences ask, the grid stays
// within its width and caps, its text holds nothing but cells and row breaks, and its colours are
// spans in order within it. Built and run by scripts/fuzz.

#include "FuzzCheck.h"

#include "AnsiArt.h"
#include "SauceRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    QByteArrayView bytes = fuzzBytes(data, size);
    // The first byte picks the grid's width and what blink and the own colours do.
    AnsiArt::Options options;
    if (!bytes.isEmpty()) {
        options.width = 1 + (uchar(bytes[0]) & 0x3F) * 3;
        options.iceColours = uchar(bytes[0]) & 0x40;
        options.ownColours = uchar(bytes[0]) & 0x80;
        bytes = bytes.sliced(1);
    }
    options.maxRows = 200;
    options.maxCells = 6000;

    const SauceSplit split = findSauce(bytes);
    FUZZ_CHECK(split.end >= 0 && split.end <= bytes.size());
    FUZZ_CHECK(!split.record || split.end <= bytes.size() - 128);
    if (split.record)
        (void)split.record->fields();

    const AnsiArt::Art art = AnsiArt::interpret(bytes, options);
    FUZZ_CHECK(art.width == options.width);
    FUZZ_CHECK(art.rows <= options.maxRows);
    FUZZ_CHECK(art.text.size() <= options.maxCells + 2 * art.rows);
    // Rows of at most the width, each ended by CR LF, no control the grid acts on among them.
    qsizetype rows = 0, at = 0;
    while (at < art.text.size()) {
        const qsizetype end = art.text.indexOf("\r\n", at);
        FUZZ_CHECK(end >= 0);
        const QByteArrayView row = QByteArrayView(art.text).sliced(at, end - at);
        FUZZ_CHECK(row.size() <= options.width);
        for (const char c : row)
            FUZZ_CHECK(c != '\r' && c != '\n' && c != '\t' && c != '\x1B' && c != '\x1A' && c);
        at = end + 2;
        ++rows;
    }
    FUZZ_CHECK(rows == art.rows);
    qsizetype last = -1;
    for (const CellColours::Span& span : art.colours.spans()) {
        FUZZ_CHECK(span.at > last && span.at <= art.text.size());
        last = span.at;
    }
    // The art ends at the first ^Z: what follows it changes nothing.
    const qsizetype end = bytes.indexOf('\x1A');
    if (end >= 0)
        FUZZ_CHECK(AnsiArt::interpret(bytes.first(end), options).text == art.text);
    (void)AnsiArt::drawsWithSequences(bytes);
    return 0;
}
