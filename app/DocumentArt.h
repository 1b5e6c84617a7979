#pragma once

#include "AnsiArt.h"
#include "CodePage.h"
#include "SauceRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class TextPane;
struct PreparedDocument;

// The ANSI art a shown document draws, kept beside the pane: while the pane is read-only it shows
// the art (its cells and colours, which it selects, finds, copies and reads out as any text),
// while it is edited the document's bytes, and the art is drawn again from the bytes as edited
// when it turns read-only again. The file is only ever written with the document's bytes: as they
// were read while nobody edited them, and always with the SAUCE record and what else followed the
// text (never shown) as it was.
class DocumentArt {
public:
    // What preparing a document found: its art where it draws some, the bytes as read, its
    // SAUCE record and what follows its text.
    void take(PreparedDocument& document, const QString& fileName);
    // The pane was emptied: no document, no art.
    void forget();

    const std::optional<SauceRecord>& sauce() const { return m_sauce; }
    // Whether the document was found to draw art (the script it is shown in, unless the user
    // picks another).
    bool found() const { return m_found; }
    bool isShown() const { return m_shown; }
    // The art as last drawn (while shown, what the pane holds).
    const std::optional<AnsiArt::Art>& art() const { return m_art; }

    // The pane shows the art of the document's bytes (drawn again where they were edited), read-
    // only, without wrap; or the bytes again, in charset.
    void showArt(TextPane& pane);
    void showBytes(TextPane& pane, CodePage::Charset charset);

    // What Save writes: the document's bytes (the pane's while it holds them; as they were read
    // while unedited), then what followed its text.
    QByteArray body(const TextPane& pane) const;
    const QByteArray& tail() const { return m_tail; }
    bool isModified(const TextPane& pane) const;
    void markSaved(TextPane& pane);

private:
    const QByteArray& drawnFrom() const { return m_edited || m_read.isEmpty() ? m_bytes : m_read; }

    std::optional<AnsiArt::Art> m_art;
    AnsiArt::Options m_options;
    std::optional<SauceRecord> m_sauce;
    QByteArray m_tail;  // the ^Z, comments and record, as read
    QByteArray m_read;  // the bytes as read (breaks unmended), while nobody changed them
    QByteArray m_bytes; // the document's bytes (CR LF) while the pane does not hold them
    std::vector<quint32> m_lineStarts; // of m_bytes, where they were found with them
    bool m_aside = false;              // m_bytes holds them
    bool m_edited = false;             // they hold edits not saved
    bool m_found = false;
    bool m_shown = false;
};
