#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The SAUCE record that art and its tools append to a file: 128 bytes at the very end ("SAUCE",
// a version, the title, author, group, date, the file's size, its kind, four numbers and flags
// that depend on the kind, and a font name), after an optional block of comment lines ("COMNT"
// and 64 bytes a line) and the ^Z that ended the file for DOS. None of it is the document's text.
struct SauceRecord {
    QByteArray title, author, group, date; // as written, without the blanks that pad them
    quint32 fileSize = 0;
    quint8 dataType = 0, fileType = 0;
    quint16 info[4] = {0, 0, 0, 0};
    quint8 flags = 0;
    QByteArray font;
    QList<QByteArray> comments;

    // Text art: plain text, ANSI art or its animated kind, whose numbers give the width and the
    // lines, and whose flags the colours, letter spacing and aspect.
    bool isCharacterArt() const { return dataType == 1 && fileType <= 2; }
    bool isAnsi() const { return dataType == 1 && (fileType == 1 || fileType == 2); }
    int width() const { return isCharacterArt() ? info[0] : 0; }
    int lines() const { return isCharacterArt() ? info[1] : 0; }
    // Blink is a bright background ("iCE colours").
    bool iceColours() const { return isCharacterArt() && (flags & 1); }
    enum class Spacing { Unsaid, EightPixels, NinePixels };
    Spacing letterSpacing() const;
    // Drawn for the VGA's tall pixels (a picture 1.35 times as tall on square ones), or for
    // square ones.
    enum class Aspect { Unsaid, Legacy, Square };
    Aspect aspect() const;

    // What a reader is told of it, one "Key: value" a line, in code page 437 read as text:
    // the title, author, group and date, then what the kind's numbers say, then each comment.
    QList<std::pair<QString, QString>> fields() const;
};

// Where a document's own bytes end: before its ^Z, comments and record where it has a record
// at its end, else at its end.
struct SauceSplit {
    qsizetype end = 0;
    std::optional<SauceRecord> record;
};
SauceSplit findSauce(QByteArrayView bytes);
