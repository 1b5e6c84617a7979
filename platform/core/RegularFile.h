#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Opening a file for reading without ever waiting on something that is not one: a named pipe
// with no writer would block open() for good, and a device such as /dev/zero reads without end.
// Both, and sockets and folders, are refused before a byte is read.
struct RegularFile {
    int fd = -1;    // open for reading (blocking reads), or -1
    int error = 0;  // errno of the failure; EINVAL for a file that is not regular
    QString reason; // what to tell the user, e.g. "It is a named pipe, not a file"

    explicit operator bool() const { return fd >= 0; }
};

RegularFile openRegularFile(const QByteArray& path);

// The whole content of a regular file of at most limit bytes; empty when it cannot be read,
// is not a regular file or is larger.
std::optional<QByteArray> readRegularFile(const QString& fileName, qint64 limit = 256 << 20);
