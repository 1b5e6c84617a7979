#pragma once

#include "Registry.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// Registering the program with the shell for a file extension, under HKEY_CLASSES_ROOT.

// Makes the program the double-click handler of files with the extension (leading dot
// included), with its icon: five string writes, each skipped silently when its key cannot be
// opened. A write that fails after its key opened ends the run; with showErrors it is reported
// as "Cannot associate application with <ext>".
void AssociateFileType(const QByteArray& ext, const QByteArray& description, bool showErrors);

// Adds the verb caption to the right-click menu of the file type each extension of the comma
// text belongs to, leaving the type's other verbs and its default alone. Silent throughout.
void AddShellMenuEntry(const QByteArray& caption, const QByteArray& extensions);

// Opens (or creates) the key with full access and writes the string value; false when the key
// cannot be opened. A value that cannot be set raises "Failed to set data for '<name>'".
bool WriteRegistryString(Registry::HKEY rootKey, const QByteArray& keyPath,
                         const QByteArray& valueName, const QByteArray& value, bool lazyWrite,
                         bool canCreate);

// Deletes from the registry what the two association items wrote for this program: each
// extension whose file type opens with it, with that type, and each right-click verb that runs
// it (with the shell and type keys that were there only for the verb). False when the registry
// could not be changed.
bool RemoveProgramAssociations();

// An error box titled "Error" for a non-empty text, with its line-break markers expanded.
void ShowErrorText(const QString& text);

// "CRLF " and " CRLF " become "CRLF", then every "CRLF" a carriage return and line feed.
QString ExpandLineBreaks(const QString& text);

// The items of a comma text: separated by commas or blanks; an item in double quotes may hold
// either (and "" stands for one quote).
QByteArrayList SplitCommaText(const QByteArray& text);
