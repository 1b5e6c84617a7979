#pragma once

#include "TextSearch.h"

#include <QFrame>
#include <QTimer>

#include <vector>

class PaneNotice;
class QCheckBox;
class QLabel;
class QLineEdit;
class TextPane;

// Find, over the pane's bottom right corner. Typing searches as it goes from the top of the
// view, selects the match and scrolls it into view; Enter and F3 go to the next match, with Shift
// to the one before, round the ends with a notice; every match in view is marked; the bar says
// which match of how many this is. The text is matched as the pane shows it (TextSearch), read-
// only or editable, and the count follows edits. A large document is counted a slice at a time
// between events, and an edit counts again only the stretch it touched.
class FindBar : public QFrame {
    Q_OBJECT

public:
    FindBar(TextPane* pane, PaneNotice* notice);

    // Opens the bar, the selection as its query where that is a short piece of one line.
    void open();
    void close();
    void findNext() { step(true); }
    void findPrevious() { step(false); }
    QString status() const;
    QLineEdit* field() const { return m_field; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The document counted in stretches of about a megabyte: where each starts, and how many
    // matches start in it (-1: not counted yet).
    struct Stretch {
        qsizetype start;
        qsizetype count;
    };
    void queryChanged();
    void step(bool forward);
    void select(const TextSearch::Match& match);
    void contentsChanged(qsizetype at, qsizetype removed, qsizetype inserted);
    void countSome();
    void showStatus();
    void place();

    TextPane* m_pane;
    PaneNotice* m_notice;
    QLineEdit* m_field;
    QCheckBox* m_matchCase;
    QLabel* m_status;
    TextSearch m_search;
    TextSearch::Match m_current;
    std::vector<Stretch> m_stretches;
    QTimer m_counting;
};
