// zelvan-rid-tool: the viewer's loading, line-break normalisation and link extraction for
// scripts that work over NFO collections.

#include "AnsiArt.h"
#include "AtomicFile.h"
#include "CellRenderer.h"
#include "CodePage.h"
#include "DesktopAssociations.h"
#include "DocumentEncoding.h"
#include "Errors.h"
#include "FileNames.h"
#include "OrvelAssociation.h"
#include "OrvelDocument.h"
#include "OrvelIniFile.h"
#include "OrvelLinks.h"
#include "PaneFont.h"
#include "PicturePdf.h"
#include "PicturePng.h"
#include "PictureSvg.h"
#include "Registry.h"
#include "RegularFile.h"
#include "ShownDocument.h"
#include "SystemColors.h"
#include "SystemInfo.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

constexpr char Usage[] = "Usage: zelvan-rid-tool links FILE...\n"
                         "       zelvan-rid-tool text [--cp437 | --utf8 | --utf16 | --ansi] "
                         "[--no-ansi] FILE\n"
                         "       zelvan-rid-tool png FILE [-o OUT.png] [--scale N] [--fg COLOR] "
                         "[--bg COLOR] [--cell-width 8|9] [text's options]\n"
                         "       zelvan-rid-tool svg FILE [-o OUT.svg] [png's options]\n"
                         "       zelvan-rid-tool pdf FILE [-o OUT.pdf] [--paper a4|letter] "
                         "[png's options]\n"
                         "       zelvan-rid-tool thumbnail -s SIZE FILE OUT.png\n"
                         "       zelvan-rid-tool sauce FILE\n"
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
    "                 glyph, line breaks as LF; a document written in UTF-8 (as the viewer\n"
    "                 detects it) or UTF-16 (it starts with FF FE or FE FF) is decoded\n"
    "                 instead, and ANSI art (escape sequences that draw, a SAUCE record of\n"
    "                 ANSI art, an .ans name) is the text its sequences draw; a SAUCE\n"
    "                 record is never part of it; --cp437, --utf8, --utf16 or --ansi force\n"
    "                 one reading, --no-ansi never draws art\n"
    "  png FILE       draw the document as the viewer's pane does at 9 pt Terminal, one\n"
    "                 8 x 16 cell per character, bright green on black, no margin, into\n"
    "                 OUT.png (default FILE.png; - is standard output); --scale N draws\n"
    "                 at N device pixels per pixel, --fg and --bg take a colour name\n"
    "                 (red, clRed), #RRGGBB or $00BBGGRR; the script is found or forced\n"
    "                 as for text; --cell-width 9 gives VGA's nine-pixel cells, the line\n"
    "                 and block characters C0-DF continued into the ninth column (the\n"
    "                 default where a SAUCE record asks for them); ANSI art is drawn in\n"
    "                 its colours, an .ans piece on its own light grey on black\n"
    "  svg FILE       the same picture as vector graphics into OUT.svg (default FILE.svg):\n"
    "                 block, shade and box characters as rectangles, every other glyph as\n"
    "                 text in the pane's font, so it can be searched and copied; a unit is\n"
    "                 a pixel of the png at the same --scale\n"
    "  pdf FILE       the same as svg, with the glyphs embedded, into OUT.pdf (default\n"
    "                 FILE.pdf), on A4 pages or --paper letter, broken between lines; a\n"
    "                 pixel is 1/96 inch, or smaller to keep wide art on the page\n"
    "  thumbnail      draw the top of FILE (80 columns, and of its first 100 lines as\n"
    "                 many as keep it within 1.5 times its width; lines longer than\n"
    "                 160 columns wrapped at the 80) scaled to fit SIZE x SIZE pixels\n"
    "                 into OUT.png, as file managers ask thumbnailers\n"
    "  sauce FILE     print the SAUCE record at the end of FILE as Key: value lines (title,\n"
    "                 author, group, date, kind, width, flags, font, comments); exit 1\n"
    "                 when it has none\n"
    "  associate      make the viewer beside this program open .nfo and .diz files for\n"
    "                 the current user, as its Options item does\n"
    "  unassociate    take back what the viewer's two Options items wrote for the current\n"
    "                 user\n"
    "                 Both print each file they wrote or removed, one per line.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be read (the others are still\n"
    "processed), a picture could not be made or written (OUT is left as it was), a file\n"
    "has no SAUCE record (sauce) or an association could not be made or taken back, 2 on\n"
    "wrong usage.\n";

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

