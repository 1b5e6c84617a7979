#pragma once

#include <QByteArray>
#include <QColor>
#include <QLabel>

// A text label that behaves as a hyperlink: not-visited colour at rest, the over colour and an
// underline while the pointer is on it, a click opens Link through the shell and the label then
// shows the visited colour when the shell reported success. The visited state lives only in the
// label. Properties set from a layout apply in the layout's order.
class TInternetLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool About READ About WRITE setAbout STORED false)
    Q_PROPERTY(QString Link READ linkText WRITE setLinkText)
    Q_PROPERTY(bool LinkHint READ LinkHint WRITE setLinkHint)
    Q_PROPERTY(bool Visited READ Visited WRITE setVisited)
    Q_PROPERTY(QColor VisitedColor READ VisitedColor WRITE setVisitedColor)
    Q_PROPERTY(QColor NotVisitedColor READ NotVisitedColor WRITE setNotVisitedColor)
    Q_PROPERTY(QColor OverColor READ OverColor WRITE setOverColor)

public:
    explicit TInternetLabel(QWidget* parent = nullptr);

    bool About() const { return m_about; }
    // Writing true shows "Internet Label 2.0"; the value read stays false.
    void setAbout(bool about);

    const QByteArray& Link() const { return m_link; }
    void setLink(const QByteArray& link);
    QString linkText() const { return QString::fromLocal8Bit(m_link); }
    void setLinkText(const QString& link) { setLink(link.toLocal8Bit()); }

    bool LinkHint() const { return m_linkHint; }
    void setLinkHint(bool linkHint) { m_linkHint = linkHint; }

    bool Visited() const { return m_visited; }
    void setVisited(bool visited);

    QColor VisitedColor() const { return m_visitedColor; }
    void setVisitedColor(const QColor& color);
    QColor NotVisitedColor() const { return m_notVisitedColor; }
    void setNotVisitedColor(const QColor& color);
    QColor OverColor() const { return m_overColor; }
    void setOverColor(const QColor& color);

    bool MouseOver() const { return m_mouseOver; }
    QColor fontColor() const;

Q_SIGNALS:
    void clicked();      // OnClick, before the link opens
    void mouseEntered(); // OnMouseEnter
    void mouseLeft();    // OnMouseLeave
    void linkActivating(TInternetLabel* sender, bool& canActivate); // OnLinkActivating

protected:
    // Whether the link may open: it must not be empty, and OnLinkActivating may decide.
    virtual bool CanActivateLink();
    void ActivateLink();

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void setFontColor(const QColor& color);
    void setUnderline(bool underline);

    bool m_about = false;
    bool m_mouseOver = false;
    QByteArray m_link;
    bool m_linkHint = false;
    bool m_visited = false;
    QColor m_visitedColor;
    QColor m_notVisitedColor;
    QColor m_overColor;
    bool m_pressed = false;
};
