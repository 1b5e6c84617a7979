#include "OrvelDocument.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "FileNames.h"
#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

} // namespace

QByteArray ReadDocumentFile(const QString& fileName, qint64 capacity) {
    // Only a regular file is read: a named pipe would hang the window, a device never ends.
    const RegularFile file = openRegularFile(FileNames::toBytes(fileName));
    if (!file)
        throw UserError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(fileName), file.reason));
    FileDescriptor fd(file.fd);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        cannotOpen(fileName, errno);
    if (info.st_size > capacity)
        throw UserError(QStringLiteral("Text exceeds memo capacity"));
    return ReadDocumentStream(fd.get(), fileName, capacity, info.st_size);
}

QByteArray ReadDocumentStream(int fd, const QString& name, qint64 capacity, qint64 sizeHint) {
    QByteArray bytes;
    bytes.resize(qsizetype(std::clamp<qint64>(sizeHint, 0, capacity)));
    qint64 total = 0;
    // Files that report no size (pipes, /proc) are read until they end, within the capacity.
    for (;;) {
        if (total == bytes.size()) {
            if (total > capacity)
                throw UserError(QStringLiteral("Text exceeds memo capacity"));
            bytes.resize(qsizetype(std::max<qint64>(total * 2, 64 * 1024)));
        }
        const ssize_t got = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            cannotOpen(name, errno);
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
    const RegularFile file = openRegularFile(FileNames::toBytes(fileName));
    if (!file)
        throw UserError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(fileName), file.reason));
    FileDescriptor fd(file.fd);
    QByteArray bytes;
    qsizetype breaks = 0;
    while (bytes.size() < limit && breaks < lines) {
        const qsizetype before = bytes.size();
        bytes.resize(before + qsizetype(std::min<qint64>(64 * 1024, limit - before)));
        const ssize_t got = ::read(fd.get(), bytes.data() + before, size_t(bytes.size() - before));
        if (got < 0 && errno == EINTR) {
            bytes.truncate(before);
            continue;
        }
        if (got < 0)
            cannotOpen(fileName, errno);
        bytes.truncate(before + qsizetype(got));
        if (got == 0)
            break;
        breaks += QByteArrayView(bytes).sliced(before).count('\n');
    }
    return bytes;
}

qsizetype NormalizedSize(QByteArrayView bytes) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    qsizetype added = 0;
    for (const char* p = begin; p != end; ++p) {
        if (*p == '\r') {
            if (p + 1 != end && p[1] == '\n')
                ++p;
            else
                ++added;
        } else if (*p == '\n') {
            ++added;
        }
    }
    return bytes.size() + added;
}

QByteArray NormalizeLineBreaks(const QByteArray& bytes) {
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();

    // First: how many bytes the breaks need added. Most NFO files already use CR LF
    // throughout and are handed back as they are.
    const qsizetype added = NormalizedSize(bytes) - bytes.size();
    if (added == 0)
        return bytes;

    QByteArray out(bytes.size() + added, Qt::Uninitialized);
    char* o = out.data();
    const char* p = begin;
    while (p != end) {
        const char* run = p;
        while (p != end && *p != '\r' && *p != '\n')
            ++p;
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

void WriteDocumentFile(const QString& fileName, QByteArrayView bytes) {
    const AtomicWrite result = writeFileAtomically(fileName, bytes);
    if (result.outcome == AtomicWrite::CannotCreate)
        cannotCreate(fileName, result.error);
    if (result.outcome == AtomicWrite::WriteFailed)
        streamWriteError();
}
