#include "TextPane.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

// ---- Painting -------------------------------------------------------------------------------

namespace {

// The relative luminance and contrast ratio of the web's accessibility guidelines.
double luminance(const QColor& colour) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Links read clearly on any ground: their colour as given where it stands out 4.5 to 1 from the
// ground, else a lighter tone of it on a dark ground (a darker one on a light ground), no further
// from it than that takes.
QColor readable(const QColor& wanted, const QColor& ground) {
    constexpr double Enough = 4.5;
    if (contrast(wanted, ground) >= Enough)
        return wanted;
    const QColor toward = contrast(Qt::white, ground) >= contrast(Qt::black, ground)
                              ? QColor(Qt::white)
                              : QColor(Qt::black);
    const auto mixed = [&](double t) {
        return QColor::fromRgbF(float(wanted.redF() + t * (toward.redF() - wanted.redF())),
                                float(wanted.greenF() + t * (toward.greenF() - wanted.greenF())),
                                float(wanted.blueF() + t * (toward.blueF() - wanted.blueF())));
    };
    double low = 0, high = 1;
    for (int step = 0; step < 16; ++step) {
        const double t = (low + high) / 2;
        (contrast(mixed(t), ground) >= Enough ? high : low) = t;
    }
    return mixed(high);
}

} // namespace

