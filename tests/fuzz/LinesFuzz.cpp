// libFuzzer target for a document's lines: line-break normalisation, and the line index the pane
// keeps of any bytes. Built and run by scripts/fuzz.

#include "FuzzCheck.h"

#include "OrvelDocument.h"
#include "TextDocument.h"

#include <vector>

namespace {

// One break a line, whatever it was written as.
QByteArray breaksAsLf(QByteArray bytes) {
    return bytes.replace("\r\n", "\n").replace('\r', '\n');
}

void checkIndex(const QByteArray& bytes) {
    TextDocument document;
    document.setBytes(bytes);
    FUZZ_CHECK(document.lineCount() == bytes.count('\n') + 1);
    qsizetype start = 0;
    for (qsizetype line = 0; line < document.lineCount(); ++line) {
        FUZZ_CHECK(document.lineStart(line) == start);
        const qsizetype feed = bytes.indexOf('\n', start);
        qsizetype end = feed < 0 ? bytes.size() : feed;
        if (feed >= 0 && end > start && bytes[end - 1] == '\r')
            --end;
        FUZZ_CHECK(document.lineEnd(line) == end);
        FUZZ_CHECK(document.line(line) == QByteArrayView(bytes).sliced(start, end - start));
        for (qsizetype offset = start; offset <= (feed < 0 ? bytes.size() - 1 : feed); ++offset)
            FUZZ_CHECK(document.lineOf(offset) == line);
        start = feed + 1;
    }
    // One cell at a time to the end and back again passes the same places.
    std::vector<qsizetype> places{0};
    while (places.back() < bytes.size()) {
        const qsizetype next = document.next(places.back());
        FUZZ_CHECK(next > places.back());
        places.push_back(next);
    }
    for (auto place = places.rbegin(); place + 1 != places.rend(); ++place)
        FUZZ_CHECK(document.previous(*place) == place[1]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const QByteArray bytes = fuzzBytes(data, size).toByteArray();
    const QByteArray normal = NormalizeLineBreaks(bytes);
    // Every break is CR LF, and nothing else changed.
    FUZZ_CHECK(normal.count('\r') == normal.count("\r\n") &&
               normal.count('\n') == normal.count('\r'));
    FUZZ_CHECK(breaksAsLf(normal) == breaksAsLf(bytes));
    FUZZ_CHECK(NormalizedSize(bytes) == normal.size());
    FUZZ_CHECK(NormalizeLineBreaks(normal) == normal);
    // In its own buffer, as when a file has just been read: the same.
    QByteArray own(bytes.constData(), bytes.size());
    FUZZ_CHECK(NormalizeLineBreaks(std::move(own)) == normal);
    // Indexed in the pass that finds them CR LF throughout exactly when mending keeps them.
    const auto crLf = TextDocument::crLfLineStarts(bytes);
    FUZZ_CHECK(crLf.has_value() == (normal == bytes));
    FUZZ_CHECK(TextDocument::crLfLineStarts(normal) == TextDocument::lineStarts(normal));

    checkIndex(bytes);
    checkIndex(normal);
    return 0;
}
