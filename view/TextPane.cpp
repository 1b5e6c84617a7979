#include "TextPane.h"
#include "FileNames.h"
#include "Hints.h"
#include "TextPaneAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

// The edit control's one-pixel document margin, in whole device pixels so that cells stay on
// the device grid.
constexpr int Margin = 1;

// The document's own bytes beside the text on the clipboard, so that what is copied here comes
// back as the same bytes in any script; other programs see only the text.
const QString BytesMimeType = QStringLiteral("application/x-zelvan-rid-evodad-bytes");
const QString TextMimeType = QStringLiteral("text/plain");

// Copied or selected bytes, made into text only when a program asks for it: selecting all of a
// 64 MiB document costs a copy of its bytes, not their conversion.
class CopiedBytes : public QMimeData {
public:
    CopiedBytes(QByteArray bytes, CodePage::Charset charset)
        : m_bytes(std::move(bytes)), m_charset(charset) {}
    QStringList formats() const override { return {TextMimeType, BytesMimeType}; }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        if (format == BytesMimeType)
            return m_bytes;
        if (format == TextMimeType)
            return CodePage::toDisplay(m_bytes, m_charset);
        return {};
    }

private:
    QByteArray m_bytes;
    CodePage::Charset m_charset;
};

// The rows a line of width cells takes up wrapped at columns. Most lines take one row or two: a
// division per line cost more than the rest of a layout.
qint64 rowsFor(qint64 width, qint64 columns) {
    return width <= columns ? 1 : width <= 2 * columns ? 2 : (width + columns - 1) / columns;
}

// The most characters a change is told with. Each event carries its text over the bus: 64 MiB
// took a reader 14 s, the program frozen. Past this a change is told by the caret alone, and a
// reader reads the text when it wants it.
constexpr qint64 MostToldCharacters = 256 * 1024;

// Character positions as assistive technology counts them, in an int.
int accessibleOffset(qint64 character) {
    return int(std::min<qint64>(character, INT_MAX));
}

// The pane's bitmap fonts are drawn on a grid of 16 pixels: zoom goes by whole multiples of it.
constexpr int BitmapGrid = 16;

} // namespace

TextPane::TextPane(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Without a horizontal bar the view still follows the caret sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::ArrowCursor);
    // For the links under the pointer, and their addresses as tips.
    viewport()->setMouseTracking(true);
    Hints::leaveToWidget(viewport());
    // Every pixel of the viewport is painted here.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_cells.reset(&m_document, m_charset);
    m_shown.reset(&m_document, m_charset);
    TextPaneAccessible::install();
    updateRenderer();
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

void TextPane::setBytes(const QByteArray& bytes, CodePage::Charset charset) {
    const std::optional<QString> before = toldText();
    m_charset = charset;
    m_document.setBytes(bytes);
    m_cells.reset(&m_document, charset);
    m_shown.reset(&m_document, charset);
    forgetOddWidths();
    m_caret = m_anchor = 0;
    m_leftColumn = 0;
    m_goalColumn = -1;
    m_links = {};
    m_pressedLink = -1;
    hover(-1);
    relayout(true);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    announceText(before);
}

QString TextPane::toPlainText() const {
    return CodePage::toDisplay(m_document.bytes(), m_charset);
}

void TextPane::setCharset(CodePage::Charset charset) {
    if (charset == m_charset)
        return;
    const std::optional<QString> before = toldText();
    m_charset = charset;
    m_cells.reset(&m_document, charset);
    m_shown.reset(&m_document, charset);
    forgetOddWidths();
    // Bytes the new script joins into one cell take in the caret and selection ends.
    m_anchor = cellBoundary(m_anchor);
    m_caret = cellBoundary(m_caret);
    relayout(true);
    viewport()->update();
    announceText(before);
}

void TextPane::setWrap(bool wrap) {
    if (wrap == m_wrap)
        return;
    m_wrap = wrap;
    m_leftColumn = 0;
    relayout(true);
    viewport()->update();
}

