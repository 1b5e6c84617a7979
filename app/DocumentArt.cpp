#include "DocumentArt.h"

#include "Prefetch.h"
#include "TextPane.h"

void DocumentArt::take(PreparedDocument& document, const QString& fileName) {
    m_art = std::move(document.art);
    document.art.reset();
    m_read = std::move(document.original);
    document.original = {};
    m_sauce = document.sauce;
    m_tail = document.tail;
    m_options = AnsiArt::optionsFor(m_sauce, fileName);
    m_found = m_art.has_value();
    // Kept here until the pane is given them, or the art in their place.
    m_bytes = document.text;
    m_lineStarts = std::move(document.lineStarts);
    m_aside = true;
    m_shown = false;
    m_edited = false;
}

void DocumentArt::forget() {
    *this = DocumentArt();
}

void DocumentArt::showArt(TextPane& pane) {
    if (m_shown)
        return;
    if (!m_aside) {
        m_edited = m_edited || pane.isModified();
        m_bytes = pane.bytes();
        m_lineStarts = {};
        m_aside = true;
    }
    // Drawn again from edited bytes; a document shown as art by the user's choice is drawn the
    // first time it is.
    if (!m_art || m_edited)
        m_art = AnsiArt::interpret(drawnFrom(), m_options);
    pane.setBytes(m_art->text, CodePage::Charset::Oem);
    pane.setCellColours(
        m_art->colours,
        m_options.ownColours
            ? std::optional(std::pair(QColor(QRgb(AnsiArt::vgaColour(7))), QColor(Qt::black)))
            : std::nullopt);
    pane.setNinthColumn(m_sauce && m_sauce->letterSpacing() == SauceRecord::Spacing::NinePixels);
    pane.setTallPixels(m_sauce && m_sauce->aspect() == SauceRecord::Aspect::Legacy);
    m_shown = true;
}

void DocumentArt::showBytes(TextPane& pane, CodePage::Charset charset) {
    if (!m_aside) {
        pane.setCharset(charset);
        return;
    }
    pane.setBytes(m_bytes, charset, std::move(m_lineStarts));
    m_lineStarts = {};
    pane.setNinthColumn(false);
    pane.setTallPixels(false);
    m_bytes = {};
    m_aside = m_shown = false;
}

QByteArray DocumentArt::body(const TextPane& pane) const {
    if (!isModified(pane) && !m_read.isEmpty())
        return m_read;
    return m_aside ? m_bytes : pane.bytes();
}

bool DocumentArt::isModified(const TextPane& pane) const {
    return m_edited || (!m_aside && pane.isModified());
}

void DocumentArt::markSaved(TextPane& pane) {
    // The file holds the edits now; the bytes as read are gone from it.
    if (isModified(pane))
        m_read = {};
    m_edited = false;
    if (!m_aside)
        pane.markSaved();
}