int links(const QStringList& files) {
    int status = 0;
    for (const QString& file : files) {
        // Addresses end at any line break, so the bytes are read as they are, with no copy.
        ShownDocument shown;
        if (!readShown(file, Reading{}, shown, false)) {
            status = 1;
            continue;
        }
        // The name as the file system has it, byte for byte, as other tools print names.
        const QByteArray prefix = files.size() > 1 ? FileNames::toBytes(file) + ':' : QByteArray();
        // Each address goes out as it is found: nothing but the text is held.
        QByteArray line;
        ForEachLink(shown.text, [&](QByteArrayView address, qsizetype) {
            line = prefix;
            line.append(address).append('\n');
            write(line);
        });
    }
    return status;
}

int usage(const char* problem = nullptr);

// Where the piece of text that starts at a ends: after its last line break within a megabyte,
// or for a line longer than that, between two of its cells (a CR LF pair is one break, and a
// UTF-8 sequence one cell).
qsizetype pieceEnd(QByteArrayView bytes, qsizetype at, CodePage::Charset charset) {
    constexpr qsizetype Piece = 1 << 20;
    if (bytes.size() - at <= Piece)
        return bytes.size();
    if (const qsizetype lineEnd = bytes.sliced(at, Piece + 1).lastIndexOf('\n'); lineEnd >= 0)
        return at + lineEnd + 1;
    qsizetype cut = at + Piece;
    // A sequence has at most three bytes after its first.
    for (int back = 0; charset == CodePage::Charset::Utf8 && back < 3 &&
                       (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80;
         ++back)
        --cut;
    return cut;
}

int text(const QStringList& arguments) {
    Reading reading;
    QStringList files;
    for (const QString& argument : arguments)
        if (!reading.take(argument))
            files.append(argument);
    if (files.size() != 1)
        return usage("text takes exactly one FILE");
    ShownDocument shown;
    if (!readShown(files.front(), reading, shown))
        return 1;
    const QByteArray& bytes = shown.text;
    const CodePage::Charset charset = shown.charset;
    // A megabyte at a time, so that a large document is not held again as text.
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype end = pieceEnd(bytes, at, charset);
        QString text = CodePage::toDisplay(QByteArrayView(bytes).sliced(at, end - at), charset);
        // The byte-order mark is not part of the text the viewer shows.
        if (at == 0 && text.startsWith(QChar(0xFEFF)) && charset == CodePage::Charset::Utf8)
            text.remove(0, 1);
        write(text.toUtf8());
        at = end;
    }
    return 0;
}

int sauce(const QStringList& files) {
    if (files.size() != 1)
        return usage("sauce takes exactly one FILE");
    std::optional<SauceRecord> record;
    if (!readSauce(files.front(), record))
        return 1;
    if (!record) {
        std::fprintf(stderr, "zelvan-rid-tool: %s: no SAUCE record\n",
                     FileNames::toBytes(files.front()).constData());
        return 1;
    }
    QByteArray out;
    for (const auto& [key, value] : record->fields())
        out += (key + u": " + value).toUtf8() + '\n';
    write(out);
    return 0;
}

