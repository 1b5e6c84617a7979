#pragma once

#include "Registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Carries the file associations of our registry stand-in over to the freedesktop.org
// mechanisms, so that they really work on a Linux desktop: for every extension whose file type
// opens with this program, a MIME type (the system's where it has one, else our own), a desktop
// entry for the program, and the program as the type's default application in mimeapps.list; for
// every right-click verb that runs this program, a desktop entry of its own, listed among the
// type's added associations (the default stays as it is). The MIME and desktop databases are
// refreshed when their tools exist. Nothing is reported; a failing step is skipped.
namespace DesktopAssociations {

struct Folders {
    QString dataHome;             // $XDG_DATA_HOME or ~/.local/share
    QString configHome;           // $XDG_CONFIG_HOME or ~/.config
    QStringList systemDataDirs;   // $XDG_DATA_DIRS or /usr/local/share:/usr/share
    QStringList systemConfigDirs; // $XDG_CONFIG_DIRS or /etc/xdg
};

Folders folders();
void setFoldersSource(std::function<Folders()> source);

// The desktop-entry names used for the double-click handler and for a right-click verb.
inline constexpr char ProgramEntry[] = "zelvan-rid-evodad.desktop";
inline constexpr char VerbEntry[] = "zelvan-rid-evodad-verb.desktop";

// iconPng: the program's icon, installed into the user's icon theme.
void reflect(const QByteArray& iconPng);

// The extensions the desktop's MIME database knows, each with its type and the command of the
// type's default application (mimeapps.list, then the applications that list the type), for the
// registry's view of them. The program's own entries are left out: the view shows what the
// desktop does without us, so it can never make the program its own default.
std::vector<Registry::DesktopType> desktopTypes();

// Takes back what reflect() wrote for the current user: the program's desktop entries, MIME
// package and icon are removed, its entries in mimeapps.list go (a default it replaced comes
// back; other lines stay as they are), and the desktop's caches are refreshed.
void withdraw();

// The files reflect() and the registry may write for the current user (existing or not).
QStringList ownFiles();

// Whether a registry command line runs the program: its first word, split as the shell splits
// it, is exactly the program's path.
bool commandRuns(const QByteArray& command, const QByteArray& program);

// A registry command line ("X" "%L") as a desktop entry's Exec value ("X" %f).
QString execFromCommand(const QByteArray& command);

} // namespace DesktopAssociations
