#include "DocumentWatch.h"

#include "FileNames.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

// Writes of one save come within this of each other: the document is read once they stop.
constexpr int Settle = 300; // milliseconds

} // namespace

DocumentWatch::DocumentWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(Settle);
    connect(&m_settle, &QTimer::timeout, this, &DocumentWatch::settle);
    // The file's own watch goes with a file replaced by a rename; its folder's sees the new one.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_settle.start(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
}

void DocumentWatch::watch(const QString& fileName) {
    m_settle.stop();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_file = fileName.isEmpty() ? QString() : QFileInfo(fileName).absoluteFilePath();
    if (m_file.isEmpty())
        return;
    m_watcher.addPath(QFileInfo(m_file).absolutePath());
    m_watcher.addPath(m_file);
    m_stamp = stampNow();
}

void DocumentWatch::rebase() {
    m_stamp = stampNow();
}

std::optional<DocumentWatch::Stamp> DocumentWatch::stampNow() const {
    struct stat status {};
    if (::stat(FileNames::toBytes(m_file).constData(), &status) != 0)
        return std::nullopt;
    return Stamp{qint64(status.st_ino), qint64(status.st_size),
                 qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

void DocumentWatch::settle() {
    if (m_file.isEmpty())
        return;
    const std::optional<Stamp> now = stampNow();
    // A file put in the document's place needs a watch of its own.
    if (now && !m_watcher.files().contains(m_file))
        m_watcher.addPath(m_file);
    if (now == m_stamp)
        return;
    m_stamp = now;
    if (now)
        Q_EMIT changed();
    else
        Q_EMIT removed();
}