// A picture of text has few colours: with a palette (one bit a pixel for plain green on black)
// its PNG is a fraction of the size and written in a fraction of the time, pixel for pixel the
// same.
QImage compact(const QImage& image) {
    QImage indexed = image.convertToFormat(
        QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither | Qt::NoOpaqueDetection);
    if (indexed.colorCount() > 256 || indexed.convertToFormat(image.format()) != image)
        return image;
    if (indexed.colorCount() > 2)
        return indexed;
    QImage mono(indexed.size(), QImage::Format_Mono);
    mono.setColorTable(indexed.colorTable());
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* in = indexed.constScanLine(y);
        uchar* out = mono.scanLine(y);
        std::memset(out, 0, size_t(mono.bytesPerLine()));
        for (int x = 0; x < indexed.width(); ++x)
            if (in[x])
                out[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return mono;
}

// Writes a picture to out as produce makes it (giving why it could not, or nothing), and gives
// the exit status. A file is replaced as the viewer saves: a new file takes the old one's place
// (its owner, permissions and links kept) only when the whole picture is in it. Standard output
// ("-"), a pipe or a device has no place to take and must never be replaced by a file: it is
// written into.
int writeTo(const QString& out, const std::function<QString(QIODevice&)>& produce) {
    const QFileInfo target(out);
    const bool direct = out == u"-" || (target.exists() && !target.isFile() && !target.isDir());
    QFile straight(out);
    AtomicFile replacement(out);
    QIODevice& device = direct ? static_cast<QIODevice&>(straight) : replacement;
    const bool opened = !direct       ? bool(replacement.begin())
                        : out == u"-" ? straight.open(STDOUT_FILENO, QIODevice::WriteOnly)
                                      : straight.open(QIODevice::WriteOnly);
    QString problem = opened ? produce(device) : device.errorString();
    if (problem.isEmpty() && !(direct ? straight.flush() : bool(replacement.commit())))
        problem = device.errorString();
    if (problem.isEmpty())
        return 0;
    std::fprintf(stderr, "zelvan-rid-tool: %s: %s\n", FileNames::toBytes(out).constData(),
                 problem.toLocal8Bit().constData());
    return 1;
}

// Writes a thumbnail as PNG; gives the exit status. A picture that cannot be encoded is an
// error, and nothing is written: an existing file at out stays as it was.
int writePicture(const QImage& image, const QString& out) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(compact(image))) {
        std::fprintf(stderr, "zelvan-rid-tool: the picture cannot be written as PNG: %s\n",
                     writer.errorString().toLocal8Bit().constData());
        return 1;
    }
    return writeTo(out, [&png](QIODevice& device) {
        return device.write(png) == png.size() ? QString() : device.errorString();
    });
}

// The pane's renderer with the default pane font, "Terminal" 9 pt.
void paneRenderer(CellRenderer& renderer, int scale) {
    renderer.setFont(resolveFont(FontSpec{}));
    renderer.setDevicePixelRatio(scale);
}

std::optional<int> positive(const QString& text, int most) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 1 && value <= most ? std::optional<int>(value) : std::nullopt;
}

// A colour as the toolkit names it (red, #RRGGBB) or as the settings file writes it (clRed,
// $00BBGGRR, a system colour's name); invalid when it is neither.
QColor colourOf(const QString& text) {
    if (const QColor named = QColor::fromString(text); named.isValid())
        return named;
    try {
        const TColor stored = StringToColor(text);
        // "None" and "default" name no colour of their own.
        if (stored == clNone || stored == clDefault ||
            ((stored >> 24) != 0 && (stored >> 24) != 0xFF))
            return {};
        return SystemColors::toQColor(stored, QPalette::Text);
    } catch (const UserError&) {
        return {};
    }
}

enum class Format { Png, Svg, Pdf };

