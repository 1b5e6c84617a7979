#include "FindBar.h"

#include "PaneNotice.h"
#include "TextPane.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr qsizetype StretchBytes = qsizetype(1) << 20;
constexpr int SliceMs = 8; // of counting at a time, so that the window answers in between

} // namespace

FindBar::FindBar(TextPane* pane, PaneNotice* notice)
    : QFrame(pane), m_pane(pane), m_notice(notice) {
    setObjectName(QStringLiteral("FindBar"));
    wearTheWindowsLook(this);
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto* label = new QLabel(tr("&Find:"), this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("FindField"));
    m_field->setMinimumWidth(180);
    label->setBuddy(m_field);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("FindStatus"));
    m_status->setMinimumWidth(110);
    m_matchCase = new QCheckBox(tr("Match &case"), this);
    const auto button = [this](const QString& text, const QString& tip, auto run) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, run);
        return b;
    };
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 3, 3);
    layout->addWidget(label);
    layout->addWidget(m_field);
    layout->addWidget(button(QStringLiteral("\u25B2"), tr("Previous match (Shift+F3)"),
                             [this] { findPrevious(); }));
    layout->addWidget(
        button(QStringLiteral("\u25BC"), tr("Next match (F3)"), [this] { findNext(); }));
    layout->addWidget(m_status);
    layout->addWidget(m_matchCase);
    layout->addWidget(button(QStringLiteral("\u2715"), tr("Close (Esc)"), [this] { close(); }));
    connect(m_field, &QLineEdit::textChanged, this, &FindBar::queryChanged);
    connect(m_matchCase, &QCheckBox::toggled, this, &FindBar::queryChanged);
    connect(m_pane, &TextPane::contentsChanged, this, &FindBar::contentsChanged);
    m_counting.setInterval(0);
    connect(&m_counting, &QTimer::timeout, this, &FindBar::countSome);
    m_field->installEventFilter(this);
    pane->installEventFilter(this);
    hide();
}

void FindBar::open() {
    const QByteArray selected = m_pane->selectedBytes();
    if (!selected.isEmpty() && selected.size() <= 200 && !selected.contains('\n') &&
        !selected.contains('\r'))
        m_field->setText(CodePage::toDisplay(selected, m_pane->charset()));
    adjustSize();
    place();
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    if (m_stretches.empty() && !m_search.isEmpty())
        queryChanged();
}

void FindBar::close() {
    hide();
    m_counting.stop();
    m_stretches.clear();
    m_pane->setSearchHighlight(std::nullopt);
    m_pane->setFocus(Qt::OtherFocusReason);
}

void FindBar::queryChanged() {
    m_search = TextSearch(m_field->text(), m_pane->charset(), m_matchCase->isChecked());
    m_pane->setSearchHighlight(m_search.isEmpty() ? std::nullopt
                                                  : std::optional<TextSearch>(m_search));
    // From the top of the view down, then from the start of the text.
    const QByteArray bytes = m_pane->bytes();
    const qsizetype top = m_pane->offsetAt(QPoint(0, 0));
    TextSearch::Match match = m_search.next(bytes, top, bytes.size());
    if (!match.found())
        match = m_search.next(bytes, 0, top);
    m_current = match;
    if (match.found())
        select(match);
    // Counted again from the start, a slice at a time.
    m_stretches.clear();
    if (!m_search.isEmpty() && !m_search.isImpossible())
        for (qsizetype at = 0; at < bytes.size(); at += StretchBytes)
            m_stretches.push_back({at, -1});
    // The match is painted first, the count follows.
    showStatus();
    m_counting.start();
}

void FindBar::step(bool forward) {
    if (!isVisible()) {
        open();
        if (m_field->text().isEmpty())
            return;
    }
    const QByteArray bytes = m_pane->bytes();
    // From the match selected, else from the caret.
    const qsizetype from = m_current.found() ? m_current.at : m_pane->caret();
    TextSearch::Match match =
        forward ? m_search.next(bytes, from + 1, bytes.size()) : m_search.previous(bytes, 0, from);
    if (!match.found()) {
        match = forward ? m_search.next(bytes, 0, from + 1)
                        : m_search.previous(bytes, from, bytes.size());
        if (match.found())
            m_notice->notify(forward ? tr("Find went on from the start")
                                     : tr("Find went on from the end"));
    }
    m_current = match;
    if (match.found())
        select(match);
    showStatus();
}

