#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// A watch on the shown document's file. Another program may write it in place or put a new file
// in its place (a rename over it, as editors save): once a burst of such writes has settled,
// changed() says so, once; if the file goes, removed() says that. The viewer's own saves are
// taken as the file's new state (rebase), so they reload nothing.
class DocumentWatch : public QObject {
    Q_OBJECT

public:
    explicit DocumentWatch(QObject* parent = nullptr);

    // Watches fileName as it is now; an empty name watches nothing.
    void watch(const QString& fileName);
    // The file as it is now is what the viewer holds.
    void rebase();
    const QString& fileName() const { return m_file; }

Q_SIGNALS:
    void changed();
    void removed();

private:
    // What tells one state of a file from another without reading it.
    struct Stamp {
        qint64 inode = 0, size = 0, modified = 0;
        bool operator==(const Stamp&) const = default;
    };
    std::optional<Stamp> stampNow() const;
    void settle();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_file;
    std::optional<Stamp> m_stamp; // none: the file was gone when last looked at
};
