#include "PaneNotice.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int ShownFor = 3000; // milliseconds

} // namespace

void wearTheWindowsLook(QWidget* widget) {
    widget->setFont(QApplication::font());
    // Every colour set on it, so that none of them is the pane's by inheritance.
    QPalette palette = QApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group)
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            palette.setBrush(QPalette::ColorGroup(group), QPalette::ColorRole(role),
                             palette.brush(QPalette::ColorGroup(group), QPalette::ColorRole(role)));
    widget->setPalette(palette);
}

PaneNotice::PaneNotice(QWidget* pane) : QFrame(pane) {
    setObjectName(QStringLiteral("PaneNotice"));
    wearTheWindowsLook(this);
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    m_text = new QLabel(this);
    m_text->setForegroundRole(QPalette::ToolTipText);
    m_action = new QPushButton(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    layout->addWidget(m_text);
    layout->addWidget(m_action);
    connect(m_action, &QPushButton::clicked, this, [this] {
        hide();
        if (const auto run = std::move(m_run))
            run();
    });
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &QWidget::hide);
    pane->installEventFilter(this);
    hide();
}

void PaneNotice::notify(const QString& text) {
    notify(text, {}, {});
}

void PaneNotice::notify(const QString& text, const QString& action, std::function<void()> run) {
    m_text->setText(text);
    m_action->setText(action);
    m_action->setVisible(!action.isEmpty());
    m_run = std::move(run);
    if (action.isEmpty())
        m_expiry.start(ShownFor);
    else
        m_expiry.stop();
    adjustSize();
    place();
    show();
    raise();
}

QString PaneNotice::text() const {
    return isVisible() ? m_text->text() : QString();
}

void PaneNotice::place() {
    // Clear of the pane's scroll bar, a cell's height below its top.
    const int right = parentWidget()->width() - 24;
    move(std::max(0, right - width()), 8);
}

bool PaneNotice::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QFrame::eventFilter(watched, event);
}
