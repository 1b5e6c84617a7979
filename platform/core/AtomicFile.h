#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

// Replacing a file's content all or nothing: the bytes go to a new file beside it, which then
// takes its place with the old file's owner, permissions, access control list and other extended
// attributes (where the list cannot be kept the write fails rather than grant more). A symbolic
// link is written through, also one whose target does not exist yet. While the bytes are written
// the new file has no name where the file system allows it, so a process killed part-way leaves
// nothing behind; where a name is needed, names of ours left by a killed write are removed by the
// next write beside them.
struct AtomicWrite {
    enum Outcome {
        Written,
        CannotCreate, // the file (or its temporary sibling) could not be created or replaced
        WriteFailed,  // writing failed part-way; the old file is untouched
    };
    Outcome outcome = Written;
    int error = 0; // errno of the failure

    explicit operator bool() const { return outcome == Written; }
};

// A file with no write permission for anyone counts as read-only and is refused, even for the
// administrator, like the read-only attribute it stands for; so is anything that is not a
// regular file (EINVAL: a named pipe or a device is never replaced).
AtomicWrite writeFileAtomically(const QString& fileName, QByteArrayView bytes);

// The same written a piece at a time, for content too large to hold at once: begin() makes the
// new file (refusing what writeFileAtomically refuses), writes go straight to it, and commit()
// puts it in the old one's place. Destroyed without a commit, or after a failed write, it leaves
// the old file as it was. A failure also sets the device's errorString().
class AtomicFile : public QIODevice {
public:
    explicit AtomicFile(const QString& fileName);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    AtomicWrite begin();
    AtomicWrite commit();
    // The first failure, if there was one.
    AtomicWrite outcome() const { return m_outcome; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    AtomicWrite fail(AtomicWrite::Outcome outcome, int error);
    void discard();

    QString m_fileName;
    QByteArray m_path, m_folder, m_prefix;
    int m_fd = -1;
    QByteArray m_temporaryName; // empty while the new file has none
    AtomicWrite m_outcome;
};

// The file a path finally names once every symbolic link on the way is followed, whether or not
// that file exists; the path itself when it is no link (or the links go round in a circle).
QByteArray linkTarget(const QByteArray& path);