// png, svg and pdf: one picture of the document in each format, with the same options.
int picture(const QStringList& arguments, Format format) {
    const QString command = format == Format::Png   ? QStringLiteral("png")
                            : format == Format::Svg ? QStringLiteral("svg")
                                                    : QStringLiteral("pdf");
    const auto misuse = [&command](const char* problem) {
        return usage(QByteArray(command.toLatin1() + problem).constData());
    };
    QString file, out;
    Paper paper = Paper::A4;
    int scale = 1;
    std::optional<bool> ninth;
    std::optional<QColor> fg, bg;
    Reading reading;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (reading.take(a))
            continue;
        const bool hasValue = i + 1 < arguments.size();
        const bool paperOption = format == Format::Pdf && a == u"--paper";
        if (a == u"-o" || a == u"--scale" || a == u"--fg" || a == u"--bg" || a == u"--cell-width" ||
            paperOption) {
            if (!hasValue)
                return misuse(": an option needs a value");
            const QString value = arguments[++i];
            if (a == u"-o") {
                out = value;
            } else if (paperOption) {
                if (value.compare(u"a4", Qt::CaseInsensitive) != 0 &&
                    value.compare(u"letter", Qt::CaseInsensitive) != 0)
                    return misuse(": --paper is a4 or letter");
                paper = value.compare(u"a4", Qt::CaseInsensitive) == 0 ? Paper::A4 : Paper::Letter;
            } else if (a == u"--cell-width") {
                if (value != u"8" && value != u"9")
                    return misuse(": --cell-width is 8 or 9");
                ninth = value == u"9";
            } else if (a == u"--scale") {
                const std::optional<int> n = positive(value, 16);
                if (!n)
                    return misuse(": --scale takes a whole number from 1 to 16");
                scale = *n;
            } else {
                std::optional<QColor>& colour = a == u"--fg" ? fg : bg;
                colour = colourOf(value);
                if (!colour->isValid())
                    return misuse(": a colour is a name (red, clRed), #RRGGBB or $00BBGGRR");
            }
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return misuse(" takes exactly one FILE");
        }
    }
    if (file.isEmpty())
        return misuse(" takes exactly one FILE");
    if (out.isEmpty())
        out = file == u"-" ? file : file + u'.' + command;
    ShownDocument shown;
    if (!readShown(file, reading, shown))
        return 1;
    TextDocument document;
    document.setBytes(shown.text);
    CellRenderer renderer;
    paneRenderer(renderer, scale);
    // What the art's record asks for, unless the options say otherwise; an .ans piece in its
    // own colours.
    renderer.setNinthColumn(ninth.value_or(shown.ninePixels));
    renderer.setTallPixels(shown.tallPixels);
    const QColor ink =
        fg.value_or(shown.ownColours ? QColor(QRgb(AnsiArt::vgaColour(7))) : FontSpec{}.color);
    const QColor ground = bg.value_or(Qt::black);
    const CodePage::Charset charset = shown.charset;
    // Written as it is drawn, a band at a time.
    return writeTo(out, [&](QIODevice& device) {
        switch (format) {
        case Format::Svg:
            return writePictureSvg(document, charset, renderer, ink, ground, device, shown.colours);
        case Format::Pdf:
            return writePicturePdf(document, charset, renderer, ink, ground, paper,
                                   file == u"-" ? QString() : QFileInfo(file).fileName(), device,
                                   shown.colours);
        case Format::Png:
            break;
        }
        return writePicturePng(document, charset, renderer, ink, ground, device, 12 << 20,
                               shown.colours);
    });
}

// Prose written a paragraph to a line (or a whole document to one) wrapped at the thumbnail's
// columns, so that its first rows show at the picture's size instead of a sliver of one line;
// lines that may be art are left as drawn, cut at the picture's edge. At most rows rows.
QByteArray wrappedProse(const TextDocument& document, CodePage::Charset charset, qint64 columns,
                        qsizetype rows) {
    QByteArray wrapped;
    qsizetype made = 0;
    const auto row = [&](QByteArrayView bytes) {
        if (made++ > 0)
            wrapped += "\r\n";
        wrapped += bytes;
    };
    for (qsizetype i = 0; i < document.lineCount() && made < rows; ++i) {
        const QByteArrayView line = document.line(i);
        if (Cells::columns(line, charset) <= Cells::ArtColumns) {
            row(line);
            continue;
        }
        // A row starts at a column that is a whole number of rows in, and so at a tab stop: its
        // tabs reach as far as they did in the line.
        Cells::Mark from;
        while (from.offset < line.size() && made < rows) {
            qsizetype end = Cells::offsetAt(line, charset, from.column + columns, from);
            if (end <= from.offset) // cells of no width to the end
                end = line.size();
            row(line.sliced(from.offset, end - from.offset));
            from = {end, Cells::columnAt(line, charset, end, from)};
        }
    }
    return wrapped;
}