void TextPane::setReadOnly(bool readOnly) {
    if (readOnly != m_readOnly && QAccessible::isActive()) {
        m_readOnly = readOnly;
        QAccessible::State changed;
        changed.readOnly = changed.editable = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    m_readOnly = readOnly;
    restartBlink();
    viewport()->update();
}

// ---- Geometry -------------------------------------------------------------------------------

QPointF TextPane::textOrigin() const {
    const qreal ratio = m_renderer.devicePixelRatio();
    const qreal margin = std::round(Margin * ratio) / ratio;
    return QPointF(margin, margin);
}

qint64 TextPane::columnsInView() const {
    const qreal room = viewport()->width() - textOrigin().x();
    return std::max<qint64>(1, qint64(room / cell().width()));
}

int TextPane::visibleRows() const {
    const qreal room = viewport()->height() - textOrigin().y();
    return std::max(1, int(room / cell().height()));
}

qint64 TextPane::rowCount() const {
    return m_rowsWrappedAt > 0 ? m_rows.rowCount() : m_document.lineCount();
}

int TextPane::firstVisibleRow() const {
    return verticalScrollBar()->value();
}

void TextPane::rowToLine(qint64 row, qsizetype& line, qint64& firstColumn) const {
    // The rows as last laid out: while wrap is switched, relayout still reads the old ones.
    if (m_rowsWrappedAt == 0) {
        line = qsizetype(row);
        firstColumn = 0;
        return;
    }
    qint64 rowInLine = 0;
    line = m_rows.lineOf(row, rowInLine);
    firstColumn = rowInLine * m_rowsWrappedAt;
}

qint64 TextPane::firstRowOf(qsizetype line) const {
    return m_rowsWrappedAt == 0 ? line : m_rows.firstRowOf(line);
}

qint64 TextPane::rowsOf(qsizetype line) const {
    return m_rowsWrappedAt == 0 ? 1 : m_rows.rowsOf(line);
}

TextPane::Place TextPane::placeOf(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qint64 column = columnOf(line, offset - m_document.lineStart(line));
    if (!m_wrap)
        return {line, column};
    const qint64 columns = m_rowsWrappedAt;
    qint64 row = column / columns;
    // The end of a line that fills its last row exactly stays at the end of that row.
    if (row > 0 && column % columns == 0 && offset == m_document.lineEnd(line))
        --row;
    return {firstRowOf(line) + row, column - row * columns};
}

QRect TextPane::cursorRect(qsizetype offset) const {
    const Place place = placeOf(std::clamp<qsizetype>(offset, 0, m_document.size()));
    const QPointF origin = textOrigin();
    const qint64 left = m_wrap ? 0 : m_leftColumn;
    const qreal x = origin.x() + qreal(place.column - left) * cell().width();
    const qreal y = origin.y() + qreal(place.row - firstVisibleRow()) * cell().height();
    const int thick = std::max(1, int(std::lround(m_renderer.devicePixelRatio())));
    return QRect(int(std::floor(x)), int(std::floor(y)), thick, int(std::ceil(cell().height())));
}

qsizetype TextPane::offsetAt(QPoint point) const {
    const QPointF origin = textOrigin();
    const qint64 row = std::clamp<qint64>(
        firstVisibleRow() + qint64(std::floor((point.y() - origin.y()) / cell().height())), 0,
        rowCount() - 1);
    qsizetype line = 0;
    qint64 first = 0;
    rowToLine(row, line, first);
    qint64 column = first + (m_wrap ? 0 : m_leftColumn) +
                    std::max<qint64>(0, std::lround((point.x() - origin.x()) / cell().width()));
    if (m_wrap)
        column = std::min(column, first + m_rowsWrappedAt);
    return m_document.lineStart(line) + offsetOfColumn(line, column);
}

qsizetype TextPane::cellUnder(QPoint point) const {
    const QPointF origin = textOrigin();
    if (!viewport()->rect().contains(point) || point.x() < origin.x() || point.y() < origin.y())
        return -1;
    const qint64 row =
        firstVisibleRow() + qint64(std::floor((point.y() - origin.y()) / cell().height()));
    const qint64 across = qint64(std::floor((point.x() - origin.x()) / cell().width()));
    if (row >= rowCount() || (m_wrap && across >= m_rowsWrappedAt))
        return -1;
    qsizetype line = 0;
    qint64 first = 0;
    rowToLine(row, line, first);
    const qint64 column = first + across + (m_wrap ? 0 : m_leftColumn);
    if (column >= m_cells.columns(line))
        return -1;
    // The cell the column lies in, also when it is inside a tab's run.
    const qsizetype start = m_document.lineStart(line);
    qsizetype within = offsetOfColumn(line, column);
    if (within >= m_document.lineEnd(line) - start || columnOf(line, within) > column)
        within = previousCell(start + within) - start;
    return start + within;
}

void TextPane::forgetOddWidths() {
    m_oddWidths = {};
    m_oddWidthsKnown = false;
}

qint64 TextPane::columnOf(qsizetype line, qsizetype offset) const {
    return Cells::columnAt(m_document.line(line), m_charset, offset,
                           m_cells.atOffset(line, offset));
}

qsizetype TextPane::offsetOfColumn(qsizetype line, qint64 column) const {
    return Cells::offsetAt(m_document.line(line), m_charset, column,
                           m_cells.atColumn(line, column));
}

Cells::Cell TextPane::cellOf(qsizetype line, qsizetype offset) const {
    return Cells::cellAt(m_document.line(line), m_charset, offset, m_cells.atOffset(line, offset));
}

qsizetype TextPane::cellBoundary(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    if (offset >= m_document.lineEnd(line))
        return offset;
    const Cells::Cell cell = cellOf(line, offset - start);
    return cell.offset == offset - start ? offset : start + cell.offset + cell.length;
}

// ---- Layout ---------------------------------------------------------------------------------

void TextPane::updateRenderer() {
    m_renderer.setFont(zoomedFont());
    m_renderer.setDevicePixelRatio(devicePixelRatioF());
}

QFont TextPane::zoomedFont() const {
    QFont zoomed = font();
    // A bitmap font by whole multiples of its grid, so that its glyphs stay crisp; any other a
    // point a step.
    if (zoomed.pixelSize() > 0)
        zoomed.setPixelSize(std::max(BitmapGrid, zoomed.pixelSize() + m_zoom * BitmapGrid));
    else
        zoomed.setPointSizeF(std::max(4.0, zoomed.pointSizeF() + m_zoom));
    return zoomed;
}

void TextPane::zoom(int steps) {
    // No further out than the smallest size: steps past it would have to be undone first.
    const QFont base = font();
    const int smallest = base.pixelSize() > 0 ? -(base.pixelSize() - BitmapGrid) / BitmapGrid
                                              : -int(std::max(0.0, base.pointSizeF() - 4));
    const int zoom = std::clamp(m_zoom + steps, std::min(0, smallest), 24);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    // Read-only there is no caret to follow: the line at the top stays at the top.
    qsizetype top = 0;
    qint64 topColumn = 0;
    rowToLine(firstVisibleRow(), top, topColumn);
    updateRenderer();
    relayout(true);
    if (m_readOnly)
        verticalScrollBar()->setValue(int(std::min<qint64>(firstRowOf(top), INT_MAX)));
    else
        ensureCaretVisible();
    viewport()->update();
}

void TextPane::relayout(bool force) {
    // The line at the top stays at the top.
    qsizetype topLine = 0;
    qint64 topColumn = 0;
    rowToLine(std::min<qint64>(firstVisibleRow(), std::max<qint64>(0, rowCount() - 1)), topLine,
              topColumn);
    topLine = std::min(topLine, m_document.lineCount() - 1);

    if (!m_wrap) {
        m_rows.clear();
        m_rowsWrappedAt = 0;
        forgetOddWidths();
    } else if (force || m_rowsWrappedAt != columnsInView()) {
        // Rows come from each line's width alone: arithmetic over the index, no text layout.
        const qint64 columns = columnsInView();
        const qsizetype lines = m_document.lineCount();
        m_rows.clear();
        m_rows.reserve(lines);
        m_rowsWrappedAt = columns;
        // Lines without a tab are as wide as they are long (but in UTF-8); the tabs are found in
        // one pass, and the widths of the lines that are not as wide as long are kept, so that
        // the next layout (a resize) reads no byte of the document.
        const char* const data = m_document.bytes().constData();
        const char* const dataEnd = data + m_document.size();
        const char* tab = static_cast<const char*>(std::memchr(data, '\t', size_t(dataEnd - data)));
        const bool known = m_oddWidthsKnown;
        if (!known)
            m_oddWidths.clear();
        auto odd = m_oddWidths.cbegin();
        for (qsizetype line = 0; line < lines; ++line) {
            const qsizetype end = m_document.lineEnd(line);
            const qsizetype length = end - m_document.lineStart(line);
            qint64 width = length;
            if (length > CellIndex::LongLine) {
                width = m_cells.columns(line);
            } else if (known) {
                if (odd != m_oddWidths.cend() && odd->line == line)
                    width = (odd++)->width;
            } else {
                // A short line: walked whole, as the cell index would.
                if (m_charset == CodePage::Charset::Utf8) {
                    width = Cells::columns(m_document.line(line), m_charset);
                } else if (tab && tab < data + end) {
                    width = Cells::columns(m_document.line(line), m_charset);
                    tab = static_cast<const char*>(
                        std::memchr(data + end, '\t', size_t(dataEnd - (data + end))));
                }
                if (width != length)
                    m_oddWidths.push_back({quint32(line), quint32(width)});
            }
            m_rows.append(rowsFor(width, columns));
        }
        m_oddWidthsKnown = true;
    }
    updateScrollBar();
    if (m_wrap)
        verticalScrollBar()->setValue(int(std::min<qint64>(INT_MAX, firstRowOf(topLine))));
    else
        verticalScrollBar()->setValue(int(topLine));
}

void TextPane::updateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    const int rows = visibleRows();
    bar->setRange(0, int(std::clamp<qint64>(rowCount() - rows, 0, INT_MAX)));
    bar->setPageStep(rows);
    bar->setSingleStep(1);
}

