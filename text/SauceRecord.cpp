#include "SauceRecord.h"

#include "CodePage.h"

#include <QtEndian>

#include <algorithm>
#include <iterator>

namespace {

constexpr qsizetype RecordSize = 128;
constexpr qsizetype CommentSize = 64;
constexpr char EndOfFile = '\x1A';

// A field padded with blanks (or, by some tools, with NULs).
QByteArray field(QByteArrayView bytes) {
    qsizetype end = bytes.size();
    while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0'))
        --end;
    // A NUL ends a C string some tools wrote.
    const qsizetype nul = bytes.first(end).indexOf('\0');
    return bytes.first(nul < 0 ? end : nul).toByteArray();
}

QString shown(const QByteArray& bytes) {
    return CodePage::toDisplay(bytes, CodePage::Charset::Oem);
}

QString kindOf(const SauceRecord& r) {
    if (r.dataType == 1) {
        static const char* const Kinds[] = {"ASCII text", "ANSI art",    "ANSI animation",
                                            "RIPscrip",   "PCBoard",     "Avatar",
                                            "HTML",       "source code", "TundraDraw"};
        if (r.fileType < std::size(Kinds))
            return QString::fromLatin1(Kinds[r.fileType]);
    }
    return QStringLiteral("data type %1, file type %2").arg(r.dataType).arg(r.fileType);
}

} // namespace

SauceRecord::Spacing SauceRecord::letterSpacing() const {
    if (!isCharacterArt())
        return Spacing::Unsaid;
    switch ((flags >> 1) & 3) {
    case 1:
        return Spacing::EightPixels;
    case 2:
        return Spacing::NinePixels;
    default:
        return Spacing::Unsaid;
    }
}

SauceRecord::Aspect SauceRecord::aspect() const {
    if (!isCharacterArt())
        return Aspect::Unsaid;
    switch ((flags >> 3) & 3) {
    case 1:
        return Aspect::Legacy;
    case 2:
        return Aspect::Square;
    default:
        return Aspect::Unsaid;
    }
}

QList<std::pair<QString, QString>> SauceRecord::fields() const {
    QList<std::pair<QString, QString>> out;
    const auto add = [&out](const char* key, const QString& value) {
        if (!value.isEmpty())
            out.append({QString::fromLatin1(key), value});
    };
    add("Title", shown(title));
    add("Author", shown(author));
    add("Group", shown(group));
    // CCYYMMDD, shown as the date it is where it is one.
    const bool digits = date.size() == 8 && std::all_of(date.begin(), date.end(), [](char c) {
                            return c >= '0' && c <= '9';
                        });
    add("Date", digits ? QString::fromLatin1(date.first(4) + '-' + date.sliced(4, 2) + '-' +
                                             date.sliced(6, 2))
                       : shown(date));
    add("Kind", kindOf(*this));
    if (isCharacterArt()) {
        add("Width", width() ? QString::number(width()) : QString());
        add("Lines", lines() ? QString::number(lines()) : QString());
        add("iCE colours", iceColours() ? QStringLiteral("yes") : QStringLiteral("no"));
        add("Letter spacing", letterSpacing() == Spacing::NinePixels    ? QStringLiteral("9 pixels")
                              : letterSpacing() == Spacing::EightPixels ? QStringLiteral("8 pixels")
                                                                        : QString());
        add("Aspect", aspect() == Aspect::Legacy   ? QStringLiteral("legacy (tall pixels)")
                      : aspect() == Aspect::Square ? QStringLiteral("square pixels")
                                                   : QString());
    }
    add("Font", shown(font));
    for (const QByteArray& comment : comments)
        out.append({QStringLiteral("Comment"), shown(comment)});
    return out;
}

SauceSplit findSauce(QByteArrayView bytes) {
    SauceSplit split{bytes.size(), std::nullopt};
    if (bytes.size() < RecordSize)
        return split;
    const QByteArrayView record = bytes.last(RecordSize);
    if (!record.startsWith("SAUCE"))
        return split;
    const auto* raw = reinterpret_cast<const uchar*>(record.data());
    SauceRecord r;
    r.title = field(record.sliced(7, 35));
    r.author = field(record.sliced(42, 20));
    r.group = field(record.sliced(62, 20));
    r.date = field(record.sliced(82, 8));
    r.fileSize = qFromLittleEndian<quint32>(raw + 90);
    r.dataType = raw[94];
    r.fileType = raw[95];
    for (int i = 0; i < 4; ++i)
        r.info[i] = qFromLittleEndian<quint16>(raw + 96 + 2 * i);
    r.flags = raw[105];
    r.font = field(record.sliced(106, 22));
    qsizetype end = bytes.size() - RecordSize;
    // The comment block stands right before the record where it is there at all.
    const qsizetype lines = raw[104];
    const qsizetype block = 5 + lines * CommentSize;
    if (lines > 0 && end >= block && bytes.sliced(end - block).startsWith("COMNT")) {
        for (qsizetype i = 0; i < lines; ++i)
            r.comments.append(field(bytes.sliced(end - block + 5 + i * CommentSize, CommentSize)));
        end -= block;
    }
    if (end > 0 && bytes[end - 1] == EndOfFile)
        --end;
    split.end = end;
    split.record = std::move(r);
    return split;
}
