#include "TextPane.h"
#include "FileNames.h"
#include "Hints.h"
#include "TextPaneAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QScrollBar>
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

// The rows a line of width cells takes up wrapped at columns. Most lines take one row or two: a
// division per line cost more than the rest of a layout.
qint64 rowsFor(qint64 width, qint64 columns) {
    return width <= columns ? 1 : width <= 2 * columns ? 2 : (width + columns - 1) / columns;
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

void TextPane::setBytes(const QByteArray& bytes, CodePage::Charset charset,
                        std::vector<quint32> starts) {
    const std::optional<QString> before = toldText();
    m_charset = charset;
    if (starts.empty())
        m_document.setBytes(bytes);
    else
        m_document.setBytes(bytes, std::move(starts));
    m_cells.reset(&m_document, charset);
    m_startsLine = -1;
    m_shown.reset(&m_document, charset);
    forgetOddWidths();
    m_caret = m_anchor = 0;
    m_leftColumn = 0;
    m_goalColumn = -1;
    m_links.reset();
    m_colours = {};
    m_ownColours.reset();
    m_pressedLink = -1;
    hover(-1);
    relayout(true);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    announceText(before);
    Q_EMIT contentsChanged(-1, 0, 0);
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
    m_startsLine = -1;
    forgetOddWidths();
    // Bytes the new script joins into one cell take in the caret and selection ends.
    m_anchor = m_moves.cellBoundary(m_anchor);
    m_caret = m_moves.cellBoundary(m_caret);
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

int TextPane::widthForColumns(qint64 columns) const {
    return int(std::ceil(textOrigin().x() + qreal(columns) * cell().width()));
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

qsizetype TextPane::topLine() const {
    qsizetype line = 0;
    qint64 first = 0;
    rowToLine(std::min<qint64>(firstVisibleRow(), std::max<qint64>(0, rowCount() - 1)), line,
              first);
    return line;
}

void TextPane::scrollToLine(qsizetype line) {
    line = std::clamp<qsizetype>(line, 0, m_document.lineCount() - 1);
    if (m_provisionalLeft > 0)
        refineLines(0, line);
    verticalScrollBar()->setValue(int(std::min<qint64>(INT_MAX, firstRowOf(line))));
}

void TextPane::rowToLine(qint64 row, qsizetype& line, qint64& firstColumn, qint64* nextRow) const {
    // The rows as last laid out: while wrap is switched, relayout still reads the old ones.
    if (nextRow)
        *nextRow = -1;
    if (m_rowsWrappedAt == 0) {
        line = qsizetype(row);
        firstColumn = 0;
        return;
    }
    qint64 rowInLine = 0;
    line = m_rows.lineOf(row, rowInLine);
    // A new document is laid out from where the old one's rows put the top.
    line = std::min(line, m_document.lineCount() - 1);
    const bool last = rowInLine + 1 >= m_rows.rowsOf(line);
    if (wrapsAtEdge(line)) {
        firstColumn = rowInLine * m_rowsWrappedAt;
        if (nextRow && !last)
            *nextRow = firstColumn + m_rowsWrappedAt;
        return;
    }
    const std::vector<qint64>& starts = rowStartsOf(line);
    const size_t at = std::min(size_t(rowInLine), starts.size() - 1);
    firstColumn = starts[at];
    if (nextRow && at + 1 < starts.size())
        *nextRow = starts[at + 1];
}

bool TextPane::wrapsAtEdge(qsizetype line) const {
    return (size_t(line) < m_provisional.size() && m_provisional[size_t(line)]) ||
           m_document.lineEnd(line) - m_document.lineStart(line) > CellIndex::LongLine;
}

qint64 TextPane::wrappedRows(qsizetype line, qint64 width) const {
    if (width <= m_rowsWrappedAt)
        return 1;
    if (m_document.lineEnd(line) - m_document.lineStart(line) > CellIndex::LongLine)
        return rowsFor(width, m_rowsWrappedAt);
    return WordWrap::rows(m_document.line(line), m_charset, width, m_rowsWrappedAt);
}

const std::vector<qint64>& TextPane::rowStartsOf(qsizetype line) const {
    if (line != m_startsLine) {
        m_starts = WordWrap::rowStarts(m_document.line(line), m_charset, m_cells.columns(line),
                                       m_rowsWrappedAt);
        m_startsLine = line;
    }
    return m_starts;
}

qint64 TextPane::firstRowOf(qsizetype line) const {
    return m_rowsWrappedAt == 0 ? line : m_rows.firstRowOf(line);
}

TextPane::Place TextPane::placeOf(qsizetype offset) const {
    const qsizetype line = m_document.lineOf(offset);
    const qint64 column = m_moves.columnOf(line, offset - m_document.lineStart(line));
    if (!m_wrap)
        return {line, column};
    const qint64 columns = m_rowsWrappedAt;
    if (m_rows.rowsOf(line) == 1)
        return {firstRowOf(line), std::min(column, columns)};
    if (wrapsAtEdge(line)) {
        qint64 row = column / columns;
        // The end of a line that fills its last row exactly stays at the end of that row.
        if (row > 0 && column % columns == 0 && offset == m_document.lineEnd(line))
            --row;
        return {firstRowOf(line) + row, column - row * columns};
    }
    // The row whose start is the last at or before the column; blanks that hang past its edge
    // put the caret at the edge.
    const std::vector<qint64>& starts = rowStartsOf(line);
    const qint64 row =
        qint64(std::upper_bound(starts.begin(), starts.end(), column) - starts.begin()) - 1;
    return {firstRowOf(line) + row, std::min(column - starts[size_t(row)], columns)};
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
    qint64 first = 0, next = -1;
    rowToLine(row, line, first, &next);
    qint64 column = first + (m_wrap ? 0 : m_leftColumn) +
                    std::max<qint64>(0, std::lround((point.x() - origin.x()) / cell().width()));
    if (m_wrap)
        column = std::min(column, next >= 0 ? next : first + m_rowsWrappedAt);
    return m_document.lineStart(line) + m_moves.offsetOfColumn(line, column);
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
    qint64 first = 0, next = -1;
    rowToLine(row, line, first, &next);
    const qint64 column = first + across + (m_wrap ? 0 : m_leftColumn);
    if (column >= m_cells.columns(line) || (next >= 0 && column >= next))
        return -1;
    // The cell the column lies in, also when it is inside a tab's run.
    const qsizetype start = m_document.lineStart(line);
    qsizetype within = m_moves.offsetOfColumn(line, column);
    if (within >= m_document.lineEnd(line) - start || m_moves.columnOf(line, within) > column)
        within = m_moves.previousCell(start + within) - start;
    return start + within;
}

void TextPane::forgetOddWidths() {
    m_oddWidths = {};
    m_oddWidthsKnown = false;
}

// ---- Layout ---------------------------------------------------------------------------------

void TextPane::setNinthColumn(bool ninth) {
    if (ninth == m_ninth)
        return;
    m_ninth = ninth;
    updateRenderer();
    relayout(true);
    viewport()->update();
}

void TextPane::setTallPixels(bool tall) {
    if (tall == m_tall)
        return;
    m_tall = tall;
    updateRenderer();
    relayout(true);
    viewport()->update();
}

void TextPane::updateRenderer() {
    m_renderer.setNinthColumn(m_ninth);
    m_renderer.setTallPixels(m_tall);
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
        m_provisional = {};
        m_provisionalLeft = 0;
        m_refine.stop();
        forgetOddWidths();
    } else if (force || m_rowsWrappedAt != columnsInView()) {
        // Rows come from each line's width alone: arithmetic over the index, no text layout.
        const qint64 columns = columnsInView();
        const qsizetype lines = m_document.lineCount();
        m_rows.clear();
        m_rows.reserve(lines);
        m_rowsWrappedAt = columns;
        m_startsLine = -1;
        m_provisional.assign(size_t(lines), false);
        m_provisionalLeft = 0;
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
            if (width > columns && length <= CellIndex::LongLine) {
                m_provisional[size_t(line)] = true;
                ++m_provisionalLeft;
                m_rows.append(rowsFor(width, columns));
            } else {
                m_rows.append(wrappedRows(line, width));
            }
        }
        m_oddWidthsKnown = true;
        m_refineNext = 0;
        if (m_provisionalLeft > 0)
            m_refine.start(0, this);
    }
    updateScrollBar();
    if (m_wrap) {
        verticalScrollBar()->setValue(int(std::min<qint64>(INT_MAX, firstRowOf(topLine))));
        refineView();
    } else {
        verticalScrollBar()->setValue(int(topLine));
    }
}

template <typename Change> void TextPane::keepingTop(Change&& change) {
    qint64 rowInTop = 0;
    const qsizetype top = m_rows.lineOf(firstVisibleRow(), rowInTop);
    change();
    m_startsLine = -1;
    updateScrollBar();
    verticalScrollBar()->setValue(int(
        std::min<qint64>(INT_MAX, firstRowOf(top) + std::min(rowInTop, m_rows.rowsOf(top) - 1))));
}

void TextPane::refineLines(qsizetype first, qsizetype last) {
    std::vector<qint64> rows;
    rows.reserve(size_t(last - first + 1));
    bool changed = false;
    for (qsizetype line = first; line <= last; ++line) {
        if (m_provisional[size_t(line)]) {
            m_provisional[size_t(line)] = false;
            --m_provisionalLeft;
            const qint64 exact = wrappedRows(line, m_cells.columns(line));
            changed = changed || exact != m_rows.rowsOf(line);
            rows.push_back(exact);
        } else {
            rows.push_back(m_rows.rowsOf(line));
        }
    }
    if (changed)
        m_rows.replace(first, last - first + 1, rows);
}

void TextPane::refineView() {
    // A line's word wrap can take fewer rows than its wrap at the edge (blanks hang past the
    // edge), bringing more lines into view: until every line in view is laid out.
    while (m_provisionalLeft > 0) {
        qint64 rowInTop = 0;
        const qsizetype top = m_rows.lineOf(firstVisibleRow(), rowInTop);
        qsizetype last = top;
        bool any = false;
        for (qint64 rows = -rowInTop; last < m_rows.lineCount() && rows <= visibleRows();
             rows += m_rows.rowsOf(last++))
            any = any || m_provisional[size_t(last)];
        if (!any)
            return;
        keepingTop([&] { refineLines(top, last - 1); });
    }
}

void TextPane::refineSlice() {
    // A few milliseconds at a time, so that keys and paints come between the slices.
    QElapsedTimer spent;
    spent.start();
    keepingTop([&] {
        const qsizetype lines = m_rows.lineCount();
        while (m_refineNext < lines && !spent.hasExpired(3)) {
            const qsizetype last = std::min<qsizetype>(lines, m_refineNext + 4096) - 1;
            refineLines(m_refineNext, last);
            m_refineNext = last + 1;
        }
    });
    if (m_refineNext >= m_rows.lineCount() || m_provisionalLeft == 0)
        m_refine.stop();
}

void TextPane::updateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    const int rows = visibleRows();
    bar->setRange(0, int(std::clamp<qint64>(rowCount() - rows, 0, INT_MAX)));
    bar->setPageStep(rows);
    bar->setSingleStep(1);
}

