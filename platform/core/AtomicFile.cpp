#include "AtomicFile.h"
#include "FileNames.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// How long a temporary file of ours may go without a write before it counts as left behind by a
// killed process: a live writer touches it far more often.
constexpr qint64 StaleAfterSeconds = 60;

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

// A file-size limit would otherwise end the process in the middle of a save, with nothing
// reported and nothing cleaned up; ignored, the write fails with EFBIG like any other.
void keepFileSizeLimitsFromKilling() {
    static const bool ignored = [] {
        struct sigaction current {};
        ::sigaction(SIGXFSZ, nullptr, &current);
        if (current.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

bool isTemporaryName(const char* name, const QByteArray& prefix) {
    const size_t length = std::strlen(name);
    if (length != size_t(prefix.size()) + 6 ||
        std::strncmp(name, prefix.constData(), prefix.size()))
        return false;
    return std::all_of(name + prefix.size(), name + length, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

// Removes the temporary names of ours for this file that no live writer has touched lately.
void removeStaleTemporaries(const QByteArray& folder, const QByteArray& prefix) {
    DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (!dir)
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name, prefix))
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            now - info.st_mtim.tv_sec > StaleAfterSeconds)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

QByteArray randomSuffix() {
    static constexpr char Letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(6, '0');
    for (char& c : suffix)
        c = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return suffix;
}

// The new content's file, nameless while it is written where the file system can do that.
struct Temporary {
    int fd = -1;
    QByteArray name; // empty while the file has none
};

Temporary createTemporary(const QByteArray& folder, const QByteArray& prefix) {
    Temporary t;
    t.fd =
        ::open(folder.isEmpty() ? "." : folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (t.fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return t;
    t.name = folder + prefix + "XXXXXX";
    t.fd = ::mkstemp(t.name.data());
    return t;
}

// Gives a nameless temporary file a name beside its target, for the rename that replaces it.
int nameTemporary(Temporary& t, const QByteArray& folder, const QByteArray& prefix) {
    if (!t.name.isEmpty())
        return 0;
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(t.fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = folder + prefix + randomSuffix();
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            t.name = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

bool isAccessList(const char* name) {
    return std::strcmp(name, "system.posix_acl_access") == 0 ||
           std::strcmp(name, "system.posix_acl_default") == 0;
}

// Gives the new file the old one's extended attributes, its access control list among them
// (set after the mode, which would otherwise rewrite the list's mask). Returns 0, or the error
// that kept the access control list from being copied: the new file would grant more than the
// old one then. Other attributes the file system or our rights refuse are left behind.
int copyAttributes(const QByteArray& from, int to) {
    ssize_t size = ::listxattr(from.constData(), nullptr, 0);
    if (size <= 0)
        return 0; // none, or no support for them
    QByteArray names(size, '\0');
    size = ::listxattr(from.constData(), names.data(), names.size());
    if (size <= 0)
        return 0;
    for (const char* name = names.constData(); name < names.constData() + size;
         name += std::strlen(name) + 1) {
        const ssize_t length = ::getxattr(from.constData(), name, nullptr, 0);
        QByteArray value(std::max<ssize_t>(length, 0), '\0');
        const bool read =
            length >= 0 && ::getxattr(from.constData(), name, value.data(), value.size()) == length;
        if (read && ::fsetxattr(to, name, value.constData(), value.size(), 0) == 0)
            continue;
        if (isAccessList(name))
            return read ? errno : EIO;
    }
    return 0;
}

} // namespace

QByteArray linkTarget(const QByteArray& path) {
    QByteArray current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(current.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink(current.constData(), target.data(), target.size());
        if (length <= 0)
            return current;
        target.truncate(length);
        if (!target.startsWith('/')) {
            const qsizetype slash = current.lastIndexOf('/');
            target.prepend(slash >= 0 ? current.left(slash + 1) : QByteArray());
        }
        current = target;
    }
    return path;
}

AtomicFile::AtomicFile(const QString& fileName) : m_fileName(fileName) {}

AtomicFile::~AtomicFile() {
    discard();
}

AtomicWrite AtomicFile::begin() {
    keepFileSizeLimitsFromKilling();
    m_path = linkTarget(FileNames::toBytes(m_fileName));

    struct stat old {};
    const bool exists = ::stat(m_path.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return fail(AtomicWrite::CannotCreate, EISDIR);
    // A named pipe, a device or a socket is not replaced by a file of the same name.
    if (exists && !S_ISREG(old.st_mode))
        return fail(AtomicWrite::CannotCreate, EINVAL);
    if (exists && (old.st_mode & 0222) == 0)
        return fail(AtomicWrite::CannotCreate, EACCES);
    // A file the user may not write stays as it is, even where its folder would let us replace
    // it.
    if (exists && ::access(m_path.constData(), W_OK) != 0)
        return fail(AtomicWrite::CannotCreate, errno);

    const qsizetype slash = m_path.lastIndexOf('/');
    m_folder = slash >= 0 ? m_path.left(slash + 1) : QByteArray();
    // A name no one else would give a file, so that clearing what a killed write left behind
    // can never take a file of the user's.
    m_prefix = '.' + (slash >= 0 ? m_path.mid(slash + 1) : m_path) + ".zrtmp-";
    removeStaleTemporaries(m_folder, m_prefix);
    Temporary temporary = createTemporary(m_folder, m_prefix);
    if (temporary.fd < 0)
        return fail(AtomicWrite::CannotCreate, errno);
    m_fd = temporary.fd;
    m_temporaryName = temporary.name;

    mode_t mode = old.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // The owner first: giving a file away clears its set-id bits, which the mode then restores.
    if (exists && ::fchown(m_fd, old.st_uid, old.st_gid) != 0)
        mode &= 0777; // no set-id bits on a file we could not give away
    ::fchmod(m_fd, mode);
    if (exists) {
        if (const int error = copyAttributes(m_path, m_fd))
            return fail(AtomicWrite::CannotCreate, error);
    }
    // Unbuffered: each write goes to the file at once, and fails there.
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

qint64 AtomicFile::writeData(const char* data, qint64 size) {
    if (m_fd < 0 || m_outcome.outcome != AtomicWrite::Written)
        return -1;
    if (!writeAll(m_fd, data, size)) {
        fail(AtomicWrite::WriteFailed, errno);
        return -1;
    }
    return size;
}

AtomicWrite AtomicFile::commit() {
    if (m_fd < 0 || m_outcome.outcome != AtomicWrite::Written)
        return m_outcome.outcome != AtomicWrite::Written
                   ? m_outcome
                   : failure(AtomicWrite::CannotCreate, EBADF);
    if (::fsync(m_fd) != 0)
        return fail(AtomicWrite::WriteFailed, errno);
    Temporary temporary{m_fd, m_temporaryName};
    const int named = nameTemporary(temporary, m_folder, m_prefix);
    m_temporaryName = temporary.name;
    if (named != 0)
        return fail(AtomicWrite::CannotCreate, named);
    // The close is the last word on whether the data arrived.
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(AtomicWrite::WriteFailed, errno);
    if (::rename(m_temporaryName.constData(), m_path.constData()) != 0)
        return fail(AtomicWrite::CannotCreate, errno);
    m_temporaryName.clear();
    QIODevice::close();
    return {};
}

AtomicWrite AtomicFile::fail(AtomicWrite::Outcome outcome, int error) {
    discard();
    m_outcome = failure(outcome, error);
    setErrorString(QString::fromLocal8Bit(std::strerror(error)));
    return m_outcome;
}

void AtomicFile::discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporaryName.isEmpty())
        ::unlink(m_temporaryName.constData());
    m_temporaryName.clear();
    if (isOpen())
        QIODevice::close();
}

AtomicWrite writeFileAtomically(const QString& fileName, QByteArrayView bytes) {
    AtomicFile file(fileName);
    if (const AtomicWrite opened = file.begin(); !opened)
        return opened;
    if (file.write(bytes.data(), bytes.size()) != bytes.size())
        return file.outcome();
    return file.commit();
}
