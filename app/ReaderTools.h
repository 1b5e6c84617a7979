#pragma once

#include <QObject>

class PaneNotice;
class QAction;
class TMainForm;

// What the main window gives a reader beyond its menus, reached by keys and the pane's context
// menu, never by new menu items: the folder's next and previous document, with a notice over
// the pane that says where the reader is.
class ReaderTools : public QObject {
    Q_OBJECT

public:
    explicit ReaderTools(TMainForm* window);

    PaneNotice* notice() const { return m_notice; }
    // Shows the document step places on (1) or back (-1) in the shown document's folder; at
    // either end (or with no document shown) it beeps and nothing changes.
    void stepThroughFolder(int step);

private:
    QAction* addAction(const QString& text, const QKeySequence& key, void (ReaderTools::*run)());
    void nextDocument() { stepThroughFolder(1); }
    void previousDocument() { stepThroughFolder(-1); }

    TMainForm* m_window;
    PaneNotice* m_notice;
};