void FindBar::select(const TextSearch::Match& match) {
    m_pane->setCaret(match.at);
    m_pane->setCaret(match.at + match.length, true);
}

void FindBar::contentsChanged(qsizetype at, qsizetype removed, qsizetype inserted) {
    if (m_stretches.empty())
        return;
    const qsizetype size = m_pane->bytes().size();
    if (at < 0) {
        queryChanged();
        return;
    }
    // The stretches after the edit move by what it changed; those it touched, or whose matches
    // could run into it, are counted again.
    const qsizetype reach = m_search.longest();
    std::vector<Stretch> moved;
    for (const Stretch& s : m_stretches) {
        qsizetype start = s.start;
        if (start > at)
            start = std::max(at + inserted, start + inserted - removed);
        if (moved.empty() || start > moved.back().start)
            moved.push_back({start, s.count});
    }
    for (size_t i = 0; i < moved.size(); ++i) {
        const qsizetype end = i + 1 < moved.size() ? moved[i + 1].start : size;
        if (end >= at - reach && moved[i].start <= at + inserted + reach)
            moved[i].count = -1;
    }
    m_stretches = std::move(moved);
    if (m_current.found() && m_current.at > at)
        m_current.at = std::max(at, m_current.at + inserted - removed);
    if (m_current.found() && m_search.matchAt(m_pane->bytes(), m_current.at) == 0)
        m_current = {};
    countSome();
}

void FindBar::countSome() {
    QElapsedTimer spent;
    spent.start();
    const QByteArray bytes = m_pane->bytes();
    for (size_t i = 0; i < m_stretches.size() && !spent.hasExpired(SliceMs); ++i) {
        Stretch& s = m_stretches[i];
        if (s.count >= 0)
            continue;
        const qsizetype end = i + 1 < m_stretches.size() ? m_stretches[i + 1].start : bytes.size();
        s.count = m_search.count(bytes, s.start, end);
    }
    const bool done = std::all_of(m_stretches.begin(), m_stretches.end(),
                                  [](const Stretch& s) { return s.count >= 0; });
    if (done)
        m_counting.stop();
    else if (!m_counting.isActive())
        m_counting.start();
    showStatus();
}

QString FindBar::status() const {
    return m_status->text();
}

void FindBar::showStatus() {
    if (m_field->text().isEmpty()) {
        m_status->clear();
        return;
    }
    qsizetype total = 0;
    bool counted = true;
    for (const Stretch& s : m_stretches) {
        counted = counted && s.count >= 0;
        total += std::max<qsizetype>(0, s.count);
    }
    if (!counted) {
        m_status->setText(tr("%1 so far\u2026").arg(total));
        return;
    }
    if (total == 0) {
        m_status->setText(tr("No match"));
        return;
    }
    if (!m_current.found()) {
        m_status->setText(tr("%1 matches").arg(total));
        return;
    }
    // The matches before the one selected: whole stretches, then the start of its own.
    const QByteArray bytes = m_pane->bytes();
    qsizetype before = 0;
    for (size_t i = 0; i < m_stretches.size() && m_stretches[i].start <= m_current.at; ++i) {
        const qsizetype end = i + 1 < m_stretches.size() ? m_stretches[i + 1].start : bytes.size();
        before += m_current.at < end ? m_search.count(bytes, m_stretches[i].start, m_current.at)
                                     : m_stretches[i].count;
    }
    m_status->setText(tr("%1 of %2").arg(before + 1).arg(total));
}

void FindBar::place() {
    const int right = m_pane->width() - m_pane->verticalScrollBar()->width() - 8;
    move(std::max(0, right - width()), std::max(0, m_pane->height() - height() - 8));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pane && event->type() == QEvent::Resize && isVisible())
        place();
    if (watched == m_field &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Esc closes the bar, not the window; Enter goes on to the next match.
        if (key->key() == Qt::Key_Escape || enter) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            if (enter)
                step(!(key->modifiers() & Qt::ShiftModifier));
            else
                close();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
