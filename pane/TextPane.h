#pragma once

#include "CaretMoves.h"
#include "CellColours.h"
#include "CellIndex.h"
#include "CellRenderer.h"
#include "CodePage.h"
#include "LinkSpans.h"
#include "ShownText.h"
#include "TextDocument.h"
#include "TextSearch.h"
#include "WrapRows.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QByteArray>
#include <QElapsedTimer>

#include <optional>
#include <vector>

class QAction;
class QMimeData;

// The first local file that dragged data carries, or an empty name.
QString droppedLocalFile(const QMimeData* data);

// The multi-line edit control of the main window. Its content is bytes (the document with
// CR LF line breaks); the pane's character set decides which glyph each byte is drawn with, and
// typed text maps back to bytes through the same table. The text is a grid of cells: only the
// rows in view are ever drawn or measured, so a document of any size opens, scrolls and wraps
// at once. Positions are byte offsets into the document.
class TextPane : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TextPane(QWidget* parent = nullptr);

    void setBytes(const QByteArray& bytes) { setBytes(bytes, m_charset); }
    // A new document and the script to show it in, laid out once; with the line starts
    // TextDocument::lineStarts found of them elsewhere, or found here.
    void setBytes(const QByteArray& bytes, CodePage::Charset charset,
                  std::vector<quint32> starts = {});
    QByteArray bytes() const { return m_document.bytes(); }
    // The same bytes held in other memory, while the pane's are still of (TextDocument::moveTo).
    bool moveBytesTo(const QByteArray& of, const QByteArray& copy) {
        return m_document.moveTo(of, copy);
    }
    void clear() { setBytes({}); }
    // The document as the pane shows it: a glyph per cell, line breaks as '\n'.
    QString toPlainText() const;

    CodePage::Charset charset() const { return m_charset; }
    // Redraws the same bytes with the other table.
    void setCharset(CodePage::Charset charset);

    // Line breaks at the right edge, never part of the text.
    void setWrap(bool wrap);
    bool wrap() const { return m_wrap; }

    // Whether the text holds edits made since it was set or last marked saved (edits undone
    // back to it are none).
    bool isModified() const { return m_document.isModified(); }
    void markSaved() { m_document.markSaved(); }

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);

    qsizetype caret() const { return m_caret; }
    // Moves the caret, extending the selection from where it was when asked to.
    void setCaret(qsizetype offset, bool extendSelection = false);
    void selectAll();
    bool hasSelection() const { return m_anchor != m_caret; }
    QByteArray selectedBytes() const;
    // The caret's rectangle in the viewport at offset.
    QRect cursorRect(qsizetype offset) const;
    // The offset whose cell boundary lies nearest to a point of the viewport.
    qsizetype offsetAt(QPoint point) const;
    int firstVisibleRow() const;
    // The line at the top of the view, and the view scrolled to put a line there.
    qsizetype topLine() const;
    void scrollToLine(qsizetype line);
    // The viewport width that shows this many whole columns.
    int widthForColumns(qint64 columns) const;

    void copy() const;
    // Zooms the text for this run: steps in, or out when negative (the font stays as set).
    void zoom(int steps);
    int zoomSteps() const { return m_zoom; }
    void cut();
    void paste();
    void undo();
    void redo();

    // Addresses drawn as links where they stand: bytes [at, at + length) of the document, in
    // text order and apart, each the navigator's entry of its place in the list. Edits move the
    // ones after them and take away the ones they touch (which keep their places, with no
    // length); a new document has none. The list is shared until an edit changes it.
    using Link = LinkSpan;
    // Actions of the window's own that the pane's context menu offers after its editing ones.
    void addContextActions(const QList<QAction*>& actions) { m_contextActions += actions; }
    const QList<QAction*>& contextActions() const { return m_contextActions; }

    void setLinks(std::shared_ptr<const LinkSpans> links);
    void setLinks(LinkSpans links) {
        setLinks(std::make_shared<const LinkSpans>(std::move(links)));
    }
    const LinkSpans& links() const;
    // The address of the link of the entry, as the document writes it; empty where the entry
    // has no link (any more).
    QByteArray linkAddress(int entry) const;
    void setLinkColor(const QColor& color);

    // What Find looks for, drawn on a ground of its own wherever it is in view (none: nothing).
    void setSearchHighlight(const std::optional<TextSearch>& search);

    // The colours of the cells, where the text is art that sets them (none: the palette's), and
    // the document's own two while it does: the art's own (light grey on black for an .ans
    // piece), or the palette's text and ground. A new text has none.
    void setCellColours(CellColours colours,
                        std::optional<std::pair<QColor, QColor>> own = std::nullopt);
    const CellColours& cellColours() const { return m_colours; }
    // VGA's nine-pixel cells and its tall pixels, as art may ask for them.
    void setNinthColumn(bool ninth);
    void setTallPixels(bool tall);

