#include "Dock.h"

#include <QEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace Dock {
namespace {

struct Child {
    QPointer<QWidget> widget;
    Align align = Align::None;
    bool left = true, top = true, right = false, bottom = false;
    QRect design;  // relative to the parent's widget rectangle
    QSize own;     // the size the child keeps across its edge; someone else's resize changes it
    int order = 0; // position along its edge in the layout, nearest the edge first
};

Align parseAlign(const QString& text) {
    const QString a = text.trimmed().toLower();
    if (a == u"top")
        return Align::Top;
    if (a == u"bottom")
        return Align::Bottom;
    if (a == u"left")
        return Align::Left;
    if (a == u"right")
        return Align::Right;
    if (a == u"client")
        return Align::Client;
    return Align::None;
}

class Manager : public QObject {
public:
    explicit Manager(QWidget* parent) : QObject(parent), m_parent(parent) {
        setObjectName(QStringLiteral("Dock::Manager"));
        m_designSize = parent->size();
        parent->installEventFilter(this);
    }

    void add(QWidget* widget) {
        std::erase_if(m_children, [widget](const Child& c) { return c.widget == widget; });
        Child c;
        c.widget = widget;
        c.align = alignmentOf(widget);
        const QVariant anchors = widget->property("anchors");
        if (anchors.isValid()) {
            const QStringList sides = anchors.toString().toLower().split(u',', Qt::SkipEmptyParts);
            auto has = [&sides](const char16_t* side) {
                return std::any_of(sides.begin(), sides.end(), [side](const QString& s) {
                    return s.trimmed() == QStringView(side);
                });
            };
            c.left = has(u"left");
            c.top = has(u"top");
            c.right = has(u"right");
            c.bottom = has(u"bottom");
        }
        c.design = widget->geometry();
        c.own = c.design.size();
        switch (c.align) {
        case Align::Bottom:
            c.order = -c.design.bottom();
            break;
        case Align::Right:
            c.order = -c.design.right();
            break;
        case Align::Left:
            c.order = c.design.left();
            break;
        default:
            c.order = c.design.top();
        }
        m_children.push_back(c);
        widget->installEventFilter(this);
        std::stable_sort(m_children.begin(), m_children.end(),
                         [](const Child& a, const Child& b) { return a.order < b.order; });
    }

    void setAlign(QWidget* widget, const QString& align) {
        for (Child& c : m_children) {
            if (c.widget == widget) {
                c.align = parseAlign(align);
                relayout();
                return;
            }
        }
        add(widget);
        relayout();
    }

    void relayout() {
        if (m_busy)
            return;
        m_busy = true;
        const QRect area = m_parent->contentsRect();
        const QSize growth = m_parent->size() - m_designSize;
        QRect rest = area;
        for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
            for (Child& c : m_children) {
                if (c.widget && c.align == pass && !c.widget->isHidden())
                    dock(c, rest, growth);
            }
        }
        for (Child& c : m_children) {
            if (c.widget && c.align == Align::None)
                anchor(c);
        }
        m_busy = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == m_parent) {
            if (type == QEvent::Resize || type == QEvent::Show)
                relayout();
        } else if (type == QEvent::Resize && !m_busy) {
            // Resized from outside (a splitter, say): that is its new size along its edge.
            for (Child& c : m_children) {
                if (c.widget == watched)
                    c.own = c.widget->size();
            }
            relayout();
        } else if (type == QEvent::ShowToParent || type == QEvent::HideToParent) {
            relayout();
        }
        return false;
    }

private:
    // A docked child keeps its own thickness across its edge; anchored to both sides along
    // that axis, it grows with its parent instead.
    void dock(Child& c, QRect& rest, QSize growth) {
        QWidget* w = c.widget;
        int height = c.own.height();
        int width = c.own.width();
        if (c.top && c.bottom && (c.align == Align::Top || c.align == Align::Bottom))
            height = std::max(0, c.design.height() + growth.height());
        if (c.left && c.right && (c.align == Align::Left || c.align == Align::Right))
            width = std::max(0, c.design.width() + growth.width());
        height = std::min(height, std::max(0, rest.height()));
        width = std::min(width, std::max(0, rest.width()));
        QRect r;
        switch (c.align) {
        case Align::Top:
            r = QRect(rest.left(), rest.top(), rest.width(), height);
            rest.setTop(rest.top() + height);
            break;
        case Align::Bottom:
            r = QRect(rest.left(), rest.bottom() + 1 - height, rest.width(), height);
            rest.setBottom(rest.bottom() - height);
            break;
        case Align::Left:
            r = QRect(rest.left(), rest.top(), width, rest.height());
            rest.setLeft(rest.left() + width);
            break;
        case Align::Right:
            r = QRect(rest.right() + 1 - width, rest.top(), width, rest.height());
            rest.setRight(rest.right() - width);
            break;
        default:
            r = QRect(rest.topLeft(), QSize(std::max(0, rest.width()), std::max(0, rest.height())));
        }
        if (w->geometry() != r)
            w->setGeometry(r);
    }

    static void place(int designStart, int designLength, int designParent, int parent,
                      bool nearSide, bool farSide, int& start, int& length) {
        length = designLength;
        start = designStart;
        if (nearSide && farSide) {
            length = std::max(0, designLength + parent - designParent);
        } else if (farSide) {
            start = designStart + parent - designParent;
        } else if (!nearSide && designParent > 0) {
            // Neither side: the centre stays at the same fraction of the parent.
            const double centre = (designStart + designLength / 2.0) / designParent;
            start = int(centre * parent - designLength / 2.0);
        }
    }

    void anchor(Child& c) {
        int x, y, w, h;
        place(c.design.x(), c.design.width(), m_designSize.width(), m_parent->width(), c.left,
              c.right, x, w);
        place(c.design.y(), c.design.height(), m_designSize.height(), m_parent->height(), c.top,
              c.bottom, y, h);
        const QRect r(x, y, w, h);
        if (c.widget->geometry() != r)
            c.widget->setGeometry(r);
    }

    QWidget* m_parent;
    QSize m_designSize;
    std::vector<Child> m_children;
    bool m_busy = false;
};

Manager* existingManager(QWidget* parent) {
    QObject* child =
        parent->findChild<QObject*>(QStringLiteral("Dock::Manager"), Qt::FindDirectChildrenOnly);
    return dynamic_cast<Manager*>(child);
}

Manager* managerOf(QWidget* parent) {
    Manager* m = existingManager(parent);
    return m ? m : new Manager(parent);
}

} // namespace

Align alignmentOf(const QWidget* widget) {
    return parseAlign(widget->property("align").toString());
}

void install(QWidget* root) {
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    std::vector<Manager*> managers;
    for (QWidget* w : all) {
        if (!w->property("align").isValid() && !w->property("anchors").isValid())
            continue;
        if (QWidget* parent = w->parentWidget()) {
            Manager* m = managerOf(parent);
            m->add(w);
            if (std::find(managers.begin(), managers.end(), m) == managers.end())
                managers.push_back(m);
        }
    }
    for (Manager* m : managers)
        m->relayout();
}

void setAlign(QWidget* widget, const QString& align) {
    widget->setProperty("align", align);
    if (QWidget* parent = widget->parentWidget())
        managerOf(parent)->setAlign(widget, align);
}

void relayout(QWidget* parent) {
    if (Manager* m = existingManager(parent))
        m->relayout();
}

} // namespace Dock
