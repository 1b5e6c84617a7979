#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names on Linux are bytes, and not every name is UTF-8: names from old archives hold code
// page 437 bytes. Qt's own conversion turns such a byte into U+FFFD and the file can no longer be
// found. These carry a name through a QString without loss: valid UTF-8 decodes as usual and each
// byte that is not part of it becomes U+DC80 + byte (a lone surrogate no real name contains),
// which turns back into that byte.
namespace FileNames {

QString fromBytes(const QByteArray& name);
QByteArray toBytes(const QString& name);

// The name as a person should read it in a message: the bytes that are not UTF-8 shown with
// their code page 437 glyphs.
QString forDisplay(const QString& name);

// The command line, each argument carried without loss (Qt's own list is lossy for file names).
QStringList fromArguments(int argc, char* argv[]);

// Whether the name (links followed) is a regular file.
bool isRegularFile(const QString& name);

// A name that came through Qt's lossy conversion (a file dialog, a dropped address): where no
// file has it, the one file of its folder whose name converts to it, if there is exactly one.
QString recover(const QString& name);

} // namespace FileNames