int thumbnail(const QStringList& arguments) {
    // The shape file managers call thumbnailers with.
    if (arguments.size() != 4 || arguments[0] != u"-s")
        return usage("thumbnail takes -s SIZE FILE OUT.png");
    const std::optional<int> size = positive(arguments[1], 4096);
    if (!size)
        return usage("thumbnail: SIZE is a whole number of pixels from 1 to 4096");
    // Only the top is drawn, so only the top is read: a huge file costs what a small one does.
    // At most 80 columns from the left, the width of the art a file manager user knows the file
    // by, and no more lines than keep the picture within about 1.5 times its width: the logo
    // at the top, not a sliver or a strip.
    constexpr qsizetype Lines = 100;
    constexpr qint64 Columns = 80;
    static_assert(Columns % Cells::TabWidth == 0, "long lines are wrapped at tab stops");
    // Art, whose rows may be drawn anywhere, is given more of its bytes; its record comes from
    // the end.
    const QString& file = arguments[2];
    ShownDocument shown;
    try {
        constexpr qint64 Limit = Lines * Columns * 16;
        QByteArray head = ReadDocumentHead(file, Lines, Limit);
        const bool complete = head.size() < Limit && QFileInfo(file).size() == head.size();
        std::optional<SauceRecord> sauce;
        if (!complete && !readSauce(file, sauce))
            return 1;
        // The head of a UTF-16 document may end inside a character; it is cut off there.
        makeShown(std::move(head), file, Reading{}, complete, sauce, shown);
    } catch (const UserError& error) {
        std::fprintf(stderr, "zelvan-rid-tool: %s\n", error.message().toLocal8Bit().constData());
        return 1;
    }
    TextDocument document;
    document.setBytes(shown.text);
    // Art's grid is as the viewer draws it, its colours spans of it.
    if (!shown.art)
        document.setBytes(wrappedProse(document, shown.charset, Columns, Lines));
    CellRenderer renderer;
    paneRenderer(renderer, 1);
    renderer.setNinthColumn(shown.ninePixels);
    renderer.setTallPixels(shown.tallPixels);
    const CodePage::Charset charset = shown.charset;
    // Lines from the top while the picture of them stays within 1.5 times its own width.
    const QSize cell = renderer.deviceCellSize();
    qsizetype rows = 0;
    qint64 widest = 1;
    for (; rows < std::min(Lines, document.lineCount()); ++rows) {
        const qint64 wider =
            std::max(widest, std::min(Columns, Cells::columns(document.line(rows), charset)));
        if (rows > 0 && double((rows + 1) * cell.height()) > 1.5 * double(wider * cell.width()))
            break;
        widest = wider;
    }
    const QColor ink = shown.ownColours ? QColor(QRgb(AnsiArt::vgaColour(7))) : FontSpec{}.color;
    QImage image =
        renderer.picture(document, charset, ink, Qt::black, rows, Columns, shown.colours);
    if (image.width() > *size || image.height() > *size)
        image = image.scaled(*size, *size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return writePicture(image, arguments[3]);
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

int usage(const char* problem) {
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
    if (command == u"text")
        return text(files);
    if (command == u"png")
        return picture(files, Format::Png);
    if (command == u"svg")
        return picture(files, Format::Svg);
    if (command == u"pdf")
        return picture(files, Format::Pdf);
    if (command == u"thumbnail")
        return thumbnail(files);
    if (command == u"sauce")
        return sauce(files);
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
    // Drawing needs the GUI module's fonts, never a display: the pictures are drawn offscreen.
    const bool draws =
        argc > 1 && (std::strcmp(argv[1], "png") == 0 || std::strcmp(argv[1], "svg") == 0 ||
                     std::strcmp(argv[1], "pdf") == 0 || std::strcmp(argv[1], "thumbnail") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (draws) {
        static char platform[] = "-platform", offscreen[] = "offscreen";
        static int guiArgc = 3;
        static char* guiArgv[] = {argv[0], platform, offscreen, nullptr};
        // The toolkit's own remarks (a missing runtime folder and the like) are no business of
        // a caller reading standard error for the command's errors.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "zelvan-rid-tool: %s\n", text.toLocal8Bit().constData());
        });
        app = std::make_unique<QGuiApplication>(guiArgc, guiArgv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
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
