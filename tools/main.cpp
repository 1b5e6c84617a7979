// zelvan-rid-tool: the viewer's loading, line-break normalisation and link extraction for
// scripts that work over NFO collections.

#include "CodePage.h"
#include "Errors.h"
#include "OrvelDocument.h"
#include "OrvelLinks.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

constexpr char Usage[] = "Usage: zelvan-rid-tool links FILE...\n"
                         "       zelvan-rid-tool text FILE\n"
                         "       zelvan-rid-tool --help | --version\n";

constexpr char Help[] =
    "\n"
    "  links FILE...  print the web addresses the viewer's navigator lists for each file,\n"
    "                 one per line, as the file holds them (lower-cased A-Z); with several\n"
    "                 files each line starts with the file name and a colon\n"
    "  text FILE      print the document as UTF-8 text: every byte as its code page 437\n"
    "                 glyph, line breaks as LF\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be read (the others are still\n"
    "processed), 2 on wrong usage.\n";

void write(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// Loads a document as the viewer does; reports to standard error and gives false on failure.
bool load(const QString& fileName, QByteArray& text) {
    try {
        text = NormalizeLineBreaks(ReadDocumentFile(fileName, DocumentCapacity));
        if (text.size() > DocumentCapacity)
            throw UserError(QStringLiteral("Text exceeds memo capacity"));
        return true;
    } catch (const UserError& error) {
        std::fprintf(stderr, "zelvan-rid-tool: %s\n", error.message().toLocal8Bit().constData());
        return false;
    }
}

int links(const QStringList& files) {
    int status = 0;
    for (const QString& file : files) {
        QByteArray text;
        if (!load(file, text)) {
            status = 1;
            continue;
        }
        QByteArrayList addresses;
        ExtractLinks(text, addresses);
        const QByteArray prefix = files.size() > 1 ? file.toLocal8Bit() + ':' : QByteArray();
        QByteArray out;
        for (const QByteArray& address : std::as_const(addresses))
            out += prefix + address + '\n';
        write(out);
    }
    return status;
}

int text(const QString& file) {
    QByteArray bytes;
    if (!load(file, bytes))
        return 1;
    write(CodePage::toDisplay(bytes, CodePage::Charset::Oem).toUtf8());
    return 0;
}

int usage() {
    std::fputs(Usage, stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVAN_VERSION));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    const QString command = arguments.front();
    const QStringList files = arguments.mid(1);
    if (command == u"--help" || command == u"-h") {
        std::fputs(Usage, stdout);
        std::fputs(Help, stdout);
        return 0;
    }
    if (command == u"--version") {
        std::printf("zelvan-rid-tool %s\n", ZELVAN_VERSION);
        return 0;
    }
    if (command == u"links" && !files.isEmpty())
        return links(files);
    if (command == u"text" && files.size() == 1)
        return text(files.front());
    return usage();
}
