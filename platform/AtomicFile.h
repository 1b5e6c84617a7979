#pragma once

#include <QByteArrayView>
#include <QString>

// Replacing a file's content all or nothing: the bytes go to a new file beside it, which then
// takes its place with the old file's permissions and owner. A symbolic link is written through.
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
// administrator, like the read-only attribute it stands for.
AtomicWrite writeFileAtomically(const QString& fileName, QByteArrayView bytes);
