#include "ReaderTools.h"

#include "FindBar.h"
#include "FolderDocuments.h"
#include "MainUnit.h"
#include "OrvelUtils.h"
#include "PaneNotice.h"
#include "RecentDocuments.h"
#include "TextPane.h"

#include <QAction>
#include <QFileInfo>
#include <QMessageBox>

ReaderTools::ReaderTools(TMainForm* window)
    : QObject(window), m_window(window), m_notice(new PaneNotice(window->pane())),
      m_find(new FindBar(window->pane(), m_notice)) {
    addAction(tr("&Find\u2026"), QKeySequence(QKeySequence::Find), [this] { m_find->open(); });
    addAction(tr("Find ne&xt"), QKeySequence(Qt::Key_F3), [this] { m_find->findNext(); });
    addAction(tr("Find pre&vious"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
              [this] { m_find->findPrevious(); });
    addAction(tr("&Next document in the folder"), QKeySequence(Qt::CTRL | Qt::Key_PageDown),
              [this] { stepThroughFolder(1); });
    addAction(tr("P&revious document in the folder"), QKeySequence(Qt::CTRL | Qt::Key_PageUp),
              [this] { stepThroughFolder(-1); });
    m_artRecord = addAction(tr("&About this art\u2026"), {}, [this] { showArtRecord(); });
    m_artRecord->setEnabled(false);
    connect(window, &TMainForm::documentShown, this, &ReaderTools::documentShown);
    connect(window, &TMainForm::documentSaved, this, [this](const QString& fileName) {
        if (QFileInfo(fileName).absoluteFilePath() == m_watch.fileName())
            m_watch.rebase();
    });
    connect(&m_watch, &DocumentWatch::changed, this, &ReaderTools::fileChanged);
    connect(&m_watch, &DocumentWatch::removed, this, &ReaderTools::fileRemoved);
}

void ReaderTools::documentShown(const QString& fileName) {
    m_watch.watch(fileName);
    const DocumentArt& art = m_window->documentArt();
    m_artRecord->setEnabled(art.sauce().has_value());
    if (art.art() && art.art()->cut)
        m_notice->notify(
            tr("The art goes on past what is drawn of it: %1 rows").arg(art.art()->rows));
    if (!fileName.isEmpty() && fileName != TMainForm::bundledDocument())
        RecentDocuments::add(fileName);
}

void ReaderTools::showArtRecord() {
    const std::optional<SauceRecord>& sauce = m_window->documentArt().sauce();
    if (!sauce)
        return;
    QStringList lines;
    for (const auto& [key, value] : sauce->fields())
        lines << key + u": " + value;
    QMessageBox box(QMessageBox::Information, tr("About this art"), lines.join(u'\n'),
                    QMessageBox::Close, m_window);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

void ReaderTools::fileChanged() {
    const QString name = QFileInfo(m_watch.fileName()).fileName();
    if (!m_window->hasUnsavedEdits()) {
        if (m_window->reloadShownFile())
            m_notice->notify(tr("%1 changed on disk and was read again").arg(name));
        return;
    }
    m_notice->notify(tr("%1 changed on disk; your edits are kept").arg(name), tr("Reload"),
                     [this] { m_window->reloadShownFile(); });
}

void ReaderTools::fileRemoved() {
    m_notice->notify(tr("%1 was removed from the disk; the text stays as it is")
                         .arg(QFileInfo(m_watch.fileName()).fileName()));
}

template <typename Run>
QAction* ReaderTools::addAction(const QString& text, const QKeySequence& key, Run run) {
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
