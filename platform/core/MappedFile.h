#pragma once

#include <QByteArray>

#include <functional>

class QObject;

// A file's bytes mapped into memory instead of read into it (Windows' file mapping, on POSIX's
// mmap): a large document then costs no fresh memory to zero and copy into, and is copied only
// where someone changes it. The bytes are a byte array like any other: it is shared, so the first
// change copies it, and it stays mapped while anyone holds it.
//
// Windows keeps a mapped file from being cut short; POSIX lets another program truncate it, and
// reading a page that went past its end would end the program (SIGBUS). Here such pages read as
// zeros instead, until whoever watches the file reads it again.
namespace MappedFile {

// The size bytes of the open regular file, mapped; a null array where it cannot be mapped (the
// caller reads it then).
QByteArray map(int fd, qsizetype size);

// Whether bytes are the whole of one of the mappings.
bool isMapped(const QByteArray& bytes);

// The same bytes in memory of their own, for a holder that will change them: the first change of
// a mapping copies all of it, at once, where it happens. Made a piece at a time, each piece of
// the mapping let go of once copied (it is read from the file again where it is read again), so
// the two are never held whole at once. Any thread; bytes that are no mapping are given back.
QByteArray privateCopy(const QByteArray& bytes);

// privateCopy behind the window (BehindTheWindow); done(bytes, copy) is called on the main
// thread, unless context has gone by then.
void privateCopyLater(const QByteArray& bytes, QObject* context,
                      std::function<void(const QByteArray&, const QByteArray&)> done);

// Lets go of the mappings nobody holds any more; map() does it too.
void releaseUnused();

// How many mappings are held now.
int count();

} // namespace MappedFile
