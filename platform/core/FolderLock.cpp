#include "FolderLock.h"

#include "AtomicFile.h"
#include "FileNames.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

FolderLock::FolderLock(const QString& fileName) {
    // The folder of the file the path finally names, as the write goes through links.
    const QByteArray path = linkTarget(FileNames::toBytes(fileName));
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? path.left(slash) : slash == 0 ? "/" : ".";
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const QDeadlineTimer patience(10000);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || patience.hasExpired()) {
            ::close(fd);
            return;
        }
        QThread::msleep(5);
    }
    m_fd = fd;
}

FolderLock::~FolderLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor releases the lock
}

FolderLock::FolderLock(FolderLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}
