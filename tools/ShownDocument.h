#pragma once

#include "CellColours.h"
#include "CodePage.h"
#include "SauceRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

// How the companion reads a document: as the viewer does, or as an option forces it.
struct Reading {
    // --cp437 and --utf8 read the bytes as they are in that script, --utf16 decodes them as
    // UTF-16, --ansi draws them as ANSI art; the last of them holds.
    std::optional<CodePage::Charset> script;
    bool utf16 = false;
    bool noArt = false; // --no-ansi: found as the viewer finds it, but never drawn as art
    // Takes an option of these; false for any other argument.
    bool take(const QString& argument);
};

// A document as the viewer shows it: without its SAUCE record, UTF-16 decoded, its line breaks
// CR LF, and where it draws ANSI art, the art's grid and colours in place of its bytes.
struct ShownDocument {
    QByteArray text;
    CodePage::Charset charset = CodePage::Charset::Oem; // what its cells are drawn with
    CellColours colours;
    bool art = false;
    bool ownColours = false; // drawn in the art's own light grey on black
    bool ninePixels = false; // its record asks for nine-pixel cells
    bool tallPixels = false; // and for the VGA's tall pixels
    std::optional<SauceRecord> sauce;
};

// Reads a file (- for standard input) and makes it what the viewer shows; reports to standard
// error and gives false when it cannot. Without normalise the breaks stay as written (the
// addresses end at any of them).
bool readShown(const QString& fileName, const Reading& reading, ShownDocument& shown,
               bool normalise = true);

// The same from bytes already read: a whole file, or (complete false) the head of one, whose
// record, read from its end, is given.
void makeShown(QByteArray bytes, const QString& fileName, const Reading& reading, bool complete,
               std::optional<SauceRecord> sauce, ShownDocument& shown, bool normalise = true);

// The record at a file's end, read from its end alone; a file that cannot be read is reported
// as readShown reports it, and gives false.
bool readSauce(const QString& fileName, std::optional<SauceRecord>& sauce);
