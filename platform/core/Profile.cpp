#include "Profile.h"

#include "FileNames.h"
#include "FolderLock.h"
#include "RegularFile.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace Profile {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The DOS end-of-file byte that old editors leave after the last line.
constexpr char EndOfFile = 0x1A;

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && (isBlank(text[end - 1]) || text[end - 1] == EndOfFile))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

// One line of the file: where its text is, and where the next line starts.
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;  // end of the text, before the line break
    qsizetype next = 0; // after the line break
};

// Walks the lines of an INI text, telling sections and keys apart.
class Reader {
public:
    explicit Reader(const QByteArray& text) : m_text(text) {}

    bool nextLine(Line& line) {
        if (m_pos >= m_text.size())
            return false;
        line.start = m_pos;
        qsizetype p = m_pos;
        while (p < m_text.size() && m_text[p] != '\r' && m_text[p] != '\n')
            ++p;
        line.end = p;
        if (p < m_text.size()) {
            p += (m_text[p] == '\r' && p + 1 < m_text.size() && m_text[p + 1] == '\n') ? 2 : 1;
        }
        line.next = p;
        m_pos = p;
        return true;
    }

    QByteArrayView text(const Line& line) const {
        return QByteArrayView(m_text).sliced(line.start, line.end - line.start);
    }

    // The section a line opens, if it is a section line.
    std::optional<QByteArrayView> section(const Line& line) const {
        const QByteArrayView t = trimmed(text(line));
        if (!t.startsWith('['))
            return std::nullopt;
        QByteArrayView name = t.sliced(1);
        const qsizetype close = name.indexOf(']');
        if (close >= 0)
            name = name.first(close);
        return trimmed(name);
    }

    // The key of a key line (not a comment); empty for lines that hold none.
    QByteArrayView key(const Line& line) const {
        const QByteArrayView t = trimmed(text(line));
        if (t.isEmpty() || t.startsWith(';'))
            return {};
        const qsizetype equals = t.indexOf('=');
        return equals < 0 ? QByteArrayView() : trimmed(t.first(equals));
    }

    QByteArrayView value(const Line& line) const {
        const QByteArrayView t = text(line);
        QByteArrayView v = trimmed(t.sliced(t.indexOf('=') + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.sliced(1, v.size() - 2);
        return v;
    }

private:
    const QByteArray& m_text;
    qsizetype m_pos = 0;
};

// Where a key stands in the text: its line, or the last line of its section, or neither.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    Line lastSectionLine; // the last non-blank line of the section, the header included
};

Place locate(Reader& reader, QByteArrayView section, QByteArrayView key) {
    Place place;
    bool inSection = false;
    Line line;
    while (reader.nextLine(line)) {
        if (const auto name = reader.section(line)) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = sameName(*name, section);
            if (inSection) {
                place.sectionFound = true;
                place.lastSectionLine = line;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trimmed(reader.text(line)).isEmpty())
            place.lastSectionLine = line;
        if (!place.keyFound && sameName(reader.key(line), key) && !key.isEmpty()) {
            place.keyFound = true;
            place.keyLine = line;
            return place;
        }
    }
    return place;
}

std::optional<QByteArray> readFile(const QString& fileName, bool& missing) {
    // A link to a file not made yet counts as missing: the write goes through it.
    struct stat info {};
    missing = ::stat(FileNames::toBytes(fileName).constData(), &info) != 0 && errno == ENOENT;
    if (missing)
        return QByteArray();
    // A folder, a named pipe or a device reads as nothing, without waiting on it.
    return readRegularFile(fileName);
}

} // namespace

QByteArray readString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                      const QByteArray& defaultValue) {
    bool missing = false;
    const std::optional<QByteArray> text = readFile(fileName, missing);
    if (!text)
        return defaultValue;
    Reader reader(*text);
    const Place place = locate(reader, section, key);
    if (!place.keyFound)
        return defaultValue;
    return reader.value(place.keyLine)
        .first(std::min<qsizetype>(reader.value(place.keyLine).size(), MaxValueLength))
        .toByteArray();
}

namespace {

// The write of writeString, for a caller that holds the file's lock.
bool writeHeld(const QString& fileName, const QByteArray& section, const QByteArray& key,
               const QByteArray& value, LineEnd lineEnd) {
    const QByteArray newLine = lineEnd == LineEnd::CrLf ? "\r\n" : "\n";
    bool missing = false;
    const std::optional<QByteArray> read = readFile(fileName, missing);
    if (!read)
        return false;
    const QByteArray& text = *read;
    Reader reader(text);
    const Place place = locate(reader, section, key);
    const QByteArray entry = key + '=' + value;

    QByteArray updated;
    if (place.keyFound) {
        updated = text.first(place.keyLine.start) + entry + text.sliced(place.keyLine.end);
    } else if (place.sectionFound) {
        const Line& last = place.lastSectionLine;
        const bool lastHasBreak = last.next > last.end;
        updated = text.first(last.end) +
                  (lastHasBreak ? text.sliced(last.end, last.next - last.end) : newLine) + entry +
                  newLine + text.sliced(last.next);
    } else {
        updated = text;
        if (!updated.isEmpty() && !updated.endsWith('\n') && !updated.endsWith('\r'))
            updated += newLine;
        updated += '[' + section + ']' + newLine + entry + newLine;
    }
    // Nothing to change: the file, its links and its time stay as they are.
    if (!missing && updated == text)
        return true;
    return bool(writeFileAtomically(fileName, updated));
}

} // namespace

bool writeString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                 const QByteArray& value, LineEnd lineEnd) {
    // Read, change and write as one step against other processes writing the same file.
    const FolderLock lock(fileName);
    return writeHeld(fileName, section, key, value, lineEnd);
}

bool updateString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                  const std::function<std::optional<QByteArray>(const QByteArray&)>& change,
                  LineEnd lineEnd) {
    const FolderLock lock(fileName);
    const std::optional<QByteArray> value = change(readString(fileName, section, key, {}));
    return !value || writeHeld(fileName, section, key, *value, lineEnd);
}

bool deleteKey(const QString& fileName, const QByteArray& section, const QByteArray& key) {
    const FolderLock lock(fileName);
    bool missing = false;
    const std::optional<QByteArray> read = readFile(fileName, missing);
    if (!read)
        return false;
    QByteArray text = *read;
    Reader reader(text);
    const Place place = locate(reader, section, key);
    if (missing || !place.keyFound)
        return true;
    text.remove(place.keyLine.start, place.keyLine.next - place.keyLine.start);
    Reader again(text);
    const Place left = locate(again, section, QByteArray()); // no key: finds the section's end
    if (left.sectionFound && again.section(left.lastSectionLine))
        text.remove(left.lastSectionLine.start,
                    left.lastSectionLine.next - left.lastSectionLine.start);
    if (text.trimmed().isEmpty()) {
        struct stat info {};
        const QByteArray path = FileNames::toBytes(fileName);
        if (::lstat(path.constData(), &info) == 0 && !S_ISLNK(info.st_mode))
            return ::unlink(path.constData()) == 0;
    }
    return bool(writeFileAtomically(fileName, text));
}

} // namespace Profile
