#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reading, line-break normalisation and saving of documents. Documents are bytes throughout:
// nothing here converts between code pages.

// Most bytes a document may have. Far above any real NFO/DIZ file, and low enough that its
// glyphs and their layout still fit in memory.
inline constexpr qint64 DocumentCapacity = qint64(256) << 20;

// Reads the whole file. Raises "Cannot open file "<full path>". <reason>" when it cannot be
// read, and "Text exceeds memo capacity" when it holds more than capacity bytes (checked
// before anything is read, so a huge file costs nothing).
QByteArray ReadDocumentFile(const QString& fileName, qint64 capacity);

// Reads what an open descriptor (a pipe, standard input) gives until it ends, with the same
// capacity and messages, name standing for the file in them; sizeHint is where to start.
QByteArray ReadDocumentStream(int fd, const QString& name, qint64 capacity, qint64 sizeHint = 0);

// The start of a file: at least its first lines lines where it has that many, never more than
// limit bytes; the same refusals and messages as ReadDocumentFile, but no capacity, since only
// the start is read.
QByteArray ReadDocumentHead(const QString& fileName, qsizetype lines, qint64 limit);

// The end of a file, at most limit bytes of it (where a SAUCE record is), with the same refusals
// and messages as ReadDocumentHead.
QByteArray ReadDocumentTail(const QString& fileName, qint64 limit);

// The size the bytes have once NormalizeLineBreaks has made every break CR LF.
qsizetype NormalizedSize(QByteArrayView bytes);

// Each CR LF pair, lone CR and lone LF becomes one CR LF pair; every other byte passes as it is.
// A text that needs no change is returned without a copy.
QByteArray NormalizeLineBreaks(const QByteArray& bytes);
// The same on bytes nobody else holds, in their own buffer where only LFs need a CR.
QByteArray NormalizeLineBreaks(QByteArray&& bytes);
// The same, telling how many line feeds the result has (what a line index of it needs room for).
QByteArray NormalizeLineBreaks(QByteArray&& bytes, qsizetype& feeds);

// Replaces the file's content with the bytes, all or nothing: they go to a new file beside it
// that then takes its place, with the old file's permissions. Raises "Cannot create file
// "<full path>". <reason>" when the file cannot be written, "Stream write error" when writing
// fails part-way; either way the old file is left untouched.
void WriteDocumentFile(const QString& fileName, QByteArrayView bytes);