void TextPane::ensureVisible(qsizetype offset) {
    const Place place = placeOf(offset);
    const int top = firstVisibleRow();
    const int rows = visibleRows();
    if (place.row < top)
        verticalScrollBar()->setValue(int(std::min<qint64>(place.row, INT_MAX)));
    else if (place.row >= top + rows)
        verticalScrollBar()->setValue(int(std::min<qint64>(place.row - rows + 1, INT_MAX)));
    if (m_wrap)
        return;
    // Sideways by a quarter of the view at a time, as the edit control did.
    const qint64 columns = columnsInView();
    if (place.column < m_leftColumn)
        m_leftColumn = std::max<qint64>(0, place.column - columns / 4);
    else if (place.column >= m_leftColumn + columns)
        m_leftColumn = place.column - columns + 1 + columns / 4;
}

void TextPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout(false);
}

void TextPane::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateRenderer();
        relayout(true);
    }
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        viewport()->update();
}

void TextPane::scrollContentsBy(int, int) {
    viewport()->update();
}

void TextPane::scrollSideways(qint64 columns) {
    if (m_wrap)
        return;
    // Never past the widest line in view, but never back from where the caret took the view.
    const qint64 limit = std::max(m_leftColumn, widestInView() - columnsInView() + 1);
    const qint64 left = std::clamp<qint64>(m_leftColumn + columns, 0, std::max<qint64>(0, limit));
    if (left != m_leftColumn) {
        m_leftColumn = left;
        viewport()->update();
    }
}

qint64 TextPane::widestInView() const {
    qint64 widest = 0;
    const qint64 top = firstVisibleRow();
    for (qint64 row = top; row < std::min<qint64>(rowCount(), top + visibleRows() + 1); ++row)
        widest = std::max(widest, m_cells.columns(qsizetype(row)));
    return widest;
}

void TextPane::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        m_zoomWheel += event->angleDelta().y();
        const int notches = m_zoomWheel / 120;
        m_zoomWheel -= notches * 120;
        if (notches != 0)
            zoom(notches);
        event->accept();
        return;
    }
    // The sideways wheel (buttons 6 and 7), and Shift with the wheel, scroll sideways: three
    // cells a notch, as the vertical wheel goes three rows.
    const QPoint delta = event->angleDelta();
    const int sideways = delta.x() != 0                           ? -delta.x()
                         : event->modifiers() & Qt::ShiftModifier ? -delta.y()
                                                                  : 0;
    if (sideways == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    m_sidewaysWheel += sideways;
    const int notches = m_sidewaysWheel / 120;
    m_sidewaysWheel -= notches * 120;
    scrollSideways(qint64(notches) * QApplication::wheelScrollLines());
    event->accept();
}

// ---- Painting -------------------------------------------------------------------------------

