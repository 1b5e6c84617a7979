#include "OrvelDocument.h"

#include "Errors.h"

#include <QFile>
#include <QFileInfo>

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
    return QFileInfo(fileName).absoluteFilePath();
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
    // Closes now and reports the result, which for a written file is the last word on whether
    // its data arrived.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 30)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

QByteArray ReadDocumentFile(const QString& fileName, qint64 capacity) {
    const QByteArray path = QFile::encodeName(fileName);
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        cannotOpen(fileName, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        cannotOpen(fileName, errno);
    if (S_ISDIR(info.st_mode))
        cannotOpen(fileName, EISDIR);
    if (info.st_size > capacity)
        throw UserError(QStringLiteral("Text exceeds memo capacity"));

    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size));
    qint64 total = 0;
    // Files that report no size (pipes, /proc) are read until they end, within the capacity.
    for (;;) {
        if (total == bytes.size()) {
            if (total > capacity)
                throw UserError(QStringLiteral("Text exceeds memo capacity"));
            bytes.resize(qsizetype(std::max<qint64>(total * 2, 64 * 1024)));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + total, size_t(bytes.size() - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            cannotOpen(fileName, errno);
        if (got == 0)
            break;
        total += got;
    }
    if (total > capacity)
        throw UserError(QStringLiteral("Text exceeds memo capacity"));
    bytes.truncate(qsizetype(total));
    return bytes;
}

QByteArray NormalizeLineBreaks(const QByteArray& bytes) {
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();

    // First pass: how many bytes the breaks need added. Most NFO files already use CR LF
    // throughout and are handed back as they are.
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
    // Write through a symbolic link to the file it names, and keep the link.
    QString target = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink() && info.exists())
        target = info.canonicalFilePath();
    const QByteArray path = QFile::encodeName(target);

    struct stat old {};
    const bool exists = ::stat(path.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        cannotCreate(fileName, EISDIR);
    // A file the user may not write, or one nobody may write (the read-only attribute, which
    // holds even for the administrator), stays as it is, even where its folder would let us
    // replace it.
    if (exists && (old.st_mode & 0222) == 0)
        cannotCreate(fileName, EACCES);
    if (exists && ::access(path.constData(), W_OK) != 0)
        cannotCreate(fileName, errno);

    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? path.left(slash + 1) : QByteArray();
    const QByteArray base = slash >= 0 ? path.mid(slash + 1) : path;
    QByteArray temporary = folder + '.' + base + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0)
        cannotCreate(fileName, errno);
    struct Cleanup {
        const QByteArray& name;
        bool armed = true;
        ~Cleanup() {
            if (armed)
                ::unlink(name.constData());
        }
    } cleanup{temporary};

    mode_t mode = old.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd.get(), mode);
    if (exists && (::fchown(fd.get(), old.st_uid, old.st_gid) != 0))
        ::fchmod(fd.get(), mode & 0777); // no set-id bits for a file we could not give away

    if (!writeAll(fd.get(), bytes.data(), bytes.size()) || ::fsync(fd.get()) != 0 || !fd.close())
        streamWriteError();
    if (::rename(temporary.constData(), path.constData()) != 0)
        cannotCreate(fileName, errno);
    cleanup.armed = false;
}
