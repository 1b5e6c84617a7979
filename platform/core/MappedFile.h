#pragma once

#include <QByteArray>

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

// Lets go of the mappings nobody holds any more; map() does it too.
void releaseUnused();

// How many mappings are held now.
int count();

} // namespace MappedFile
