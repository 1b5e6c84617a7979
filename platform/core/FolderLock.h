#pragma once

#include <QString>

// An advisory lock (flock) on the folder a file lives in, held across one read-modify-write of
// that file, so that two of our processes changing it at once both keep their changes: the
// second reads only after the first has written. The folder itself carries the lock, so no lock
// file is left beside the user's files. A lock that cannot be had within ten seconds (held by a
// hung process) or at all (a file system without locks) is gone without: waiting for ever would
// hang the window.
class FolderLock {
public:
    FolderLock() = default;
    explicit FolderLock(const QString& fileName);
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