void TextPane::paintEvent(QPaintEvent* event) {
    if (m_renderer.devicePixelRatio() != devicePixelRatioF()) {
        updateRenderer();
        relayout(true);
    }
    refineView();
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
    // The document's own colours: the art's where it has its own, else the palette's.
    const QColor text = m_ownColours ? m_ownColours->first : colours.color(QPalette::Text);
    const QColor marked = colours.color(QPalette::HighlightedText);
    const QColor ground = m_ownColours ? m_ownColours->second : colours.color(QPalette::Base);
    const QColor highlight = colours.color(QPalette::Highlight);
    const QColor linkColour = readable(m_linkColor, ground);
    const QColor found = QColor::fromRgbF(float((highlight.redF() + ground.redF()) / 2),
                                          float((highlight.greenF() + ground.greenF()) / 2),
                                          float((highlight.blueF() + ground.blueF()) / 2));

    for (qint64 r = rowFrom; r < rowTo && columnFrom < columnTo; ++r) {
        qsizetype line = 0;
        qint64 first = 0, next = -1;
        rowToLine(top + r, line, first, &next);
        // The columns of the line this part of the row shows: with wrap no further than where
        // the line's next row begins, the ground after them.
        const qint64 left = (m_wrap ? first : m_leftColumn) + columnFrom;
        const qint64 right = next >= 0 ? std::clamp(next, left, left + (columnTo - columnFrom))
                                       : left + (columnTo - columnFrom);
        const QPointF at(origin.x() + qreal(columnFrom) * size.width(),
                         origin.y() + qreal(r) * size.height());
        const QByteArrayView bytes = m_document.line(line);
        const qsizetype start = m_document.lineStart(line);
        const qsizetype end = m_document.lineEnd(line);
        const Cells::Mark mark = m_cells.atColumn(line, left);

        // The selected columns of this row, a break counting as one cell past the text.
        qint64 from = left, to = left;
        if (selStart < selEnd && selStart <= end && selEnd > start) {
            from = m_moves.columnOf(line, std::max(selStart, start) - start);
            to = m_moves.columnOf(line, std::min(selEnd, end) - start);
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
        // Columns in the colours art gives their cells (the document's own where it gives none),
        // but for the ink or the ground given.
        const auto inked = [&](qint64 a, qint64 b, const QColor* ink, const QColor* paper) {
            if (a >= b)
                return;
            if (m_colours.isEmpty()) {
                part(a, b, ink ? *ink : text, paper ? *paper : ground);
                return;
            }
            qint64 drawn = a;
            m_colours.forEachRun(
                start + m_moves.offsetOfColumn(line, a), start + m_moves.offsetOfColumn(line, b),
                [&](qsizetype from, qsizetype to, CellColours::Colour fg, CellColours::Colour bg) {
                    const qint64 c = std::max(a, m_moves.columnOf(line, from - start));
                    drawn = std::min(b, m_moves.columnOf(line, to - start));
                    part(c, drawn, ink ? *ink : cellColour(fg, text, ground),
                         paper ? *paper : cellColour(bg, text, ground));
                });
            // Past the line's end.
            part(drawn, b, ink ? *ink : text, paper ? *paper : ground);
        };
        // The links among these columns, found from the bytes they show; the selection is
        // drawn over them.
        qint64 plain = left;
        qint64 underlineFrom = 0, underlineTo = 0;
        const LinkSpans& links = this->links();
        if (!links.empty()) {
            const qsizetype shownTo = start + m_moves.offsetOfColumn(line, right);
            for (size_t i = firstLinkAfter(start + m_moves.offsetOfColumn(line, left));
                 i < links.size() && qsizetype(links[i].at) < shownTo; ++i) {
                const Link& link = links[i];
                const qint64 a = std::max(left, m_moves.columnOf(line, link.at - start));
                const qint64 b = std::min(
                    right, m_moves.columnOf(line, std::min<qsizetype>(link.at + link.length, end) -
                                                      start));
                inked(plain, a, nullptr, nullptr);
                inked(a, b, &linkColour, nullptr);
                plain = std::max(plain, b);
                if (int(i) == m_hoverLink)
                    underlineFrom = a, underlineTo = b;
            }
        }
        inked(plain, right, nullptr, nullptr);
        // What Find looks for, on a ground between the pane's and the selection's.
        if (m_search && !m_search->isEmpty()) {
            const qsizetype shownFrom = start + m_moves.offsetOfColumn(line, left);
            const qsizetype shownTo = start + m_moves.offsetOfColumn(line, right);
            m_search->forEach(
                m_document.bytes(), std::max(start, shownFrom - m_search->longest() + 1), shownTo,
                [&](qsizetype at, qsizetype length) {
                    const qint64 a = std::max(left, m_moves.columnOf(line, at - start));
                    const qint64 b =
                        std::min(right, m_moves.columnOf(line, std::min(at + length, end) - start));
                    inked(a, b, nullptr, &found);
                    return true;
                });
        }
        part(from, to, marked, highlight);
        if (right < left + (columnTo - columnFrom))
            painter.fillRect(QRectF(at.x() + qreal(right - left) * size.width(), at.y(),
                                    qreal(left + (columnTo - columnFrom) - right) * size.width(),
                                    size.height()),
                             ground);
        if (underlineFrom < underlineTo) {
            const qreal ratio = m_renderer.devicePixelRatio();
            const qreal thick = std::max(1.0, std::round(ratio)) / ratio;
            painter.fillRect(QRectF(at.x() + qreal(underlineFrom - left) * size.width(),
                                    at.y() + size.height() - thick,
                                    qreal(underlineTo - underlineFrom) * size.width(), thick),
                             linkColour);
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

// A link's address as the document writes it, read as the navigator reads its entries.
QString addressText(QByteArrayView bytes) {
    return CodePage::toDisplay(bytes, CodePage::Charset::Ansi);
}

} // namespace

void TextPane::setLinks(std::shared_ptr<const LinkSpans> links) {
    m_links = std::move(links);
    m_pressedLink = -1;
    hover(-1);
    viewport()->update();
}

void TextPane::setLinkColor(const QColor& color) {
    m_linkColor = color;
    viewport()->update();
}

void TextPane::setCellColours(CellColours colours, std::optional<std::pair<QColor, QColor>> own) {
    m_colours = std::move(colours);
    m_ownColours = std::move(own);
    viewport()->update();
}

void TextPane::setSearchHighlight(const std::optional<TextSearch>& search) {
    m_search = search;
    viewport()->update();
}

const LinkSpans& TextPane::links() const {
    static const LinkSpans none;
    return m_links ? *m_links : none;
}

QByteArray TextPane::linkAddress(int entry) const {
    const LinkSpans& all = links();
    if (entry < 0 || size_t(entry) >= all.size() || all[size_t(entry)].length == 0)
        return {};
    return m_document.bytes().sliced(all[size_t(entry)].at, all[size_t(entry)].length);
}

size_t TextPane::firstLinkAfter(qsizetype offset) const {
    const LinkSpans& all = links();
    return size_t(std::lower_bound(all.begin(), all.end(), offset,
                                   [](const Link& link, qsizetype at) {
                                       return qsizetype(link.at) + link.length <= at;
                                   }) -
                  all.begin());
}

int TextPane::linkAt(qsizetype offset) const {
    const LinkSpans& all = links();
    const size_t link = offset < 0 ? all.size() : firstLinkAfter(offset);
    return link < all.size() && all[link].at <= offset ? int(link) : -1;
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
            const Link& shown = links()[size_t(link)];
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
