#pragma once

#include <QString>
#include <QStringList>

// The documents of a folder that a reader steps through: its .nfo, .diz, .asc and .txt files
// (in any letter case), in the order a file manager shows names: digits by their number ("2"
// before "10"), letter case ignored.
namespace FolderDocuments {

// The folder's documents in that order, by full name.
QStringList inFolder(const QString& folder);

// The document step places (1 on, -1 back) from file in its folder's order, or an empty name
// at either end; where file is none of them, from where its name would stand.
QString beside(const QString& file, int step);

// Where file stands in its folder (from 1), and of how many; 0 when it is not one of them.
int placeOf(const QString& file, int& count);

} // namespace FolderDocuments
