#include "ReaderTools.h"

#include "FolderDocuments.h"
#include "MainUnit.h"
#include "OrvelUtils.h"
#include "PaneNotice.h"
#include "RecentDocuments.h"
#include "TextPane.h"

#include <QAction>
#include <QFileInfo>

ReaderTools::ReaderTools(TMainForm* window)
    : QObject(window), m_window(window), m_notice(new PaneNotice(window->pane())) {
    addAction(tr("&Next document in the folder"), QKeySequence(Qt::CTRL | Qt::Key_PageDown),
              &ReaderTools::nextDocument);
    addAction(tr("P&revious document in the folder"), QKeySequence(Qt::CTRL | Qt::Key_PageUp),
              &ReaderTools::previousDocument);
    connect(window, &TMainForm::documentShown, this, &ReaderTools::documentShown);
}

void ReaderTools::documentShown(const QString& fileName) {
    if (!fileName.isEmpty() && fileName != TMainForm::bundledDocument())
        RecentDocuments::add(fileName);
}

QAction* ReaderTools::addAction(const QString& text, const QKeySequence& key,
                                void (ReaderTools::*run)()) {
    auto* action = new QAction(text, m_window);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, run);
    m_window->addAction(action);
    m_window->pane()->addContextActions({action});
    return action;
}

void ReaderTools::stepThroughFolder(int step) {
    const QString shown = m_window->shownFile();
    const QString next = shown.isEmpty() ? QString() : FolderDocuments::beside(shown, step);
    if (next.isEmpty()) {
        SignalBeep();
        return;
    }
    if (!m_window->showFile(next))
        return;
    int count = 0;
    const int place = FolderDocuments::placeOf(next, count);
    m_notice->notify(
        tr("%1 \u2014 %2 of %3").arg(QFileInfo(next).fileName()).arg(place).arg(count));
}
