#include "MenuBar.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyleOptionMenuItem>

namespace {

QKeySequence accessKeyOf(QChar character) {
    return QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(character.toUpper().unicode())));
}

bool isPlainOrAlt(Qt::KeyboardModifiers modifiers) {
    return !(modifiers & (Qt::ControlModifier | Qt::MetaModifier));
}

} // namespace

MenuBar::MenuBar(QWidget* parent) : QMenuBar(parent) {}

QList<QAction*> MenuBar::usableItems() const {
    QList<QAction*> items;
    for (QAction* item : actions()) {
        if (item->isVisible() && item->isEnabled() && !item->isSeparator() &&
            !actionGeometry(item).isEmpty())
            items.append(item);
    }
    return items;
}

QList<QAction*> MenuBar::itemsWithKey(const QKeySequence& key) const {
    QList<QAction*> items = usableItems();
    items.removeIf([&](QAction* item) { return QKeySequence::mnemonic(item->text()) != key; });
    return items;
}

bool MenuBar::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->isAmbiguous()) {
            const QList<QAction*> items = itemsWithKey(shortcut->key());
            if (items.size() == 1)
                act(items.first());
            else if (!items.isEmpty())
                stepThrough(items, 1);
            return true;
        }
    } else if (event->type() == QEvent::ShortcutOverride && m_keyboardItem) {
        // While an item is highlighted, keys without Ctrl belong to the bar, as in a menu.
        auto* key = static_cast<QKeyEvent*>(event);
        if (isPlainOrAlt(key->modifiers())) {
            event->accept();
            return true;
        }
    }
    return QMenuBar::event(event);
}

void MenuBar::keyPressEvent(QKeyEvent* event) {
    if (!m_keyboardItem) {
        QMenuBar::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        endHighlight();
        return;
    case Qt::Key_Left:
        stepThrough(usableItems(), -1);
        return;
    case Qt::Key_Right:
        stepThrough(usableItems(), 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Up:
    case Qt::Key_Down:
        act(m_keyboardItem);
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint() && isPlainOrAlt(event->modifiers())) {
        const QList<QAction*> items = itemsWithKey(accessKeyOf(text.at(0)));
        if (items.size() == 1)
            act(items.first());
        else if (!items.isEmpty())
            stepThrough(items, 1);
    }
    // Any other key leaves the highlight where it is; Esc or a click ends it.
}

void MenuBar::stepThrough(const QList<QAction*>& items, int direction) {
    if (items.isEmpty())
        return;
    const qsizetype count = items.size();
    const qsizetype at = items.indexOf(m_keyboardItem.data());
    const qsizetype next =
        at < 0 ? (direction > 0 ? 0 : count - 1) : (at + direction + count) % count;
    highlight(items.at(next));
}

void MenuBar::highlight(QAction* item) {
    if (!m_keyboardItem) {
        QWidget* focus = QApplication::focusWidget();
        m_focusBefore = focus != this ? focus : nullptr;
    }
    m_keyboardItem = item;
    setFocus(Qt::MenuBarFocusReason);
    update();
}

void MenuBar::endHighlight() {
    if (!m_keyboardItem)
        return;
    m_keyboardItem = nullptr;
    update();
    QPointer<QWidget> back = m_focusBefore;
    m_focusBefore = nullptr;
    if (hasFocus()) {
        if (back)
            back->setFocus(Qt::MenuBarFocusReason);
        else
            clearFocus();
    }
}

void MenuBar::act(QAction* item) {
    endHighlight();
    if (item->menu())
        setActiveAction(item); // drops the menu down, from where Qt's own keys take over
    else
        item->trigger();
}

void MenuBar::mousePressEvent(QMouseEvent* event) {
    endHighlight();
    QMenuBar::mousePressEvent(event);
}

void MenuBar::focusOutEvent(QFocusEvent* event) {
    // Focus went elsewhere (another window, a click in the pane): the highlight goes with it.
    m_keyboardItem = nullptr;
    m_focusBefore = nullptr;
    update();
    QMenuBar::focusOutEvent(event);
}

void MenuBar::paintEvent(QPaintEvent* event) {
    QMenuBar::paintEvent(event);
    if (!m_keyboardItem)
        return;
    QStyleOptionMenuItem option;
    initStyleOption(&option, m_keyboardItem);
    option.rect = actionGeometry(m_keyboardItem);
    option.state |= QStyle::State_Selected | QStyle::State_Sunken;
    QPainter painter(this);
    painter.setClipRect(option.rect);
    style()->drawControl(QStyle::CE_MenuBarItem, &option, &painter, this);
}
