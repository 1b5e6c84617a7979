#include "OrvelListEntries.h"

#include "CodePage.h"

#include <array>

char16_t TOrvelListEntries::shown(unsigned char byte) {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = char(b >= 'A' && b <= 'Z' ? b + 32 : b);
            const QString shown =
                CodePage::toDisplay(QByteArrayView(&c, 1), CodePage::Charset::Ansi);
            t[size_t(b)] = shown.isEmpty() ? u' ' : shown.front().unicode();
        }
        return t;
    }();
    return table[byte];
}

int TOrvelListEntries::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QString TOrvelListEntries::text(int row) const {
    if (size_t(row) >= m_entries->size())
        return m_tail.at(qsizetype(size_t(row) - m_entries->size()));
    const Span& entry = (*m_entries)[size_t(row)];
    if (entry.length == Own)
        return m_own.at(qsizetype(entry.at));
    QString text(qsizetype(entry.length), Qt::Uninitialized);
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text.constData()) + entry.at;
    for (quint32 i = 0; i < entry.length; ++i)
        text[qsizetype(i)] = QChar(shown(bytes[i]));
    return text;
}

QByteArray TOrvelListEntries::bytes(int row) const {
    if (size_t(row) >= m_entries->size() || (*m_entries)[size_t(row)].length == Own)
        return CodePage::fromDisplay(text(row), CodePage::Charset::Ansi);
    const Span& entry = (*m_entries)[size_t(row)];
    return m_text.sliced(qsizetype(entry.at), qsizetype(entry.length));
}

QVariant TOrvelListEntries::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row());
    case Qt::UserRole:
        return bytes(index.row());
    case Qt::SizeHintRole:
        return m_rowSize.isValid() ? QVariant(m_rowSize) : QVariant();
    default:
        return {};
    }
}

void TOrvelListEntries::flatten() {
    if (m_tail.isEmpty())
        return;
    LinkSpans& all = entries();
    for (const QString& text : std::as_const(m_tail)) {
        all.push_back({quint32(m_own.size()), Own});
        m_own.append(text);
    }
    m_tail.clear();
}

LinkSpans& TOrvelListEntries::entries() {
    if (m_entries.use_count() > 1)
        m_entries = std::make_shared<const LinkSpans>(*m_entries);
    // Held here alone now.
    return const_cast<LinkSpans&>(*m_entries);
}

void TOrvelListEntries::insert(int row, const QStringList& texts) {
    if (texts.isEmpty())
        return;
    row = std::clamp(row, 0, count());
    beginInsertRows({}, row, row + int(texts.size()) - 1);
    // At the end, as the navigator adds its one own entry: the entries stay shared.
    if (row == count()) {
        m_tail += texts;
        endInsertRows();
        return;
    }
    flatten();
    LinkSpans added;
    added.reserve(size_t(texts.size()));
    for (const QString& text : texts) {
        added.push_back({quint32(m_own.size()), Own});
        m_own.append(text);
    }
    LinkSpans& all = entries();
    all.insert(all.begin() + row, added.begin(), added.end());
    endInsertRows();
}

void TOrvelListEntries::appendSpans(const QByteArray& text,
                                    std::shared_ptr<const LinkSpans> spans) {
    if (!spans || spans->empty())
        return;
    flatten();
    if (text.constData() != m_text.constData() || text.size() != m_text.size()) {
        // What the spans of the text before show is kept as texts of their own.
        for (int row = 0; row < count(); ++row) {
            if ((*m_entries)[size_t(row)].length == Own)
                continue;
            const QString shownText = this->text(row);
            entries()[size_t(row)] = {quint32(m_own.size()), Own};
            m_own.append(shownText);
        }
        m_text = text;
    }
    const int first = count();
    beginInsertRows({}, first, first + int(spans->size()) - 1);
    if (m_entries->empty()) {
        m_entries = std::move(spans);
    } else {
        LinkSpans& all = entries();
        all.insert(all.end(), spans->begin(), spans->end());
    }
    endInsertRows();
}

void TOrvelListEntries::setText(int row, const QString& text) {
    flatten();
    entries()[size_t(row)] = {quint32(m_own.size()), Own};
    m_own.append(text);
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

bool TOrvelListEntries::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > this->count())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    flatten();
    LinkSpans& all = entries();
    all.erase(all.begin() + row, all.begin() + row + count);
    endRemoveRows();
    return true;
}

void TOrvelListEntries::clear() {
    beginResetModel();
    m_entries = std::make_shared<const LinkSpans>();
    m_own.clear();
    m_tail.clear();
    m_text = {};
    endResetModel();
}

void TOrvelListEntries::setRowSize(const QSize& size) {
    if (size == m_rowSize)
        return;
    m_rowSize = size;
    if (count() > 0)
        Q_EMIT dataChanged(index(0), index(count() - 1), {Qt::SizeHintRole});
}

TOrvelListEntries::Snapshot TOrvelListEntries::snapshot(int from, int to) const {
    return {m_text, m_entries, m_own, m_tail, from, to};
}