void TextPane::paintEvent(QPaintEvent* event) {
    if (m_renderer.devicePixelRatio() != devicePixelRatioF()) {
        updateRenderer();
        relayout(true);
    }
    QPainter painter(viewport());
    const QPalette& colours = palette();

    const QPointF origin = textOrigin();
    const QSizeF size = cell();
    const qint64 top = firstVisibleRow();
    // The columns a row has on screen: without wrap, the one cut off at the right too.
    const qint64 shown = m_wrap ? m_rowsWrappedAt : columnsInView() + 1;
    const qint64 rows = std::min<qint64>(visibleRows() + 1, rowCount() - top);
    // Only the cells the update covers are drawn: a blinking caret costs one cell, not a screen.
    const QRect dirty = event->rect();
    const auto cellsFrom = [](qreal at, qreal length) { return qint64(std::floor(at / length)); };
    const qint64 rowFrom = std::max<qint64>(0, cellsFrom(dirty.top() - origin.y(), size.height()));
    const qint64 rowTo = std::min(rows, cellsFrom(dirty.bottom() - origin.y(), size.height()) + 1);
    const qint64 columnFrom =
        std::clamp<qint64>(cellsFrom(dirty.left() - origin.x(), size.width()), 0, shown);
    const qint64 columnTo = std::clamp<qint64>(
        cellsFrom(dirty.right() - origin.x(), size.width()) + 1, columnFrom, shown);
    const qsizetype selStart = std::min(m_anchor, m_caret);
    const qsizetype selEnd = std::max(m_anchor, m_caret);
    const QColor text = colours.color(QPalette::Text);
    const QColor marked = colours.color(QPalette::HighlightedText);
    const QColor ground = colours.color(QPalette::Base);
    const QColor highlight = colours.color(QPalette::Highlight);

    for (qint64 r = rowFrom; r < rowTo && columnFrom < columnTo; ++r) {
        qsizetype line = 0;
        qint64 first = 0;
        rowToLine(top + r, line, first);
        // The columns of the line this part of the row shows.
        const qint64 left = (m_wrap ? first : m_leftColumn) + columnFrom;
        const qint64 right = left + (columnTo - columnFrom);
        const QPointF at(origin.x() + qreal(columnFrom) * size.width(),
                         origin.y() + qreal(r) * size.height());
        const QByteArrayView bytes = m_document.line(line);
        const qsizetype start = m_document.lineStart(line);
        const qsizetype end = m_document.lineEnd(line);
        const Cells::Mark mark = m_cells.atColumn(line, left);

        // The selected columns of this row, a break counting as one cell past the text.
        qint64 from = left, to = left;
        if (selStart < selEnd && selStart <= end && selEnd > start) {
            from = columnOf(line, std::max(selStart, start) - start);
            to = columnOf(line, std::min(selEnd, end) - start);
            if (selEnd > end && line + 1 < m_document.lineCount())
                ++to;
            from = std::clamp(from, left, right);
            to = std::clamp(to, left, right);
        }
        const auto part = [&](qint64 a, qint64 b, const QColor& colour, const QColor& behind) {
            if (a < b)
                m_renderer.drawLine(painter, at + QPointF(qreal(a - left) * size.width(), 0), bytes,
                                    m_charset, a, b - a, colour, behind, mark);
        };
        // The links among these columns, found from the bytes they show; the selection is
        // drawn over them.
        qint64 plain = left;
        qint64 underlineFrom = 0, underlineTo = 0;
        if (!m_links.empty()) {
            const qsizetype shownTo = start + offsetOfColumn(line, right);
            for (size_t i = firstLinkAfter(start + offsetOfColumn(line, left));
                 i < m_links.size() && qsizetype(m_links[i].at) < shownTo; ++i) {
                const Link& link = m_links[i];
                const qint64 a = std::max(left, columnOf(line, link.at - start));
                const qint64 b = std::min(
                    right, columnOf(line, std::min<qsizetype>(link.at + link.length, end) - start));
                part(plain, a, text, ground);
                part(a, b, m_linkColor, ground);
                plain = std::max(plain, b);
                if (int(i) == m_hoverLink)
                    underlineFrom = a, underlineTo = b;
            }
        }
        part(plain, right, text, ground);
        part(from, to, marked, highlight);
        if (underlineFrom < underlineTo) {
            const qreal ratio = m_renderer.devicePixelRatio();
            const qreal thick = std::max(1.0, std::round(ratio)) / ratio;
            painter.fillRect(QRectF(at.x() + qreal(underlineFrom - left) * size.width(),
                                    at.y() + size.height() - thick,
                                    qreal(underlineTo - underlineFrom) * size.width(), thick),
                             m_linkColor);
        }
    }
    // The rows paint their own ground; the margin and what they leave of the viewport get it here.
    const qreal right = origin.x() + qreal(shown) * size.width();
    const qreal bottom = origin.y() + qreal(std::max<qint64>(0, rows)) * size.height();
    const QRectF all = viewport()->rect();
    painter.fillRect(QRectF(0, 0, all.width(), origin.y()), ground);
    painter.fillRect(QRectF(0, origin.y(), origin.x(), all.height()), ground);
    painter.fillRect(QRectF(right, origin.y(), all.width() - right, bottom - origin.y()), ground);
    painter.fillRect(QRectF(0, bottom, all.width(), all.height() - bottom), ground);
    if (m_caretShown && !m_readOnly && hasFocus())
        painter.fillRect(cursorRect(m_caret), text);
}

// ---- Links ----------------------------------------------------------------------------------

namespace {

// A link's address as its navigator entry reads it.
QString addressText(QByteArrayView bytes) {
    return CodePage::toDisplay(bytes.toByteArray().toLower(), CodePage::Charset::Ansi);
}

} // namespace

void TextPane::setLinks(std::vector<Link> links) {
    m_links = std::move(links);
    m_pressedLink = -1;
    hover(-1);
    viewport()->update();
}

void TextPane::setLinkColor(const QColor& color) {
    m_linkColor = color;
    viewport()->update();
}

size_t TextPane::firstLinkAfter(qsizetype offset) const {
    return size_t(std::lower_bound(m_links.begin(), m_links.end(), offset,
                                   [](const Link& link, qsizetype at) {
                                       return qsizetype(link.at) + link.length <= at;
                                   }) -
                  m_links.begin());
}

int TextPane::linkAt(qsizetype offset) const {
    const size_t link = offset < 0 ? m_links.size() : firstLinkAfter(offset);
    return link < m_links.size() && m_links[link].at <= offset ? int(link) : -1;
}

void TextPane::hover(int link) {
    if (link == m_hoverLink)
        return;
    m_hoverLink = link;
    viewport()->setCursor(link >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    viewport()->update();
}

bool TextPane::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int link = linkAt(cellUnder(help->pos()));
        if (link < 0) {
            QToolTip::hideText();
            event->ignore();
        } else {
            const Link& shown = m_links[size_t(link)];
            QToolTip::showText(
                help->globalPos(),
                addressText(QByteArrayView(m_document.bytes()).sliced(shown.at, shown.length)),
                viewport());
        }
        return true;
    }
    if (event->type() == QEvent::Leave)
        hover(-1);
    return QAbstractScrollArea::viewportEvent(event);
}

// ---- Caret and selection ----------------------------------------------------------------------

