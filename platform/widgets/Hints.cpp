#include "Hints.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QVariant>
#include <QWidget>

namespace Hints {
namespace {

const char* const OwnTips = "zelvanOwnTips";

class Filter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType() ||
            watched->property(OwnTips).toBool())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        QString text = enabledFor(widget) ? textFor(widget) : QString();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // hints break lines with CR LF
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, widget);
        return true;
    }
};

} // namespace

void install() {
    static Filter* filter = nullptr;
    if (!filter) {
        filter = new Filter;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
    }
}

void leaveToWidget(QWidget* widget) {
    widget->setProperty(OwnTips, true);
}

bool enabledFor(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant own = w->property("showHint");
        if (own.isValid())
            return own.toBool();
        if (w->isWindow())
            break;
    }
    return false;
}

QString textFor(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (!w->toolTip().isEmpty())
            return w->toolTip();
        if (w->isWindow())
            break;
    }
    return {};
}

} // namespace Hints
