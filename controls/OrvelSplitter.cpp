#include "OrvelSplitter.h"

#include "Dock.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

// The drag line: a widget over the parent that inverts what lies under it, solid or dotted.
// Showing it twice at the same place is a toggle, as an XOR line is.
class SplitLine : public QWidget {
public:
    SplitLine(QWidget* parent, bool dotted) : QWidget(parent), m_dotted(dotted) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("SplitLine"));
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        if (!m_dotted) {
            painter.fillRect(rect(), Qt::white);
            return;
        }
        // Pixels whose column and row have the same parity are inverted: a dotted line.
        for (int y = 0; y < height(); ++y) {
            for (int x = y % 2; x < width(); x += 2)
                painter.fillRect(x, y, 1, 1, Qt::white);
        }
    }

private:
    bool m_dotted;
};

TOrvelSplitter::TOrvelSplitter(QWidget* parent) : QWidget(parent) {
    AutoSnap = true;
    // Docked left until a layout or setAlign says otherwise; the docking layer takes it up when
    // it is installed over the parent.
    setProperty("align", QStringLiteral("left"));
    resize(3, height());
    setCursor(Qt::SplitHCursor);
    MinSize = 1;
    ResizeStyle = rsPattern;
    m_appliedSize = -1;
}

TOrvelSplitter::~TOrvelSplitter() {
    delete m_line;
}

void TOrvelSplitter::setBeveled(bool beveled) {
    m_beveled = beveled;
    update();
}

QString TOrvelSplitter::Align() const {
    return property("align").toString();
}

void TOrvelSplitter::setAlign(const QString& align) {
    Dock::setAlign(this, align);
    const Qt::CursorShape shape = cursor().shape();
    if (shape == Qt::SplitHCursor || shape == Qt::SplitVCursor) {
        const Dock::Align s = side();
        setCursor(s == Dock::Align::Top || s == Dock::Align::Bottom ? Qt::SplitVCursor
                                                                    : Qt::SplitHCursor);
    }
}

QWidget* TOrvelSplitter::FindResizedControl() const {
    QWidget* parent = parentWidget();
    if (!parent)
        return nullptr;
    QPoint p = pos();
    switch (side()) {
    case Dock::Align::Left:
        p.rx() -= 1;
        break;
    case Dock::Align::Right:
        p.rx() += width();
        break;
    case Dock::Align::Top:
        p.ry() -= 1;
        break;
    case Dock::Align::Bottom:
        p.ry() += height();
        break;
    case Dock::Align::None:
    case Dock::Align::Client:
        return nullptr;
    }
    const bool widenBefore = side() == Dock::Align::Top || side() == Dock::Align::Left;
    for (QObject* object : parent->children()) {
        auto* w = qobject_cast<QWidget*>(object);
        if (!w || w == this || w == m_line || w->isHidden() || !w->isEnabled() || w->isWindow())
            continue;
        QRect r = w->geometry();
        int left = r.left(), top = r.top(), right = r.left() + r.width(),
            bottom = r.top() + r.height();
        // A neighbour snapped shut is widened by a pixel, so that it can be dragged open.
        if (r.width() == 0)
            (widenBefore ? left : right) += widenBefore ? -1 : 1;
        if (r.height() == 0)
            (widenBefore ? top : bottom) += widenBefore ? -1 : 1;
        if (left <= p.x() && p.x() < right && top <= p.y() && p.y() < bottom)
            return w;
    }
    return nullptr;
}

void TOrvelSplitter::ComputeSplit(QPoint position, int& newSize, int& offset) const {
    const Dock::Align s = side();
    offset = (s == Dock::Align::Left || s == Dock::Align::Right) ? position.x() - m_dragOrigin.x()
                                                                 : position.y() - m_dragOrigin.y();
    int raw = 0;
    switch (s) {
    case Dock::Align::Left:
        raw = m_resized->width() + offset;
        break;
    case Dock::Align::Right:
        raw = m_resized->width() - offset;
        break;
    case Dock::Align::Top:
        raw = m_resized->height() + offset;
        break;
    case Dock::Align::Bottom:
        raw = m_resized->height() - offset;
        break;
    case Dock::Align::None:
    case Dock::Align::Client:
        break;
    }
    newSize = std::max(raw, MinSize);
    if (newSize != raw) {
        // The line stands where the clamped edge will be.
        if (s == Dock::Align::Right || s == Dock::Align::Bottom)
            offset += raw - newSize;
        else
            offset += newSize - raw;
    }
}

