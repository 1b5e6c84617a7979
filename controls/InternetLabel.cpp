#include "InternetLabel.h"

#include "MessageBox.h"
#include "Shell.h"

#include <QMouseEvent>

TInternetLabel::TInternetLabel(QWidget* parent) : QLabel(parent) {
    m_mouseOver = false;
    m_linkHint = false;
    m_visited = false;
    m_visitedColor = QColor(0x80, 0x00, 0x80);    // clPurple
    m_notVisitedColor = QColor(0x00, 0x00, 0xFF); // clBlue
    m_overColor = QColor(0xFF, 0x00, 0x00);       // clRed
    setCursor(Qt::PointingHandCursor);
    setFontColor(m_notVisitedColor);
    QFont plain = font();
    plain.setBold(false);
    plain.setItalic(false);
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    setFont(plain);
    m_about = false;
}

void TInternetLabel::setAbout(bool about) {
    if (about)
        MessageBox::show(QString(), QStringLiteral("Internet Label 2.0"), MessageBox::Icon::None);
}

void TInternetLabel::setLink(const QByteArray& link) {
    m_link = link;
    if (m_linkHint)
        setToolTip(QString::fromLocal8Bit(link));
}

void TInternetLabel::setVisited(bool visited) {
    m_visited = visited;
    setFontColor(visited ? m_visitedColor : m_notVisitedColor);
}

void TInternetLabel::setVisitedColor(const QColor& color) {
    m_visitedColor = color;
    if (m_visited && !m_mouseOver)
        setFontColor(color);
}

void TInternetLabel::setNotVisitedColor(const QColor& color) {
    m_notVisitedColor = color;
    if (!m_visited && !m_mouseOver)
        setFontColor(color);
}

void TInternetLabel::setOverColor(const QColor& color) {
    m_overColor = color;
    if (m_mouseOver)
        setFontColor(color);
}

QColor TInternetLabel::fontColor() const {
    return palette().color(QPalette::WindowText);
}

void TInternetLabel::setFontColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void TInternetLabel::setUnderline(bool underline) {
    QFont f = font();
    f.setUnderline(underline);
    setFont(f);
}

bool TInternetLabel::CanActivateLink() {
    bool canActivate = !m_link.isEmpty();
    Q_EMIT linkActivating(this, canActivate);
    return canActivate;
}

void TInternetLabel::ActivateLink() {
    if (!CanActivateLink())
        return;
    setVisited(unsigned(Shell::execute(m_link)) > 32);
}

// The label's own enter and leave handling replaces the base label's: its events are raised
// after the colour and the underline have changed, and the notice goes no further.
void TInternetLabel::enterEvent(QEnterEvent*) {
    m_mouseOver = true;
    setFontColor(m_overColor);
    setUnderline(true);
    Q_EMIT mouseEntered();
}

void TInternetLabel::leaveEvent(QEvent*) {
    m_mouseOver = false;
    setUnderline(false);
    setFontColor(m_visited ? m_visitedColor : m_notVisitedColor);
    Q_EMIT mouseLeft();
}

void TInternetLabel::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void TInternetLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (!click)
        return;
    Q_EMIT clicked();
    ActivateLink();
}

// The label takes the mouse: a double click is its own click, never its panel's double click.
void TInternetLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