void TextPane::setCaret(qsizetype offset, bool extendSelection) {
    offset = std::clamp<qsizetype>(offset, 0, m_document.size());
    // Never between the CR and the LF of a break.
    offset = std::min(offset, m_document.lineEnd(m_document.lineOf(offset)));
    // Nor inside a cell: after an edit joined bytes into one, it goes to the cell's end.
    offset = cellBoundary(offset);
    const qsizetype caret = m_caret;
    const qsizetype anchor = m_anchor;
    m_caret = offset;
    if (!extendSelection)
        m_anchor = offset;
    m_goalColumn = -1;
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
    announceCaret(caret, anchor);
}

void TextPane::selectAll() {
    const qsizetype caret = m_caret;
    const qsizetype anchor = m_anchor;
    m_anchor = 0;
    m_caret = m_document.size();
    publishSelection();
    viewport()->update();
    announceCaret(caret, anchor);
}

void TextPane::announceCaret(qsizetype caret, qsizetype anchor) {
    if (!QAccessible::isActive() || (caret == m_caret && anchor == m_anchor))
        return;
    const int at = accessibleOffset(m_shown.characterAt(m_caret));
    if ((caret != anchor || hasSelection()) &&
        std::minmax(caret, anchor) != std::minmax(m_caret, m_anchor)) {
        const int from = accessibleOffset(m_shown.characterAt(std::min(m_caret, m_anchor)));
        const int to = accessibleOffset(m_shown.characterAt(std::max(m_caret, m_anchor)));
        QAccessibleTextSelectionEvent event(this, from, to);
        event.setCursorPosition(at);
        QAccessible::updateAccessibility(&event);
    }
    if (caret != m_caret) {
        QAccessibleTextCursorEvent event(this, at);
        QAccessible::updateAccessibility(&event);
    }
}

std::optional<QString> TextPane::toldText() const {
    if (!QAccessible::isActive() || m_shown.length() > MostToldCharacters)
        return std::nullopt;
    return m_shown.text(0, m_shown.length());
}

void TextPane::announceEdit(const TextDocument::Change& change) {
    // Never more characters than bytes.
    if (!QAccessible::isActive() || (change.removed == 0 && change.inserted == 0) ||
        change.removed > MostToldCharacters || change.inserted > MostToldCharacters)
        return;
    const int at = accessibleOffset(m_shown.characterAt(change.at));
    const QString removed = ShownText::shown(change.removedBytes, m_charset);
    const QString inserted = ShownText::shown(
        QByteArrayView(m_document.bytes()).sliced(change.at, change.inserted), m_charset);
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, at, inserted);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, at, removed);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, at, removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

void TextPane::announceText(const std::optional<QString>& before) {
    if (!QAccessible::isActive())
        return;
    if (const std::optional<QString> after = toldText(); before && after) {
        QAccessibleTextUpdateEvent event(this, 0, *before, *after);
        QAccessible::updateAccessibility(&event);
    }
    QAccessibleTextCursorEvent cursor(this, accessibleOffset(m_shown.characterAt(m_caret)));
    QAccessible::updateAccessibility(&cursor);
}

QByteArray TextPane::selectedBytes() const {
    const qsizetype from = std::min(m_anchor, m_caret);
    return m_document.bytes().sliced(from, std::max(m_anchor, m_caret) - from);
}

void TextPane::restartBlink() {
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (!m_readOnly && hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void TextPane::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_dragScroll.timerId()) {
        dragScrollStep();
        return;
    }
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(cursorRect(m_caret));
}

void TextPane::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void TextPane::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

// What a word is made of: a run of cells of one kind. Letters and digits, art (the box, block
// and shade characters and the shapes after them), blanks and punctuation each make their own
// runs, so that "[04-02-98]" is seven words and a frame stops a word that touches it.
enum class WordClass : unsigned char { Blank, Word, Art, Punctuation };

static WordClass wordClass(char32_t glyph) {
    if (glyph == U' ' || glyph == U'\t' || glyph == U'\r' || glyph == 0xA0 || glyph == 0)
        return WordClass::Blank;
    if (glyph >= 0x2500 && glyph <= 0x25FF)
        return WordClass::Art;
    if (glyph == U'_' || QChar::isLetterOrNumber(glyph))
        return WordClass::Word;
    return WordClass::Punctuation;
}

// The cell that ends at offset within a line (offset a cell boundary past its start): in UTF-8
// the nearest lead byte back starts it if its sequence ends exactly there, for every other
// byte is a cell of its own.
static Cells::Cell cellBefore(QByteArrayView line, CodePage::Charset charset, qsizetype offset) {
    const auto byte = [&](qsizetype at) { return uchar(line[at]); };
    if (charset == CodePage::Charset::Utf8) {
        for (qsizetype lead = offset - 1; lead >= std::max<qsizetype>(0, offset - 4); --lead) {
            if ((byte(lead) & 0xC0) == 0x80)
                continue;
            char32_t glyph = 0;
            if (byte(lead) >= 0x80 && CodePage::utf8Sequence(line, lead, glyph) == offset - lead)
                return {lead, int(offset - lead), 0, 1, glyph};
            break;
        }
    }
    return {offset - 1, 1, 0, 1, CodePage::glyph(byte(offset - 1), charset)};
}

static Cells::Cell cellFrom(QByteArrayView line, CodePage::Charset charset, qsizetype offset) {
    char32_t glyph = 0;
    const int length = charset == CodePage::Charset::Utf8 && uchar(line[offset]) >= 0x80
                           ? CodePage::utf8Sequence(line, offset, glyph)
                           : 0;
    if (length > 0)
        return {offset, length, 0, 1, glyph};
    return {offset, 1, 0, 1, CodePage::glyph(uchar(line[offset]), charset)};
}

// Where the run of cells of one kind that reaches offset within a line starts, or ends.
static qsizetype runStart(QByteArrayView bytes, CodePage::Charset charset, qsizetype at,
                          WordClass kind) {
    while (at > 0) {
        const Cells::Cell cell = cellBefore(bytes, charset, at);
        if (wordClass(cell.glyph) != kind)
            break;
        at = cell.offset;
    }
    return at;
}

