#include "ShownDocument.h"

#include "AnsiArt.h"
#include "DocumentEncoding.h"
#include "Errors.h"
#include "OrvelDocument.h"

#include <cstdio>
#include <unistd.h>

namespace {

// The most a record, its comments and the ^Z before them take at a file's end.
constexpr qint64 SauceReach = 1 + 5 + 255 * 64 + 128;

void report(const UserError& error) {
    std::fprintf(stderr, "zelvan-rid-tool: %s\n", error.message().toLocal8Bit().constData());
}

} // namespace

bool Reading::take(const QString& argument) {
    if (argument == u"--no-ansi") {
        noArt = true;
        return true;
    }
    if (argument == u"--cp437")
        script = CodePage::Charset::Oem;
    else if (argument == u"--utf8")
        script = CodePage::Charset::Utf8;
    else if (argument == u"--utf16")
        script = CodePage::Charset::Utf8; // what UTF-16 is decoded to
    else if (argument == u"--ansi")
        script = CodePage::Charset::AnsiArt;
    else
        return false;
    utf16 = argument == u"--utf16";
    return true;
}

void makeShown(QByteArray bytes, const QString& fileName, const Reading& reading, bool complete,
               std::optional<SauceRecord> sauce, ShownDocument& shown, bool normalise) {
    if (complete) {
        const SauceSplit split = findSauce(bytes);
        sauce = split.record;
        bytes.truncate(split.end);
    }
    shown = {};
    shown.sauce = std::move(sauce);
    // A UTF-16 document is found by its mark and decoded, unless a script is forced on the
    // bytes as they are; --utf16 decodes them in the order of their mark, else little-endian.
    QByteArray text = bytes;
    DocumentEncoding::Utf16 order = DocumentEncoding::Utf16::None;
    if (reading.utf16) {
        text = DocumentEncoding::decodedDocument(bytes, order, complete);
        if (order == DocumentEncoding::Utf16::None)
            text = DocumentEncoding::utf16ToUtf8(
                bytes, bytes.startsWith("\xFE\xFF") ? DocumentEncoding::Utf16::BigEndian
                                                    : DocumentEncoding::Utf16::LittleEndian);
        order = DocumentEncoding::Utf16::LittleEndian;
    } else if (!reading.script) {
        text = DocumentEncoding::decodedDocument(bytes, order, complete);
    }
    bytes = {};
    // A head may end inside a UTF-8 sequence: it is judged on its whole lines.
    const QByteArrayView judged = complete || text.lastIndexOf('\n') < 0
                                      ? QByteArrayView(text)
                                      : QByteArrayView(text).first(text.lastIndexOf('\n') + 1);
    const bool utf8 = reading.script ? *reading.script == CodePage::Charset::Utf8
                                     : DocumentEncoding::isUtf8Document(judged);
    std::optional<AnsiArt::Art> art;
    if (reading.script == CodePage::Charset::AnsiArt)
        art = AnsiArt::interpret(text, AnsiArt::optionsFor(shown.sauce, fileName));
    else if (!reading.script && !reading.noArt && order == DocumentEncoding::Utf16::None && !utf8)
        art = AnsiArt::artOf(text, shown.sauce, fileName);
    shown.ninePixels =
        shown.sauce && shown.sauce->letterSpacing() == SauceRecord::Spacing::NinePixels;
    shown.tallPixels = shown.sauce && shown.sauce->aspect() == SauceRecord::Aspect::Legacy;
    if (art) {
        shown.art = true;
        shown.ownColours = AnsiArt::optionsFor(shown.sauce, fileName).ownColours;
        shown.text = std::move(art->text);
        shown.colours = std::move(art->colours);
        shown.charset = CodePage::Charset::Oem;
        return;
    }
    shown.charset = utf8 ? CodePage::Charset::Utf8 : CodePage::Charset::Oem;
    shown.text = normalise ? NormalizeLineBreaks(std::move(text)) : std::move(text);
}

bool readShown(const QString& fileName, const Reading& reading, ShownDocument& shown,
               bool normalise) {
    try {
        makeShown(fileName == u"-" ? ReadDocumentStream(STDIN_FILENO, fileName, DocumentCapacity)
                                   : ReadDocumentFile(fileName, DocumentCapacity),
                  fileName, reading, true, std::nullopt, shown, normalise);
        // What the viewer would refuse once its breaks are CR LF is refused here too.
        if ((normalise ? shown.text.size() : NormalizedSize(shown.text)) > DocumentCapacity)
            throw UserError(QStringLiteral("Text exceeds memo capacity"));
        return true;
    } catch (const UserError& error) {
        report(error);
        return false;
    }
}

bool readSauce(const QString& fileName, std::optional<SauceRecord>& sauce) {
    try {
        const QByteArray end = fileName == u"-"
                                   ? ReadDocumentStream(STDIN_FILENO, fileName, DocumentCapacity)
                                   : ReadDocumentTail(fileName, SauceReach);
        sauce = findSauce(end).record;
        return true;
    } catch (const UserError& error) {
        report(error);
        return false;
    }
}