void TextPane::ensureVisible(qsizetype offset) {
    if (m_provisionalLeft > 0) {
        const qsizetype line = m_document.lineOf(offset);
        keepingTop([&] { refineLines(line, line); });
    }
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

void TextPane::edited(qsizetype caret) {
    const TextDocument::Change& change = m_document.lastChange();
    m_startsLine = -1;
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
            rows.push_back(wrappedRows(line, width));
        }
        m_oddWidths.insert(m_oddWidths.erase(from, to), made.begin(), made.end());
        // The lines the edit made are laid out whole; the provisional marks of later lines move.
        const auto gone = m_provisional.begin() + change.line;
        m_provisionalLeft -= std::count(gone, gone + change.removedBreaks + 1, true);
        if (change.insertedBreaks == change.removedBreaks)
            std::fill(gone, gone + change.removedBreaks + 1, false);
        else
            m_provisional.insert(m_provisional.erase(gone, gone + change.removedBreaks + 1),
                                 size_t(change.insertedBreaks + 1), false);
        if (m_refineNext > change.line + change.removedBreaks)
            m_refineNext += change.insertedBreaks - change.removedBreaks;
        else
            m_refineNext = std::min(m_refineNext, change.line);
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
    if (!links().empty()) {
        // Shared with the navigator, the list is copied before it changes.
        std::shared_ptr<LinkSpans> mine = m_links.use_count() > 1
                                              ? std::make_shared<LinkSpans>(*m_links)
                                              : std::const_pointer_cast<LinkSpans>(m_links);
        const qsizetype end = change.at + change.removed;
        const auto first = mine->begin() + qsizetype(firstLinkAfter(change.at));
        auto last = first;
        while (last != mine->end() && qsizetype(last->at) < end)
            ++last;
        for (auto it = first; it != last; ++it)
            *it = {quint32(change.at), 0};
        const qsizetype moved = change.inserted - change.removed;
        for (auto it = last; it != mine->end(); ++it)
            it->at = quint32(it->at + moved);
        m_links = std::move(mine);
        m_hoverLink = -1;
        m_pressedLink = -1;
    }
    announceEdit(change);
    Q_EMIT contentsChanged(change.at, change.removed, change.inserted);
    setCaret(caret);
}
