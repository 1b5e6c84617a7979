#include "AtomicFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

AtomicWrite failure(AtomicWrite::Outcome outcome, int error) {
    AtomicWrite result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

} // namespace

AtomicWrite writeFileAtomically(const QString& fileName, QByteArrayView bytes) {
    QString target = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink() && info.exists())
        target = info.canonicalFilePath();
    const QByteArray path = QFile::encodeName(target);

    struct stat old {};
    const bool exists = ::stat(path.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return failure(AtomicWrite::CannotCreate, EISDIR);
    if (exists && (old.st_mode & 0222) == 0)
        return failure(AtomicWrite::CannotCreate, EACCES);
    // A file the user may not write stays as it is, even where its folder would let us replace
    // it.
    if (exists && ::access(path.constData(), W_OK) != 0)
        return failure(AtomicWrite::CannotCreate, errno);

    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? path.left(slash + 1) : QByteArray();
    const QByteArray base = slash >= 0 ? path.mid(slash + 1) : path;
    QByteArray temporary = folder + '.' + base + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return failure(AtomicWrite::CannotCreate, errno);

    mode_t mode = old.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    if (exists && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        ::fchmod(fd, mode & 0777); // no set-id bits on a file we could not give away

    const bool written = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int writeError = errno;
    // The close is the last word on whether the data arrived.
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.constData());
        return failure(AtomicWrite::WriteFailed, written ? errno : writeError);
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failure(AtomicWrite::CannotCreate, error);
    }
    return {};
}
