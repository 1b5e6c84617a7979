#include "Application.h"
#include "DesktopAssociations.h"
#include "FileNames.h"
#include "FormReclama.h"
#include "MainUnit.h"
#include "OrvelUtils.h"
#include "Prefetch.h"
#include "Shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

constexpr char Help[] =
    "Usage: zelvan-rid-evodad [FILE]\n"
    "Shows an NFO or DIZ file through a code page 437 font, with the web addresses it holds\n"
    "listed beside it. Without FILE (or when FILE is not a file) it shows OrvelDesign.NFO from\n"
    "the program's folder or from ../share/zelvan-rid-evodad.\n"
    "A relative FILE is looked up in the program's folder first, then in the current one.\n"
    "ANSI art (an .ans file, or one that draws with escape sequences or has a SAUCE record of\n"
    "ANSI art) is shown as drawn, in its colours; Ctrl+R edits its bytes.\n"
    "\n"
    "Keys beyond the menus: Ctrl+F find, F3 and Shift+F3 the next and previous match,\n"
    "Ctrl+PageDown and Ctrl+PageUp the next and previous document of the folder. The pane's\n"
    "context menu has them too, and About this art for a SAUCE record.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n";

// Asked for help or the version, the viewer answers without opening a window, unless a document
// of that name lies in its folder: the one argument names a document first.
int answerOption(int argc, char* argv[]) {
    const char* option = argv[1];
    if (std::strcmp(option, "--help") != 0 && std::strcmp(option, "--version") != 0)
        return -1;
    // Enough of an application to know the program's folder; no display is needed.
    const QCoreApplication core(argc, argv);
    if (QFileInfo(GetProgramFolder() + QString::fromLocal8Bit(option)).isFile())
        return -1;
    if (std::strcmp(option, "--help") == 0)
        std::fputs(Help, stdout);
    else
        std::printf("zelvan-rid-evodad %s\n", ZELVAN_VERSION);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) {
        if (const int status = answerOption(argc, argv); status >= 0)
            return status;
        // The document is read while the toolkit starts.
        Prefetch::startFromArguments(argc, argv);
    }
    const FontConfigurationAhead fonts;
    QApplication app(argc, argv);
    Application::initialise();
    // The registry sees the file types the desktop already knows, as Windows has its own.
    Registry::setDesktopTypesSource(DesktopAssociations::desktopTypes);
    Application::setTitle(QStringLiteral("ZIV Eroz Evevev (runtime)"));
    // argv as the toolkit has left it (its own options taken out), names without loss.
    TMainForm mainForm(FileNames::fromArguments(argc, argv));
    // The template copy of the product column: made now, never shown.
    TfrmMain frmMain;
    mainForm.show();
    const int status = app.exec();
    // An opener that hangs would otherwise outlive the viewer, one per click.
    Shell::endOpeners();
    return status;
}
