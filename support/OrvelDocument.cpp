#include "OrvelDocument.h"

#include "AtomicFile.h"
#include "ByteMask.h"
#include "Errors.h"
#include "FileNames.h"
#include "MappedFile.h"
#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// A buffer of size bytes with room after them, so that the first edits of a large document
// move its bytes along instead of copying them all to a new block (pages of the room that are
// never written are never given memory).
QByteArray documentBuffer(qsizetype size) {
    QByteArray bytes;
    bytes.reserve(size + std::min<qsizetype>(size / 16 + 4096, qsizetype(16) << 20));
    bytes.resize(size);
    // A large document is read into memory the system gives in 2 MiB pages where it can: a
    // fault a page of 4 KiB cost more than the copy of the file itself.
    constexpr quintptr Huge = quintptr(2) << 20;
    const auto first = (quintptr(bytes.data()) + Huge - 1) & ~(Huge - 1);
    const auto last = (quintptr(bytes.data()) + quintptr(bytes.capacity())) & ~(Huge - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    return bytes;
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString fullPath(const QString& fileName) {
    return FileNames::forDisplay(QFileInfo(fileName).absoluteFilePath());
}

[[noreturn]] void cannotOpen(const QString& fileName, int error) {
    throw UserError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(fileName), systemText(error)));
}

[[noreturn]] void cannotCreate(const QString& fileName, int error) {
    throw UserError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath(fileName), systemText(error)));
}

[[noreturn]] void streamWriteError() {
    throw UserError(QStringLiteral("Stream write error"));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Opens a document for reading. Only a regular file is read: a named pipe would hang the
// window, a device never ends.
int openDocument(const QString& fileName) {
    const RegularFile file = openRegularFile(FileNames::toBytes(fileName));
    if (!file)
        throw UserError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(fileName), file.reason));
    return file.fd;
}

// One read, tried again when a signal interrupts it: how many bytes came, 0 at the end.
qsizetype readSome(int fd, char* into, qsizetype size, const QString& name) {
    for (;;) {
        const ssize_t got = ::read(fd, into, size_t(size));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            cannotOpen(name, errno);
    }
}

} // namespace

QByteArray ReadDocumentFile(const QString& fileName, qint64 capacity) {
    FileDescriptor fd(openDocument(fileName));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        cannotOpen(fileName, errno);
    if (info.st_size > capacity)
        throw UserError(QStringLiteral("Text exceeds memo capacity"));
    // A large file is mapped: no memory to zero and copy it into, and only what is changed of
    // it is ever copied.
    constexpr qint64 MappedFrom = qint64(1) << 20;
    if (info.st_size >= MappedFrom)
        if (QByteArray mapped = MappedFile::map(fd.get(), qsizetype(info.st_size));
            !mapped.isNull())
            return mapped;
    return ReadDocumentStream(fd.get(), fileName, capacity, info.st_size);
}

QByteArray ReadDocumentStream(int fd, const QString& name, qint64 capacity, qint64 sizeHint) {
    QByteArray bytes = documentBuffer(qsizetype(std::clamp<qint64>(sizeHint, 0, capacity)));
    qint64 total = 0;
    // Files that report no size (pipes, /proc) are read until they end, within the capacity.
    for (;;) {
        // Full: a small read first tells the end of a file whose size was known, so that it is
        // not copied into a buffer twice its size only to find nothing more.
        if (total == bytes.size()) {
            char probe[4096];
            const qsizetype got = readSome(fd, probe, sizeof probe, name);
            if (got == 0)
                break;
            if (total + got > capacity)
                throw UserError(QStringLiteral("Text exceeds memo capacity"));
            bytes.resize(qsizetype(std::max<qint64>(total * 2, 64 * 1024)));
            std::memcpy(bytes.data() + total, probe, size_t(got));
            total += got;
            continue;
        }
        const qsizetype got = readSome(fd, bytes.data() + total, bytes.size() - total, name);
        if (got == 0)
            break;
        total += got;
    }
    if (total > capacity)
        throw UserError(QStringLiteral("Text exceeds memo capacity"));
    bytes.truncate(qsizetype(total));
    return bytes;
}

QByteArray ReadDocumentHead(const QString& fileName, qsizetype lines, qint64 limit) {
    FileDescriptor fd(openDocument(fileName));
    QByteArray bytes;
    qsizetype breaks = 0;
    while (bytes.size() < limit && breaks < lines) {
        const qsizetype before = bytes.size();
        bytes.resize(before + qsizetype(std::min<qint64>(64 * 1024, limit - before)));
        const qsizetype got =
            readSome(fd.get(), bytes.data() + before, bytes.size() - before, fileName);
        bytes.truncate(before + got);
        if (got == 0)
            break;
        breaks += QByteArrayView(bytes).sliced(before).count('\n');
    }
    return bytes;
}

QByteArray ReadDocumentTail(const QString& fileName, qint64 limit) {
    FileDescriptor fd(openDocument(fileName));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        cannotOpen(fileName, errno);
    // A file that has no size to seek by is read to its end, its last bytes kept.
    const bool seekable =
        S_ISREG(info.st_mode) &&
        ::lseek(fd.get(), std::max<off_t>(0, info.st_size - limit), SEEK_SET) >= 0;
    QByteArray bytes;
    char piece[64 * 1024];
    for (qsizetype got; (got = readSome(fd.get(), piece, sizeof piece, fileName)) > 0;) {
        bytes.append(piece, got);
        if (!seekable && bytes.size() > limit)
            bytes.remove(0, bytes.size() - qsizetype(limit));
    }
    return bytes.size() > limit ? bytes.last(qsizetype(limit)) : bytes;
}