Q_SIGNALS:
    void doubleClicked();
    // A link clicked (read-only) or Ctrl+clicked (editable), without a drag.
    void linkActivated(int entry);
    // The text changed: the bytes [at, at + removed) became inserted bytes; at -1: a new text.
    void contentsChanged(qsizetype at, qsizetype removed, qsizetype inserted);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TextPaneAccessible;

    // Where an offset is drawn: its row counted from the top of the document, and its column
    // within that row.
    struct Place {
        qint64 row;
        qint64 column;
    };
    Place placeOf(qsizetype offset) const;
    // The line a row shows, and the first column of that line the row starts with.
    // With wrap, also the first column of the line's next row in nextRow, or -1 where the row
    // is the line's last.
    void rowToLine(qint64 row, qsizetype& line, qint64& firstColumn,
                   qint64* nextRow = nullptr) const;
    // With wrap: how many rows a line of width columns takes up, and where each of them starts
    // (lines of up to CellIndex::LongLine bytes wrap at blanks, longer ones at the edge).
    qint64 wrappedRows(qsizetype line, qint64 width) const;
    const std::vector<qint64>& rowStartsOf(qsizetype line) const;
    // Whether a line's rows break at the edge: a long line's always, any other's until its word
    // wrap is found (a layout gives every line its rows at once, the word wrap of those that
    // need one follows a slice at a time, the lines in view first).
    bool wrapsAtEdge(qsizetype line) const;
    void refineLines(qsizetype first, qsizetype last);
    void refineView();
    void refineSlice();
    // Keeps the line at the top of the view, and its row there, while rows change.
    template <typename Change> void keepingTop(Change&& change);
    qint64 rowCount() const;
    // The row a line starts on.
    qint64 firstRowOf(qsizetype line) const;
    // The link whose cells hold offset, as an index into m_links, or -1.
    int linkAt(qsizetype offset) const;
    // The first link that ends after offset.
    size_t firstLinkAfter(qsizetype offset) const;
    // The offset of the cell under a point of the viewport, or -1 past the text.
    qsizetype cellUnder(QPoint point) const;
    void hover(int link);
    // Whole cells across the viewport: the wrap width, and how far the view shows sideways.
    qint64 columnsInView() const;
    int visibleRows() const;
    QPointF textOrigin() const;
    QSizeF cell() const { return m_renderer.cellSize(); }

    // Maps rows to lines again; only when the wrap width changed unless forced.
    void relayout(bool force);
    void updateScrollBar();
    void ensureCaretVisible() { ensureVisible(m_caret); }
    void ensureVisible(qsizetype offset);
    void updateRenderer();
    void replaceSelection(const QByteArray& text);
    void edited(qsizetype caret);
    QByteArray toDocumentBytes(const QString& text) const;
    // What pasting or dropping data puts in: our own bytes when it carries them, else its text
    // through the script.
    QByteArray insertedBytes(const QMimeData* data) const;
    void forgetOddWidths();
    bool moveCaret(QKeyEvent* event);
    // Without wrap: moves the view sideways by columns, within the widest line in view.
    void scrollSideways(qint64 columns);
    qint64 widestInView() const;
    void dragScrollStep();
    // A word or line selected by double or triple click.
    void selectByMouse(qsizetype from, qsizetype to);
    void publishSelection() const;
    QFont zoomedFont() const;
    void restartBlink();
    // Tell assistive technology, when any listens, what moved or changed: the caret and
    // selection since they were at caret and anchor; an edit; a whole new text. A change of
    // more than MostToldCharacters is told by the caret alone.
    void announceCaret(qsizetype caret, qsizetype anchor);
    void announceEdit(const TextDocument::Change& change);
    void announceText(const std::optional<QString>& before);
    // The whole text to tell, when it is told at all.
    std::optional<QString> toldText() const;

    TextDocument m_document;
    CellIndex m_cells;
    CaretMoves m_moves{m_document, m_cells};
    ShownText m_shown;
    CellRenderer m_renderer;
    CodePage::Charset m_charset = CodePage::Charset::Oem;
    bool m_wrap = false;
    bool m_ninth = false;
    bool m_tall = false;
    bool m_readOnly = true;
    qsizetype m_caret = 0;
    qsizetype m_anchor = 0;
    qint64 m_goalColumn = -1; // kept over Up and Down
    qint64 m_leftColumn = 0;  // the sideways scroll, without wrap
    WrapRows m_rows;          // with wrap: the rows of each line
    qint64 m_rowsWrappedAt = 0;
    // With wrap: the widths of the lines of up to CellIndex::LongLine bytes that are not as many
    // columns wide as they are bytes long (a tab, a sequence), in line order; every other line's
    // width is its length, or its marks know it.
    struct OddWidth {
        quint32 line;
        quint32 width;
    };
    std::vector<OddWidth> m_oddWidths;
    std::vector<bool> m_provisional; // with wrap: lines whose word wrap is still to be found
    qsizetype m_provisionalLeft = 0;
    qsizetype m_refineNext = 0; // before it no line is provisional
    QBasicTimer m_refine;
    // Where the rows of the line last asked about start (-1: none asked since the last layout).
    mutable qsizetype m_startsLine = -1;
    mutable std::vector<qint64> m_starts;
    bool m_oddWidthsKnown = false;
    QBasicTimer m_blink;
    QBasicTimer m_dragScroll; // a drag held outside the view scrolls on
    QPoint m_dragAt;
    int m_sidewaysWheel = 0; // eighths of a degree not scrolled yet
    int m_zoomWheel = 0;
    int m_zoom = 0;                // steps from the font as set
    QElapsedTimer m_doubleClicked; // since the last double click, for a third click
    QPoint m_doubleClickAt;
    bool m_caretShown = false;
    std::shared_ptr<const LinkSpans> m_links;
    QList<QAction*> m_contextActions;
    std::optional<TextSearch> m_search;
    CellColours m_colours;
    std::optional<std::pair<QColor, QColor>> m_ownColours;
    QColor m_linkColor = Qt::blue;
    int m_hoverLink = -1;
    int m_pressedLink = -1; // opens on release unless a drag or a double click came between
    QPoint m_pressedAt;
};