static qsizetype runEnd(QByteArrayView bytes, CodePage::Charset charset, qsizetype at,
                        WordClass kind) {
    while (at < bytes.size()) {
        const Cells::Cell cell = cellFrom(bytes, charset, at);
        if (wordClass(cell.glyph) != kind)
            break;
        at += cell.length;
    }
    return at;
}

qsizetype TextPane::wordStart(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    const QByteArrayView bytes = m_document.line(line);
    const qsizetype at = std::min(offset - start, bytes.size());
    if (at <= 0)
        return offset;
    const WordClass kind = wordClass(cellBefore(bytes, m_charset, at).glyph);
    return kind == WordClass::Blank ? offset : start + runStart(bytes, m_charset, at, kind);
}

qsizetype TextPane::wordEnd(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    const QByteArrayView bytes = m_document.line(line);
    const qsizetype at = offset - start;
    if (at >= bytes.size())
        return offset;
    const WordClass kind = wordClass(cellFrom(bytes, m_charset, at).glyph);
    return kind == WordClass::Blank ? offset : start + runEnd(bytes, m_charset, at, kind);
}

void TextPane::wordRun(qsizetype offset, qsizetype& from, qsizetype& to) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    const QByteArrayView bytes = m_document.line(line);
    const qsizetype at = offset - start;
    const WordClass kind = wordClass(cellFrom(bytes, m_charset, at).glyph);
    from = start + runStart(bytes, m_charset, at, kind);
    to = start + runEnd(bytes, m_charset, at, kind);
}

qsizetype TextPane::nextCell(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    if (offset >= m_document.lineEnd(line))
        return m_document.next(offset);
    const Cells::Cell cell = cellOf(line, offset - start);
    return start + cell.offset + cell.length;
}

qsizetype TextPane::previousCell(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qsizetype start = m_document.lineStart(line);
    if (offset <= start)
        return m_document.previous(offset);
    return start + cellOf(line, offset - 1 - start).offset;
}

// ---- Editing --------------------------------------------------------------------------------

QByteArray TextPane::toDocumentBytes(const QString& text) const {
    // Typed and pasted text only ever holds characters that are bytes of the document: one the
    // code page lacks becomes '?', and every kind of line break becomes CR LF.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return CodePage::fromDisplay(lines, m_charset);
}

void TextPane::replaceSelection(const QByteArray& text) {
    const qsizetype from = std::min(m_anchor, m_caret);
    // Refused only when nothing would change, or past the 4 GiB a document can hold.
    if (!m_document.replace(from, std::max(m_anchor, m_caret), text, hasSelection())) {
        if (!text.isEmpty())
            QApplication::beep();
        return;
    }
    edited(from + text.size());
}

void TextPane::edited(qsizetype caret) {
    const TextDocument::Change& change = m_document.lastChange();
    m_cells.edited(change);
    m_shown.edited(change);
    if (m_wrap && m_rowsWrappedAt == columnsInView()) {
        // Only the lines the edit made are laid out again; the rest keep their rows, and the
        // kept widths of the lines after them move with them.
        const qsizetype last = change.line + change.removedBreaks;
        const auto from =
            std::lower_bound(m_oddWidths.begin(), m_oddWidths.end(), change.line,
                             [](const OddWidth& odd, qsizetype line) { return odd.line < line; });
        auto to = from;
        while (to != m_oddWidths.end() && to->line <= last)
            ++to;
        for (auto it = to; it != m_oddWidths.end(); ++it)
            it->line = quint32(it->line + change.insertedBreaks - change.removedBreaks);
        std::vector<OddWidth> made;
        std::vector<qint64> rows;
        for (qsizetype line = change.line; line <= change.line + change.insertedBreaks; ++line) {
            const qint64 width = m_cells.columns(line);
            const qsizetype length = m_document.lineEnd(line) - m_document.lineStart(line);
            if (width != length && length <= CellIndex::LongLine)
                made.push_back({quint32(line), quint32(width)});
            rows.push_back(rowsFor(width, m_rowsWrappedAt));
        }
        m_oddWidths.insert(m_oddWidths.erase(from, to), made.begin(), made.end());
        m_rows.replace(change.line, change.removedBreaks + 1, rows);
        updateScrollBar();
    } else if (m_wrap) {
        forgetOddWidths();
        relayout(true);
    } else {
        updateScrollBar();
    }
    // Links the edit touched are gone (their text is not what the list says any more); the
    // ones after it move along.
    if (!m_links.empty()) {
        const qsizetype end = change.at + change.removed;
        const auto first = m_links.begin() + qsizetype(firstLinkAfter(change.at));
        auto last = first;
        while (last != m_links.end() && qsizetype(last->at) < end)
            ++last;
        const qsizetype moved = change.inserted - change.removed;
        for (auto it = last; it != m_links.end(); ++it)
            it->at = quint32(it->at + moved);
        m_links.erase(first, last);
        m_hoverLink = -1;
        m_pressedLink = -1;
    }
    announceEdit(change);
    setCaret(caret);
}

void TextPane::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setMimeData(new CopiedBytes(selectedBytes(), m_charset));
}

void TextPane::publishSelection() const {
    // X11's primary selection: what is selected is there for a middle click anywhere.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(new CopiedBytes(selectedBytes(), m_charset), QClipboard::Selection);
}

QByteArray TextPane::insertedBytes(const QMimeData* data) const {
    if (!data)
        return {};
    if (data->hasFormat(BytesMimeType))
        return data->data(BytesMimeType);
    return data->hasText() ? toDocumentBytes(data->text()) : QByteArray();
}

void TextPane::cut() {
    if (m_readOnly || !hasSelection())
        return;
    copy();
    replaceSelection({});
}

void TextPane::paste() {
    if (m_readOnly)
        return;
    const QByteArray bytes = insertedBytes(QGuiApplication::clipboard()->mimeData());
    if (!bytes.isEmpty())
        replaceSelection(bytes);
}

