#pragma once

#include "AnsiArt.h"
#include "DocumentEncoding.h"
#include "SauceRecord.h"
#include "TextPane.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <thread>
#include <vector>

// A document made ready to show: what a load does to a file's bytes before the window takes
// them, the same on any thread.
struct PreparedDocument {
    QByteArray text;                 // line breaks CR LF, UTF-16 decoded
    std::vector<quint32> lineStarts; // of text, as the pane indexes them
    DocumentEncoding::Utf16 utf16 = DocumentEncoding::Utf16::None; // the order to save it in again
    bool utf8 = false; // written in UTF-8, and so shown in that script
    // The addresses, where they stand in what is shown, each with its entry in the navigator
    // (which lists them in text order as spans of the same text).
    std::shared_ptr<const LinkSpans> links;
    qint64 artColumns = 0; // its widest line of art (ArtFit), in the script found
    // What follows the document's own bytes: the ^Z, comments and SAUCE record, never shown and
    // written back as they were.
    QByteArray tail;
    std::optional<SauceRecord> sauce;
    // The ANSI art a code page document draws, which the list and links are found in, and its
    // bytes as read (before the breaks were mended), which the art is drawn from while unedited.
    std::optional<AnsiArt::Art> art;
    QByteArray original;
};

// A SAUCE record is set apart, a UTF-16 document is decoded to UTF-8, every line break becomes
// CR LF, the script it is written in is found (ANSI art where it draws with sequences, or the
// name or record says so), and the addresses are found once, in what is shown, for the list and
// the links alike.
PreparedDocument prepareDocument(QByteArray bytes, const QString& fileName = {});

// Where the addresses of a text stand: the links of text shown otherwise than as prepared.
std::shared_ptr<const LinkSpans> linksOf(QByteArrayView text);

// The desktop's font configuration, read on a thread of its own while the toolkit starts. The
// toolkit reads it at the first text it lays out, which in this window comes before anything is
// shown; reading it (fontconfig parses its XML) is the largest single piece of the start, and
// nothing else needs it meanwhile. The thread is waited for when this goes, so that nothing
// outlives the program's own end.
class FontConfigurationAhead {
public:
    FontConfigurationAhead();
    ~FontConfigurationAhead();
    FontConfigurationAhead(const FontConfigurationAhead&) = delete;
    FontConfigurationAhead& operator=(const FontConfigurationAhead&) = delete;

private:
    std::thread m_reader;
};

// The document named on the command line, read and prepared on a thread of its own from the
// program's first moment while the toolkit starts and the window is made: for a large file
// each of the two takes about as long as the other.
namespace Prefetch {

// Starts reading a regular file (nothing else: a named pipe could keep a reader waiting for
// ever), named absolutely.
void start(const QString& fileName, qint64 capacity);

// Starts reading the document the command line names, as the window will take it: a relative
// name means the program's folder; an option of the toolkit's names no document.
void startFromArguments(int argc, char* argv[]);

// Where the document a command line names is: an absolute name as it is; a relative one in the
// program's folder when a file of that name is there, else in the folder the program was started
// in (startFolder) when one is there; else the name in the program's folder, which names no
// file.
QString documentPath(const QString& name, const QString& startFolder);

// The document read ahead for fileName (relative names as the current folder makes them), when
// that file was read ahead without an error; otherwise nothing, and the caller reads it itself,
// meeting the same error if there is one.
std::optional<PreparedDocument> take(const QString& fileName);

} // namespace Prefetch
