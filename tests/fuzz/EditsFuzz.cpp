// libFuzzer target for edits against the cell index: a document of long lines (a piece of the
// input repeated), edits, undos and redos as the pane makes them, and after each one the index's
// widths and marks held against a walk of each line from its start. Built and run by scripts/fuzz.

#include "FuzzCheck.h"

#include "CellIndex.h"
#include "Cells.h"
#include "TextDocument.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

// A line's cell boundaries from its start: offset to column, the line's end included.
std::map<qsizetype, qint64> boundaries(QByteArrayView line, CodePage::Charset charset) {
    std::map<qsizetype, qint64> at;
    qint64 end = 0;
    Cells::forEach(line, charset, [&](const Cells::Cell& cell) {
        at[cell.offset] = cell.column;
        end = cell.column + cell.width;
        return true;
    });
    at[line.size()] = end;
    return at;
}

void checkMark(const Cells::Mark& mark, const std::map<qsizetype, qint64>& truth) {
    const auto found = truth.find(mark.offset);
    FUZZ_CHECK(found != truth.end());
    FUZZ_CHECK(found->second == mark.column);
}

// What the index says of a line, against a walk of it.
void checkLine(const TextDocument& document, const CellIndex& index, CodePage::Charset charset,
               qsizetype line, FuzzedDataProvider& input) {
    const QByteArrayView bytes = document.line(line);
    const auto truth = boundaries(bytes, charset);
    const qint64 width = truth.rbegin()->second;
    FUZZ_CHECK(index.columns(line) == width);
    for (int probe = 0; probe < 4; ++probe) {
        const qsizetype offset = input.ConsumeIntegralInRange<qsizetype>(0, bytes.size());
        const Cells::Mark byOffset = index.atOffset(line, offset);
        FUZZ_CHECK(byOffset.offset <= offset);
        checkMark(byOffset, truth);
        const qint64 column = input.ConsumeIntegralInRange<qint64>(0, width + 8);
        const Cells::Mark byColumn = index.atColumn(line, column);
        FUZZ_CHECK(byColumn.column <= column);
        checkMark(byColumn, truth);
    }
}

QByteArray repeated(FuzzedDataProvider& input, std::size_t pieceBytes, int most) {
    const std::string piece = input.ConsumeRandomLengthString(pieceBytes);
    const int times = input.ConsumeIntegralInRange(1, most);
    return QByteArray(piece.data(), qsizetype(piece.size())).repeated(times);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto charset = input.PickValueInArray(
        {CodePage::Charset::Oem, CodePage::Charset::Ansi, CodePage::Charset::Utf8});
    TextDocument document;
    document.setBytes(repeated(input, 64, 4000));
    CellIndex index;
    index.reset(&document, charset);
    // Every line asked about once, so that its marks are made before the edits move them.
    const qsizetype asked = std::min<qsizetype>(document.lineCount(), 32);
    for (qsizetype line = 0; line < asked; ++line)
        index.columns(line);

    for (int step = 0; step < 24 && input.remaining_bytes() > 0; ++step) {
        bool changed = false;
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
        case 1: {
            const qsizetype from = input.ConsumeIntegralInRange<qsizetype>(0, document.size());
            const qsizetype to = from + input.ConsumeIntegralInRange<qsizetype>(
                                            0, std::min<qsizetype>(document.size() - from, 20000));
            changed = document.replace(from, to, repeated(input, 16, 600), input.ConsumeBool());
            break;
        }
        case 2:
            changed = document.undo() >= 0;
            break;
        default:
            changed = document.redo() >= 0;
            break;
        }
        if (!changed)
            continue;
        index.edited(document.lastChange());
        // The lines the edit touched and a few besides.
        std::set<qsizetype> lines{document.lastChange().line};
        for (int more = 0; more < 3; ++more)
            lines.insert(input.ConsumeIntegralInRange<qsizetype>(0, document.lineCount() - 1));
        for (const qsizetype line : lines)
            if (line < document.lineCount())
                checkLine(document, index, charset, line, input);
    }
    return 0;
}