void TextPane::undo() {
    const qsizetype caret = m_readOnly ? -1 : m_document.undo();
    if (caret < 0)
        return;
    const TextDocument::Change change = m_document.lastChange();
    edited(caret);
    // A cut or a paste over a selection taken back: the selection comes back with its text.
    if (change.restoresSelection) {
        setCaret(change.at);
        setCaret(change.at + change.inserted, true);
    }
}

void TextPane::redo() {
    const qsizetype caret = m_readOnly ? -1 : m_document.redo();
    if (caret >= 0)
        edited(caret);
}

// ---- Keyboard -------------------------------------------------------------------------------

bool TextPane::focusNextPrevChild(bool next) {
    // Tab is a character of the document while it can be edited.
    return m_readOnly ? QAbstractScrollArea::focusNextPrevChild(next) : false;
}

bool TextPane::moveCaret(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int rows = visibleRows();
    QScrollBar* bar = verticalScrollBar();

    if (m_readOnly) {
        // Nothing to edit: the keys move the view.
        QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
        switch (event->key()) {
        case Qt::Key_Up:
            action = QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_Down:
            action = QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = QAbstractSlider::SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = QAbstractSlider::SliderPageStepAdd;
            break;
        // Columns past the window's edge are reached without a caret too: Home and End go as
        // far sideways as the lines in view allow.
        case Qt::Key_Home:
        case Qt::Key_End:
            if (control) {
                action = event->key() == Qt::Key_Home ? QAbstractSlider::SliderToMinimum
                                                      : QAbstractSlider::SliderToMaximum;
                break;
            }
            scrollSideways(event->key() == Qt::Key_Home ? -m_leftColumn : widestInView());
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            scrollSideways(event->key() == Qt::Key_Left ? -1 : 1);
            return true;
        default:
            break;
        }
        if (action == QAbstractSlider::SliderNoAction)
            return false;
        bar->triggerAction(action);
        return true;
    }

    const Place place = placeOf(m_caret);
    // Up, Down and the page keys keep to one column over short lines.
    const auto toRow = [&](qint64 row) {
        const qint64 goal = m_goalColumn >= 0 ? m_goalColumn : place.column;
        row = std::clamp<qint64>(row, 0, rowCount() - 1);
        qsizetype line = 0;
        qint64 first = 0;
        rowToLine(row, line, first);
        qint64 column = first + goal;
        if (m_wrap && row + 1 < firstRowOf(line) + rowsOf(line))
            column = std::min(column, first + m_rowsWrappedAt - 1);
        setCaret(m_document.lineStart(line) + offsetOfColumn(line, column), extend);
        m_goalColumn = goal;
    };
    const auto rowEdge = [&](bool end) {
        qsizetype line = 0;
        qint64 first = 0;
        rowToLine(place.row, line, first);
        const qint64 last = m_wrap && place.row + 1 < firstRowOf(line) + rowsOf(line)
                                ? first + m_rowsWrappedAt - 1
                                : m_cells.columns(line);
        return m_document.lineStart(line) + offsetOfColumn(line, end ? last : first);
    };
    const qsizetype selFrom = std::min(m_anchor, m_caret);
    const qsizetype selTo = std::max(m_anchor, m_caret);

    switch (event->key()) {
    case Qt::Key_Left:
        if (control)
            setCaret(wordStart(previousCell(m_caret)), extend);
        else
            setCaret(hasSelection() && !extend ? selFrom : previousCell(m_caret), extend);
        return true;
    case Qt::Key_Right:
        if (control)
            setCaret(wordEnd(nextCell(m_caret)), extend);
        else
            setCaret(hasSelection() && !extend ? selTo : nextCell(m_caret), extend);
        return true;
    case Qt::Key_Up:
        toRow(place.row - 1);
        return true;
    case Qt::Key_Down:
        toRow(place.row + 1);
        return true;
    case Qt::Key_PageUp:
        bar->setValue(bar->value() - rows);
        toRow(place.row - rows);
        return true;
    case Qt::Key_PageDown:
        bar->setValue(bar->value() + rows);
        toRow(place.row + rows);
        return true;
    case Qt::Key_Home:
        setCaret(control ? 0 : rowEdge(false), extend);
        return true;
    case Qt::Key_End:
        setCaret(control ? m_document.size() : rowEdge(true), extend);
        return true;
    default:
        return false;
    }
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    // Enter does not break a line here: the pane has no use for it but to spoil the art.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier ||
        event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return zoom(1);
        case Qt::Key_Minus:
            return zoom(-1);
        case Qt::Key_0:
            return zoom(-m_zoom);
        default:
            break;
        }
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (!m_readOnly) {
        if (event->matches(QKeySequence::Cut))
            return cut();
        if (event->matches(QKeySequence::Paste))
            return paste();
        if (event->matches(QKeySequence::Undo))
            return undo();
        // Ctrl+Y too, as on the system the program comes from (X11's own redo is Ctrl+Shift+Z).
        if (event->matches(QKeySequence::Redo) ||
            (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier))
            return redo();
        if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
            if (!hasSelection()) {
                const bool back = event->key() == Qt::Key_Backspace;
                (back ? m_anchor : m_caret) = back ? previousCell(m_caret) : nextCell(m_caret);
            }
            replaceSelection({});
            return;
        }
        const QString typed = event->text();
        if (!typed.isEmpty() && (typed.front().isPrint() || typed == u"\t") &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            replaceSelection(toDocumentBytes(typed));
            return;
        }
    }
    if (!moveCaret(event))
        event->ignore();
    else if (event->modifiers() & Qt::ShiftModifier)
        publishSelection();
}

void TextPane::inputMethodEvent(QInputMethodEvent* event) {
    // The input-method editor stays closed; composed text never reaches the document.
    event->ignore();
}

// ---- Mouse ----------------------------------------------------------------------------------