namespace {

// The breaks a text has that are not CR LF pairs yet, found with memchr: a document is mostly
// long runs without either byte, and a byte-by-byte loop would cost more than reading the file.
struct LoneBreaks {
    qsizetype lf = 0;    // LF without a CR before it
    qsizetype cr = 0;    // CR without an LF after it
    qsizetype feeds = 0; // every LF
};

// One pass, 64 bytes at a time: a CR before an LF pairs with it, even across two blocks.
LoneBreaks loneBreaks(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    LoneBreaks lone;
    quint64 crBefore = 0; // 1 when the byte before the block is a CR
    qsizetype i = 0;
    for (; i + 64 <= size; i += 64) {
        const quint64 lf = byteMask64(p + i, '\n');
        const quint64 cr = byteMask64(p + i, '\r');
        if (!(lf | cr | crBefore))
            continue;
        lone.feeds += bitCount(lf);
        // The CR that ended the block before is lone unless this block starts with an LF.
        lone.cr += qsizetype(crBefore & ~lf & 1);
        lone.lf += bitCount(lf & ~((cr << 1) | crBefore));
        // A CR in the last byte is settled by the next block.
        lone.cr += bitCount(cr & ~(lf >> 1) & ~(quint64(1) << 63));
        crBefore = cr >> 63;
    }
    bool afterCr = crBefore != 0;
    for (; i < size; ++i) {
        lone.feeds += p[i] == '\n';
        if (p[i] == '\n' && !afterCr)
            ++lone.lf;
        if (afterCr && p[i] != '\n')
            ++lone.cr;
        afterCr = p[i] == '\r';
    }
    if (afterCr)
        ++lone.cr;
    return lone;
}

} // namespace

qsizetype NormalizedSize(QByteArrayView bytes) {
    const LoneBreaks lone = loneBreaks(bytes);
    return bytes.size() + lone.lf + lone.cr;
}

QByteArray NormalizeLineBreaks(const QByteArray& bytes) {
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();

    // First: how many bytes the breaks need added. Most NFO files already use CR LF
    // throughout and are handed back as they are.
    const LoneBreaks lone = loneBreaks(bytes);
    if (lone.lf + lone.cr == 0)
        return bytes;

    QByteArray out = documentBuffer(bytes.size() + lone.lf + lone.cr);
    char* o = out.data();
    const char* p = begin;
    // Without a lone CR only the LFs need looking at: the runs between them go over whole.
    const char stop = lone.cr == 0 ? '\n' : '\r';
    while (p != end) {
        const char* run = p;
        if (lone.cr == 0) {
            const auto* nl = static_cast<const char*>(std::memchr(p, stop, size_t(end - p)));
            p = nl ? nl : end;
            // A CR already before the LF is copied with the run and the LF then follows it.
            if (p != end && p != begin && p[-1] == '\r') {
                ++p;
                std::memcpy(o, run, size_t(p - run));
                o += p - run;
                continue;
            }
        } else {
            while (p != end && *p != '\r' && *p != '\n')
                ++p;
        }
        std::memcpy(o, run, size_t(p - run));
        o += p - run;
        if (p == end)
            break;
        if (*p == '\r' && p + 1 != end && p[1] == '\n')
            ++p;
        ++p;
        *o++ = '\r';
        *o++ = '\n';
    }
    return out;
}

QByteArray NormalizeLineBreaks(QByteArray&& bytes) {
    qsizetype feeds = 0;
    return NormalizeLineBreaks(std::move(bytes), feeds);
}

QByteArray NormalizeLineBreaks(QByteArray&& bytes, qsizetype& feeds) {
    const LoneBreaks lone = loneBreaks(bytes);
    // Each lone CR gains an LF; every other break has its own.
    feeds = lone.feeds + lone.cr;
    if (lone.lf + lone.cr == 0)
        return std::move(bytes);
    if (lone.cr != 0 || bytes.isDetached() == false)
        return NormalizeLineBreaks(std::as_const(bytes));
    // Only lone LFs: the buffer grows in place and the runs move up from the end, each LF
    // gaining its CR, so a large document is never held twice.
    const qsizetype size = bytes.size();
    bytes.resize(size + lone.lf);
    char* const data = bytes.data();
    char* w = data + bytes.size();
    char* r = data + size;
    while (w != r) {
        char* const nl = static_cast<char*>(::memrchr(data, '\n', size_t(r - data)));
        const size_t run = size_t(r - (nl + 1));
        w -= run;
        std::memmove(w, nl + 1, run);
        *--w = '\n';
        if (nl == data || nl[-1] != '\r')
            *--w = '\r';
        r = nl;
    }
    return std::move(bytes);
}

void WriteDocumentFile(const QString& fileName, QByteArrayView bytes) {
    const AtomicWrite result = writeFileAtomically(fileName, bytes);
    if (result.outcome == AtomicWrite::CannotCreate)
        cannotCreate(fileName, result.error);
    if (result.outcome == AtomicWrite::WriteFailed)
        streamWriteError();
}
