#include "TextPane.h"
#include "FileNames.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>

TextPane::TextPane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Without a horizontal bar the view still follows the caret sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setTabChangesFocus(false);
    viewport()->setCursor(Qt::ArrowCursor);
    document()->setDocumentMargin(1);
    updateTabStops();
}

void TextPane::updateTabStops() {
    // The edit control's stops are every 8 average characters: 8 cells of a cell-grid font.
    setTabStopDistance(8 * QFontMetricsF(font()).horizontalAdvance(u'0'));
}

void TextPane::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateTabStops();
}

void TextPane::setBytes(const QByteArray& bytes) {
    setPlainText(CodePage::toDisplay(bytes, m_charset));
}

QByteArray TextPane::bytes() const {
    // The raw text: toPlainText() would hand back every no-break space (byte 0xFF in code page
    // 437, 0xA0 in 1252) as a plain blank, and Save would then change the file unasked.
    return CodePage::fromDisplay(document()->toRawText(), m_charset);
}

void TextPane::setCharset(CodePage::Charset charset) {
    if (charset == m_charset)
        return;
    const QByteArray content = bytes();
    m_charset = charset;
    setBytes(content);
}

void TextPane::setWrap(bool wrap) {
    setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    // Enter does not break a line here: the pane has no use for it but to spoil the art.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    // Typed text goes through the code page both ways, so the pane only ever holds characters
    // that are bytes of the document: one the code page lacks becomes '?' at once.
    const QString typed = event->text();
    if (!isReadOnly() && !typed.isEmpty() && typed.front().isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        insertPlainText(toPaneText(typed));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

QString droppedLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        // The path's own bytes: toLocalFile() would turn a byte that is not UTF-8 into U+FFFD.
        if (url.isLocalFile())
            return FileNames::fromBytes(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    }
    return {};
}

// Files dropped on the pane are for the window to open, not text to insert; the toolkit hands
// a drop the pane ignores on to the window.
static bool carriesFiles(const QMimeData* data) {
    return !droppedLocalFile(data).isEmpty();
}

void TextPane::dragEnterEvent(QDragEnterEvent* event) {
    if (carriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void TextPane::dragMoveEvent(QDragMoveEvent* event) {
    if (carriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void TextPane::dropEvent(QDropEvent* event) {
    if (carriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dropEvent(event);
}

bool TextPane::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() && !carriesFiles(source);
}

void TextPane::insertFromMimeData(const QMimeData* source) {
    if (source->hasText())
        insertPlainText(toPaneText(source->text()));
}

QString TextPane::toPaneText(const QString& text) const {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return CodePage::toDisplay(CodePage::fromDisplay(lines, m_charset), m_charset);
}

void TextPane::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    Q_EMIT doubleClicked();
}

void TextPane::inputMethodEvent(QInputMethodEvent* event) {
    // The input-method editor stays closed; composed text never reaches the document.
    event->ignore();
}