void TOrvelSplitter::UpdateSplit(QPoint position) {
    ComputeSplit(position, m_pendingSize, m_splitOffset);
}

bool TOrvelSplitter::AskCanResize(int& newSize) {
    bool accept = true;
    Q_EMIT canResize(this, newSize, accept);
    return accept;
}

bool TOrvelSplitter::CheckNewSize(int& newSize) {
    const bool accepted = AskCanResize(newSize);
    if (accepted && newSize <= MinSize && AutoSnap)
        newSize = 0;
    return accepted;
}

void TOrvelSplitter::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_resized = FindResizedControl();
    m_dragOrigin = event->position().toPoint();
    if (!m_resized)
        return;
    UpdateSplit(m_dragOrigin);
    OpenLineSurface();
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == window()) {
        m_focused = focused;
        focused->installEventFilter(this);
    }
    if (ResizeStyle == rsLine || ResizeStyle == rsPattern)
        ToggleLine();
}

void TOrvelSplitter::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!(event->buttons() & Qt::LeftButton) || !m_resized)
        return;
    int newSize = 0;
    int offset = 0;
    ComputeSplit(event->position().toPoint(), newSize, offset);
    if (!CheckNewSize(newSize))
        return;
    const bool line = ResizeStyle == rsLine || ResizeStyle == rsPattern;
    if (line)
        ToggleLine();
    m_pendingSize = newSize;
    m_splitOffset = offset;
    if (ResizeStyle == rsUpdate)
        ApplyNewSize();
    if (line)
        ToggleLine();
}

void TOrvelSplitter::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (!m_resized)
        return;
    if (ResizeStyle == rsLine || ResizeStyle == rsPattern)
        ToggleLine();
    ApplyNewSize();
    StopResizing();
}

void TOrvelSplitter::ApplyNewSize() {
    if (m_pendingSize == m_appliedSize || !m_resized)
        return;
    switch (side()) {
    case Dock::Align::Left:
    case Dock::Align::Right:
        m_resized->resize(m_pendingSize, m_resized->height());
        break;
    case Dock::Align::Top:
    case Dock::Align::Bottom:
        m_resized->resize(m_resized->width(), m_pendingSize);
        break;
    case Dock::Align::None:
    case Dock::Align::Client:
        break;
    }
    // Docked widgets take their places at once, so the neighbour's far edge stays put.
    if (parentWidget())
        Dock::relayout(parentWidget());
    Q_EMIT moved(this);
    m_appliedSize = m_pendingSize;
}

void TOrvelSplitter::StopResizing() {
    if (m_resized) {
        if (m_lineShown)
            ToggleLine();
        m_resized = nullptr;
        CloseLineSurface();
        if (m_focused) {
            m_focused->removeEventFilter(this);
            m_focused = nullptr;
        }
    }
    Q_EMIT moved(this);
}

bool TOrvelSplitter::eventFilter(QObject* watched, QEvent* event) {
    // The focused widget's key handling is borrowed during a drag: Escape ends the drag.
    if (watched == m_focused && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        StopResizing();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TOrvelSplitter::OpenLineSurface() {
    if (!parentWidget())
        return;
    delete m_line;
    m_line = new SplitLine(parentWidget(), ResizeStyle == rsPattern);
}

void TOrvelSplitter::CloseLineSurface() {
    delete m_line;
    m_line = nullptr;
}

QRect TOrvelSplitter::lineRect() const {
    return m_lineShown && m_line ? m_line->geometry() : QRect();
}

void TOrvelSplitter::ToggleLine() {
    m_lineShown = !m_lineShown;
    if (!m_line)
        return;
    QPoint at = pos();
    if (side() == Dock::Align::Left || side() == Dock::Align::Right)
        at.setX(x() + m_splitOffset);
    else
        at.setY(y() + m_splitOffset);
    if (m_lineShown) {
        m_line->setGeometry(QRect(at, size()));
        m_line->show();
        m_line->raise();
    } else {
        m_line->hide();
    }
}

void TOrvelSplitter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Color.isValid() ? Color : palette().color(QPalette::Button));
    if (m_beveled) {
        QRect r = rect();
        if (side() == Dock::Align::Left || side() == Dock::Align::Right)
            r.adjust(1, -2, -1, 2);
        else
            r.adjust(-2, 1, 2, -1);
        r.translate(1, 1);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        r.translate(-2, -2);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
    Q_EMIT painted(this);
}
