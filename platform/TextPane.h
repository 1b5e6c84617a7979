#pragma once

#include "CodePage.h"

#include <QByteArray>
#include <QPlainTextEdit>

class QMimeData;

// The first local file that dragged data carries, or an empty name.
QString droppedLocalFile(const QMimeData* data);

// The multi-line edit control of the main window. Its content is bytes (the document with
// CR LF line breaks); the pane's character set decides which glyph each byte is drawn with, and
// typed text maps back to bytes through the same table.
class TextPane : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextPane(QWidget* parent = nullptr);

    void setBytes(const QByteArray& bytes);
    QByteArray bytes() const;

    CodePage::Charset charset() const { return m_charset; }
    // Redraws the same bytes with the other table.
    void setCharset(CodePage::Charset charset);

    // Line breaks at the right edge, never part of the text.
    void setWrap(bool wrap);

Q_SIGNALS:
    void doubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString toPaneText(const QString& text) const;
    void updateTabStops();

    CodePage::Charset m_charset = CodePage::Charset::Oem;
};
