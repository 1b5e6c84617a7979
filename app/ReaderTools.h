#pragma once

#include "DocumentWatch.h"

#include <QObject>

class FindBar;
class PaneNotice;
class QAction;
class TMainForm;

// What the main window gives a reader beyond its menus, reached by keys and the pane's context
// menu, never by new menu items: Find; the folder's next and previous document, with a notice over
// the pane that says where the reader is; each document shown joins the desktop's recently used
// files; and a shown file another program rewrites is read again.
class ReaderTools : public QObject {
    Q_OBJECT

public:
    explicit ReaderTools(TMainForm* window);

    PaneNotice* notice() const { return m_notice; }
    FindBar* findBar() const { return m_find; }
    // Shows the document step places on (1) or back (-1) in the shown document's folder; at
    // either end (or with no document shown) it beeps and nothing changes.
    void stepThroughFolder(int step);

private:
    // Every document shown from a file of the reader's (not the bundled one) is recently used.
    void documentShown(const QString& fileName);
    template <typename Run>
    QAction* addAction(const QString& text, const QKeySequence& key, Run run);

    // The shown art's SAUCE record, one "Key: value" a line.
    void showArtRecord();

    // Another program changed or removed the shown file: an unedited text is read again, an
    // edited one kept with a notice that offers to read it again; a removed file's text stays.
    void fileChanged();
    void fileRemoved();

    TMainForm* m_window;
    PaneNotice* m_notice;
    FindBar* m_find;
    QAction* m_artRecord;
    DocumentWatch m_watch;
};
