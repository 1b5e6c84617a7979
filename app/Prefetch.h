#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The document named on the command line, read on a thread of its own from the program's first
// moment while the toolkit starts and the window is made: for a large file each of the two
// takes about as long as the other, and a 64 MiB document then costs the start-up half as much.
namespace Prefetch {

// Starts reading a regular file (nothing else: a named pipe could keep a reader waiting for
// ever), named absolutely.
void start(const QString& fileName, qint64 capacity);

// Starts reading the document the command line names, as the window will take it: a relative
// name means the program's folder; an option of the toolkit's names no document.
void startFromArguments(int argc, char* argv[]);

// The bytes read ahead for fileName (relative names as the current folder makes them), when
// that file was read ahead without an error; otherwise nothing, and the caller reads it itself,
// meeting the same error if there is one.
std::optional<QByteArray> take(const QString& fileName);

} // namespace Prefetch
