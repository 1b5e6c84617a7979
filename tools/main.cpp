// zelvan-rid-tool: the viewer's loading, line-break normalisation and link extraction for
// scripts that work over NFO collections.

#include "CodePage.h"
#include "DesktopAssociations.h"
#include "Errors.h"
#include "FileNames.h"
#include "OrvelAssociation.h"
#include "OrvelDocument.h"
#include "OrvelLinks.h"
#include "Registry.h"
#include "RegularFile.h"
#include "SystemInfo.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <unistd.h>

namespace {

constexpr char Usage[] = "Usage: zelvan-rid-tool links FILE...\n"
                         "       zelvan-rid-tool text FILE\n"
                         "       zelvan-rid-tool associate | unassociate\n"
                         "       zelvan-rid-tool --help | --version\n";

constexpr char TryHelp[] = "Try 'zelvan-rid-tool --help'.\n";

constexpr char Help[] =
    "\n"
    "  A FILE of - reads standard input.\n"
    "  links FILE...  print the web addresses the viewer's navigator lists for each file,\n"
    "                 one per line, as the file holds them (lower-cased A-Z); with several\n"
    "                 files each line starts with the file name and a colon\n"
    "  text FILE      print the document as UTF-8 text: every byte as its code page 437\n"
    "                 glyph, line breaks as LF\n"
    "  associate      make the viewer beside this program open .nfo and .diz files for\n"
    "                 the current user, as its Options item does\n"
    "  unassociate    take back what the viewer's two Options items wrote for the current\n"
    "                 user\n"
    "                 Both print each file they wrote or removed, one per line.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be read (the others are still\n"
    "processed) or an association could not be made or taken back, 2 on wrong usage.\n";

// Output that cannot be written ends the run: the caller must not take a cut list for all.
struct WriteError {
    int error;
};

void write(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        throw WriteError{errno};
}

void finishOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw WriteError{errno ? errno : EIO};
}

// Loads a document as the viewer does; reports to standard error and gives false on failure.
// Addresses end at any line break, so links reads the bytes as they are, with no copy.
bool load(const QString& fileName, QByteArray& text, bool normalise = true) {
    try {
        text = fileName == u"-" ? ReadDocumentStream(STDIN_FILENO, fileName, DocumentCapacity)
                                : ReadDocumentFile(fileName, DocumentCapacity);
        if (normalise)
            text = NormalizeLineBreaks(text);
        // What the viewer would refuse once its breaks are CR LF is refused here too.
        if ((normalise ? text.size() : NormalizedSize(text)) > DocumentCapacity)
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
        if (!load(file, text, false)) {
            status = 1;
            continue;
        }
        // The name as the file system has it, byte for byte, as other tools print names.
        const QByteArray prefix = files.size() > 1 ? FileNames::toBytes(file) + ':' : QByteArray();
        // Each address goes out as it is found: nothing but the text is held.
        QByteArray line;
        ForEachLink(text, [&](QByteArrayView address) {
            line = prefix;
            line.append(address).append('\n');
            write(line);
        });
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

// The content of each file the associations may touch (absent ones as nothing).
std::map<QString, std::optional<QByteArray>> associationFiles() {
    std::map<QString, std::optional<QByteArray>> files;
    for (const QString& path : DesktopAssociations::ownFiles())
        files[path] = readRegularFile(path);
    return files;
}

// One line per file that changed between the two looks.
void reportChanges(const std::map<QString, std::optional<QByteArray>>& before) {
    QByteArray out;
    for (const auto& [path, now] : associationFiles()) {
        const std::optional<QByteArray>& then = before.at(path);
        if (then == now)
            continue;
        out += (now ? "written " : "removed ") + FileNames::toBytes(path) + '\n';
    }
    write(out);
}

int associate(bool on) {
    // The registry's commands name the viewer, which lives beside this program.
    const QString viewer = SystemInfo::programFolder() + QStringLiteral("zelvan-rid-evodad");
    SystemInfo::setFactsSource([viewer] {
        SystemInfo::Facts facts = SystemInfo::realFacts();
        facts.programPath = viewer;
        return facts;
    });
    Registry::setDesktopTypesSource(DesktopAssociations::desktopTypes);
    const auto before = associationFiles();
    bool ok = true;
    if (on) {
        AssociateFileType(".nfo", "Zelvan RID Evodad", true);
        AssociateFileType(".diz", "Zelvan RID Evodad", true);
        Registry::TRegistry registry(Registry::KEY_READ);
        ok = registry.OpenKeyReadOnly("\\.nfo") && registry.ReadString({}) == "nfo_file" &&
             registry.OpenKeyReadOnly("\\.diz") && registry.ReadString({}) == "diz_file";
        QFile icon(QStringLiteral(":/icons/zelvan-rid-evodad.png"));
        icon.open(QIODevice::ReadOnly);
        DesktopAssociations::reflect(icon.readAll());
    } else {
        ok = RemoveProgramAssociations();
        DesktopAssociations::withdraw();
    }
    reportChanges(before);
    if (!ok)
        std::fprintf(stderr, "zelvan-rid-tool: the registry at %s could not be changed\n",
                     FileNames::toBytes(Registry::dataFolder()).constData());
    return ok ? 0 : 1;
}

int usage(const char* problem = nullptr) {
    if (problem)
        std::fprintf(stderr, "zelvan-rid-tool: %s\n", problem);
    else
        std::fputs(Usage, stderr);
    std::fputs(TryHelp, stderr);
    return 2;
}

int run(const QStringList& arguments) {
    if (arguments.isEmpty())
        return usage();
    const QString command = arguments.front();
    const QStringList files = arguments.mid(1);
    if (command == u"--help" || command == u"-h") {
        write(Usage);
        write(Help);
        return 0;
    }
    if (command == u"--version") {
        write(QByteArray("zelvan-rid-tool ") + ZELVAN_VERSION + '\n');
        return 0;
    }
    if (command == u"links")
        return files.isEmpty() ? usage("links needs at least one FILE") : links(files);
    if (command == u"text") {
        if (files.size() != 1)
            return usage("text takes exactly one FILE");
        return text(files.front());
    }
    if (command == u"associate" || command == u"unassociate") {
        if (!files.isEmpty())
            return usage("associate and unassociate take no FILE");
        return associate(command == u"associate");
    }
    const QByteArray unknown = "unknown command '" + command.toLocal8Bit() + "'";
    return usage(unknown.constData());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVAN_VERSION));
    try {
        const int status = run(FileNames::fromArguments(argc, argv).mid(1));
        finishOutput();
        return status;
    } catch (const WriteError& failure) {
        std::fprintf(stderr, "zelvan-rid-tool: write error: %s\n", std::strerror(failure.error));
        return 1;
    }
}
