#pragma once

#include <QFrame>
#include <QTimer>

#include <functional>

class QLabel;
class QPushButton;

// The window's font and colours for a widget over the pane, which would otherwise take the
// pane's (its terminal font, its ground and text) and keep following them.
void wearTheWindowsLook(QWidget* widget);

// A short notice over the pane's top right corner, where a reader looks: the window's caption
// is the marquee, so what the reader's tools have to say goes here. A notice with an action
// stays until it is taken or another notice replaces it; one without goes after a few seconds.
class PaneNotice : public QFrame {
    Q_OBJECT

public:
    explicit PaneNotice(QWidget* pane);

    void notify(const QString& text);
    void notify(const QString& text, const QString& action, std::function<void()> run);
    QString text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QLabel* m_text;
    QPushButton* m_action;
    std::function<void()> m_run;
    QTimer m_expiry;
};
