#include "OrvelListEntries.h"

#include "CodePage.h"

#include <array>

char16_t TOrvelListEntries::shown(unsigned char byte) {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = char(b >= 'A' && b <= 'Z' ? b + 32 : b);
            const QString shown = CodePage::toDisplay(QByteArrayView(&c, 1), CodePage::Charset::Ansi);
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
    const Span& entry = (*m_entries)[size_t(row)];
    if (entry.length == Own)
        return CodePage::fromDisplay(m_own.at(qsizetype(entry.at)), CodePage::Charset::Ansi);
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

std::vector<TOrvelListEntries::Span>& TOrvelListEntries::entries() {
    if (m_entries.use_count() > 1)
        m_entries = std::make_shared<std::vector<Span>>(*m_entries);
    return *m_entries;
}

void TOrvelListEntries::insert(int row, const QStringList& texts) {
    if (texts.isEmpty())
        return;
    row = std::clamp(row, 0, count());
    beginInsertRows({}, row, row + int(texts.size()) - 1);
    std::vector<Span> added;
    added.reserve(size_t(texts.size()));
    for (const QString& text : texts) {
        added.push_back({quint32(m_own.size()), Own});
        m_own.append(text);
    }
    std::vector<Span>& all = entries();
    all.insert(all.begin() + row, added.begin(), added.end());
    endInsertRows();
}

void TOrvelListEntries::appendSpans(const QByteArray& text, std::vector<Span> spans) {
    if (spans.empty())
        return;
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
    beginInsertRows({}, first, first + int(spans.size()) - 1);
    std::vector<Span>& all = entries();
    if (all.empty())
        all = std::move(spans);
    else
        all.insert(all.end(), spans.begin(), spans.end());
    endInsertRows();
}

void TOrvelListEntries::setText(int row, const QString& text) {
    entries()[size_t(row)] = {quint32(m_own.size()), Own};
    m_own.append(text);
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

bool TOrvelListEntries::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > this->count())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    std::vector<Span>& all = entries();
    all.erase(all.begin() + row, all.begin() + row + count);
    endRemoveRows();
    return true;
}

void TOrvelListEntries::clear() {
    beginResetModel();
    m_entries = std::make_shared<std::vector<Span>>();
    m_own.clear();
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
    return {m_text, m_entries, m_own, from, to};
}
