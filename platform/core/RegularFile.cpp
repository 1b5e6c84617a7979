#include "RegularFile.h"

#include "FileNames.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("It is a named pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("It is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("It is a socket, not a file");
    return QStringLiteral("It is not a regular file");
}

RegularFile failed(int error, QString reason = {}) {
    RegularFile result;
    result.error = error;
    result.reason = reason.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) : reason;
    return result;
}

} // namespace

RegularFile openRegularFile(const QByteArray& path) {
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return S_ISDIR(info.st_mode) ? failed(EISDIR) : failed(EINVAL, kindOf(info.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    RegularFile result;
    result.fd = fd;
    return result;
}

std::optional<QByteArray> readRegularFile(const QString& fileName, qint64 limit) {
    const RegularFile file = openRegularFile(FileNames::toBytes(fileName));
    if (!file)
        return std::nullopt;
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || bytes.size() + got > limit) {
            ::close(file.fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    ::close(file.fd);
    return bytes;
}