void TextPane::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton && !m_readOnly &&
        QGuiApplication::clipboard()->supportsSelection()) {
        // The primary selection goes in where the pointer is.
        setCaret(offsetAt(at));
        const QByteArray bytes =
            insertedBytes(QGuiApplication::clipboard()->mimeData(QClipboard::Selection));
        if (!bytes.isEmpty())
            replaceSelection(bytes);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    // A third click soon after a double click selects the line.
    if (m_doubleClicked.isValid() &&
        m_doubleClicked.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (at - m_doubleClickAt).manhattanLength() <
            QGuiApplication::styleHints()->startDragDistance()) {
        m_doubleClicked.invalidate();
        const qsizetype line = m_document.lineOf(offsetAt(at));
        selectByMouse(m_document.lineStart(line), m_document.lineEnd(line));
        return;
    }
    // Only the press right after a double click is a third click.
    m_doubleClicked.invalidate();
    // A link opens on release, unless the press becomes a drag or a double click; editable,
    // only Ctrl+click opens it, and does not move the caret.
    const int link = linkAt(cellUnder(at));
    const bool control = event->modifiers() & Qt::ControlModifier;
    m_pressedLink = link >= 0 && (m_readOnly || control) ? link : -1;
    m_pressedAt = at;
    if (m_pressedLink >= 0 && !m_readOnly)
        return;
    setCaret(offsetAt(at), event->modifiers() & Qt::ShiftModifier);
}

void TextPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        hover(linkAt(cellUnder(event->position().toPoint())));
        return;
    }
    m_dragAt = event->position().toPoint();
    if ((m_dragAt - m_pressedAt).manhattanLength() >=
        QGuiApplication::styleHints()->startDragDistance())
        m_pressedLink = -1;
    setCaret(offsetAt(m_dragAt), true);
    // Held past an edge, the selection goes on growing that way while the pointer stays out.
    if (viewport()->rect().contains(m_dragAt))
        m_dragScroll.stop();
    else if (!m_dragScroll.isActive())
        m_dragScroll.start(50, this);
}

void TextPane::mouseReleaseEvent(QMouseEvent* event) {
    m_dragScroll.stop();
    if (event->button() == Qt::LeftButton) {
        publishSelection();
        const int link = m_pressedLink;
        m_pressedLink = -1;
        if (link >= 0 && linkAt(cellUnder(event->position().toPoint())) == link)
            Q_EMIT linkActivated(m_links[size_t(link)].entry);
    }
    event->accept();
}

void TextPane::dragScrollStep() {
    const QRect inside = viewport()->rect();
    if (inside.contains(m_dragAt)) {
        m_dragScroll.stop();
        return;
    }
    if (m_dragAt.y() < inside.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (m_dragAt.y() > inside.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (m_dragAt.x() < inside.left())
        scrollSideways(-1);
    else if (m_dragAt.x() > inside.right())
        scrollSideways(1);
    // The caret follows the pointer, held at the edge it is past.
    const QPoint edge(std::clamp(m_dragAt.x(), inside.left(), inside.right()),
                      std::clamp(m_dragAt.y(), inside.top(), inside.bottom()));
    setCaret(offsetAt(edge), true);
}

void TextPane::selectByMouse(qsizetype from, qsizetype to) {
    const qint64 left = m_leftColumn;
    const int top = firstVisibleRow();
    setCaret(from);
    setCaret(to, true);
    // Without a caret to show, the view does not run off to the end of what was selected.
    if (m_readOnly) {
        m_leftColumn = left;
        verticalScrollBar()->setValue(top);
    }
    publishSelection();
}

void TextPane::mouseDoubleClickEvent(QMouseEvent* event) {
    // Only the left button's double click counts, as on the system the program comes from.
    if (event->button() != Qt::LeftButton)
        return;
    m_pressedLink = -1;
    // The word of the cell under the pointer: the boundary at its left edge, not the nearest.
    const QPoint point = event->position().toPoint();
    const qsizetype at = offsetAt(point - QPoint(int(cell().width() / 2), 0));
    const qsizetype end = wordEnd(at);
    selectByMouse(end > at ? wordStart(end) : wordStart(at), end);
    m_doubleClicked.start();
    m_doubleClickAt = event->position().toPoint();
    Q_EMIT doubleClicked();
}

void TextPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool editable = !m_readOnly;
    const auto item = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                          auto run) {
        QAction* action = menu.addAction(text, this, run);
        action->setShortcut(QKeySequence(key));
        action->setEnabled(enabled);
    };
    item(tr("&Undo"), QKeySequence::Undo, editable && m_document.canUndo(), [this] { undo(); });
    item(tr("&Redo"), QKeySequence::Redo, editable && m_document.canRedo(), [this] { redo(); });
    menu.addSeparator();
    item(tr("Cu&t"), QKeySequence::Cut, editable && hasSelection(), [this] { cut(); });
    item(tr("&Copy"), QKeySequence::Copy, hasSelection(), [this] { copy(); });
    item(tr("&Paste"), QKeySequence::Paste,
         editable && !QGuiApplication::clipboard()->text().isEmpty(), [this] { paste(); });
    item(tr("Delete"), QKeySequence::Delete, editable && hasSelection(),
         [this] { replaceSelection({}); });
    menu.addSeparator();
    item(tr("Select All"), QKeySequence::SelectAll, m_document.size() > 0, [this] { selectAll(); });
    menu.exec(event->globalPos());
}

// ---- Drag and drop --------------------------------------------------------------------------

// Files dropped on the pane are for the window to open, not text to insert; the toolkit hands
// a drop the pane ignores on to the window.
static bool takesDrop(const QMimeData* data, bool readOnly) {
    return !readOnly && data && data->hasText() && droppedLocalFile(data).isEmpty();
}

void TextPane::dragEnterEvent(QDragEnterEvent* event) {
    if (takesDrop(event->mimeData(), m_readOnly))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextPane::dragMoveEvent(QDragMoveEvent* event) {
    if (takesDrop(event->mimeData(), m_readOnly))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextPane::dropEvent(QDropEvent* event) {
    if (!takesDrop(event->mimeData(), m_readOnly)) {
        event->ignore();
        return;
    }
    setCaret(offsetAt(event->position().toPoint()));
    replaceSelection(insertedBytes(event->mimeData()));
    event->acceptProposedAction();
}
