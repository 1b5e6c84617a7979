#pragma once

#include <QString>
#include <QStringList>

// The desktop's list of recently used files ($XDG_DATA_HOME/recently-used.xbel), the one GTK and
// KDE programs read and write, kept through GLib's own reader and writer of it: the documents
// the viewer shows join it with the viewer as the program that used them. Entries of other
// programs stay as they are; a list that cannot be read (a damaged file, say) or written is left
// alone, without a word: it is the desktop's, and the viewer only adds to it.
namespace RecentDocuments {

void add(const QString& fileName);

// The folders of the documents the viewer showed, the most recently shown first, at most count.
QStringList recentFolders(int count);

} // namespace RecentDocuments
