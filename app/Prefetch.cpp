#include "Prefetch.h"
#include "ArtFit.h"
#include "Cells.h"
#include "CodePage.h"
#include "FileNames.h"
#include "OrvelDocument.h"
#include "OrvelLinks.h"
#include "OrvelUtils.h"
#include "TextDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <fontconfig/fontconfig.h>

#include <future>
#include <new>
#include <thread>

PreparedDocument prepareDocument(QByteArray bytes, const QString& fileName) {
    PreparedDocument document;
    const SauceSplit sauce = findSauce(bytes);
    document.sauce = sauce.record;
    if (sauce.end < bytes.size()) {
        document.tail = bytes.sliced(sauce.end);
        bytes.truncate(sauce.end);
    }
    QByteArray text = DocumentEncoding::decodedDocument(bytes, document.utf16);
    // Let go first, so that the line breaks are mended in the text's own buffer: a large LF-only
    // document is then never held twice.
    bytes = {};
    // Mending the breaks makes no UTF-8 document of another, nor another of one.
    document.utf8 = DocumentEncoding::isUtf8Document(text);
    // Art is drawn from the bytes as written: there a lone CR returns the cursor.
    if (document.utf16 == DocumentEncoding::Utf16::None && !document.utf8) {
        document.art = AnsiArt::artOf(text, document.sauce, fileName);
        if (document.art)
            document.original = text;
    }
    // A text of CR LF breaks throughout (most are) is indexed in the pass that finds it so; any
    // other has its breaks mended first.
    std::optional<std::vector<quint32>> crLfStarts;
    if (!document.art)
        crLfStarts = TextDocument::crLfLineStarts(text);
    qsizetype feeds = -1;
    document.text = crLfStarts ? std::move(text) : NormalizeLineBreaks(std::move(text), feeds);
    const QByteArray& shown = document.art ? document.art->text : document.text;
    // The addresses are found beside the line index and the widest line: on a large document
    // each is a pass over all of it, and the first frame waits for all three.
    std::future<std::shared_ptr<const LinkSpans>> links =
        std::async(std::launch::async, [&shown] { return linksOf(shown); });
    // The pane is given the bytes with their index (art has its own text, indexed when shown).
    // A code page's cells are its bytes whichever it is; UTF-8's are its sequences. Art is as
    // wide as its grid.
    if (document.art) {
        document.artColumns = document.art->width;
    } else {
        document.lineStarts =
            crLfStarts ? std::move(*crLfStarts) : TextDocument::lineStarts(document.text, feeds);
        document.artColumns = Cells::widestLine(
            document.text, document.utf8 ? CodePage::Charset::Utf8 : CodePage::Charset::Oem,
            ArtFit::ArtColumns, document.lineStarts);
    }
    document.links = links.get();
    return document;
}

std::shared_ptr<const LinkSpans> linksOf(QByteArrayView text) {
    auto links = std::make_shared<LinkSpans>();
    // As many as the text can hold (an address is five bytes at least, and a stop character
    // parts it from the next), so that the list never moves as it grows: a million addresses
    // moved and moved again touched twice their memory, the costliest part of finding them.
    // What is not reached of it is never touched, and so never takes memory; where the system
    // will not promise that much, the list grows as it goes.
    try {
        links->reserve(size_t(text.size() / 6 + 1));
    } catch (const std::bad_alloc&) {
    }
    ForEachLinkSpan(text, [&](qsizetype at, qsizetype length) {
        links->push_back({quint32(at), quint32(length)});
    });
    return links;
}

namespace Prefetch {

QString documentPath(const QString& name, const QString& startFolder) {
    if (name.startsWith(u'/'))
        return name;
    const QString beside = GetProgramFolder() + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString started = startFolder + u'/' + name;
    return QFileInfo::exists(started) ? started : beside;
}

namespace {

struct Ahead {
    QString fileName;
    std::future<PreparedDocument> document;
};

Ahead& ahead() {
    static Ahead state;
    return state;
}

} // namespace

void start(const QString& fileName, qint64 capacity) {
    if (!FileNames::isRegularFile(fileName))
        return;
    std::promise<PreparedDocument> promise;
    // As take() will see it: "/a/./b" and "/a//b" are the window's "/a/b".
    ahead().fileName = QFileInfo(fileName).absoluteFilePath();
    ahead().document = promise.get_future();
    // Detached: a program that ends first does not wait for it.
    std::thread([promise = std::move(promise), fileName, capacity]() mutable {
        try {
            promise.set_value(prepareDocument(ReadDocumentFile(fileName, capacity), fileName));
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
    }).detach();
}

void startFromArguments(int argc, char* argv[]) {
    if (argc < 2 || argv[1][0] == '-')
        return;
    start(documentPath(FileNames::fromBytes(QByteArray(argv[1])), QDir::currentPath()),
          DocumentCapacity);
}

std::optional<PreparedDocument> take(const QString& fileName) {
    // Taken once, whatever it names: a read-ahead the window did not want would otherwise hold
    // its document for the rest of the run.
    std::future<PreparedDocument> document = std::move(ahead().document);
    if (!document.valid() || QFileInfo(fileName).absoluteFilePath() != ahead().fileName)
        return std::nullopt;
    try {
        return document.get();
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace Prefetch

// fontconfig reads its configuration once for the process, whichever thread asks first; a
// second asker meanwhile reads its own and the one that loses is let go, so the worst case is
// the time it takes anyway.
FontConfigurationAhead::FontConfigurationAhead() : m_reader([] { FcInit(); }) {}

FontConfigurationAhead::~FontConfigurationAhead() {
    m_reader.join();
}
