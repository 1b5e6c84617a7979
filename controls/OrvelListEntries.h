#pragma once

#include "LinkSpans.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QSize>
#include <QStringList>

#include <memory>
#include <vector>

// The entries of a TOrvelListBox, with no object an entry: each is a text of its own, or a span
// of a text that the list shares with whoever holds it (a document's addresses, where they stand
// in it), shown with the letters A to Z lowered and code page 1252 read as text, as the navigator
// lists addresses. A span costs eight bytes, so a list of a million addresses costs megabytes,
// not the hundreds a text and an item each would.
class TOrvelListEntries : public QAbstractListModel {
    Q_OBJECT

public:
    using Span = LinkSpan;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    // The shown text (also as the tip), its bytes as written (Qt::UserRole: a span's own bytes, an
    // own text in code page 1252) and the size every row is given (Qt::SizeHintRole).
    QVariant data(const QModelIndex& index, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    int count() const { return int(m_entries->size() + size_t(m_tail.size())); }
    QString text(int row) const;
    QByteArray bytes(int row) const;
    void insert(int row, const QStringList& texts);
    // Spans of text appended, one insertion for all of them, shared with whoever holds them
    // until the list changes (an empty list takes them as they are); spans of another text
    // already in the list keep what they show, as texts of their own.
    void appendSpans(const QByteArray& text, std::shared_ptr<const LinkSpans> spans);
    void setText(int row, const QString& text);
    void clear();
    void setRowSize(const QSize& size);

    // What a measure of the entries' widths needs, shared with whoever measures them elsewhere
    // while the list goes on: the text, the spans and own texts of the rows [from, to).
    struct Snapshot {
        QByteArray text;
        std::shared_ptr<const LinkSpans> entries;
        QStringList own;
        QStringList tail; // the rows after the entries'
        int from = 0, to = 0;
    };
    Snapshot snapshot(int from, int to) const;
    // How a span shows its bytes: A to Z lowered, code page 1252.
    static char16_t shown(unsigned char byte);

    static constexpr quint32 Own = 0xFFFFFFFF; // the length of an own text's entry

private:
    // Detached before a change: a measure elsewhere, or the pane, may hold the entries.
    LinkSpans& entries();
    // The texts appended after them made entries too, before any other change.
    void flatten();

    QByteArray m_text;
    std::shared_ptr<const LinkSpans> m_entries = std::make_shared<const LinkSpans>();
    QStringList m_own;  // own texts, by the at of their entries
    QStringList m_tail; // own texts appended after the entries, which leave them shared
    QSize m_rowSize;
};
