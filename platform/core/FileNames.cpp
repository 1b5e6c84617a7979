#include "FileNames.h"

#include "CodePage.h"

#include <QUtf8StringView>

#include <dirent.h>
#include <sys/stat.h>

namespace FileNames {
namespace {

constexpr char16_t EscapeBase = 0xDC80;

bool isEscape(QChar c) {
    return c.unicode() >= EscapeBase && c.unicode() <= EscapeBase + 0x7F;
}

// The length of the valid UTF-8 sequence at the start of text, or 0.
qsizetype sequenceAt(const char* text, qsizetype left) {
    const auto lead = (unsigned char)text[0];
    const qsizetype length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
    // Continuation bytes only, and no overlong forms, surrogates or values past U+10FFFF.
    return length > 0 && length <= left && QUtf8StringView(text, length).isValidUtf8() ? length : 0;
}

} // namespace

QString fromBytes(const QByteArray& name) {
    QString result;
    result.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = sequenceAt(name.constData() + i, name.size() - i);
        if (length == 0) { // only bytes 0x80 to 0xFF are ever outside a valid sequence
            result += QChar(char16_t(EscapeBase + ((unsigned char)name[i] & 0x7F)));
            ++i;
            continue;
        }
        result += QString::fromUtf8(name.constData() + i, length);
        i += length;
    }
    return result;
}

QByteArray toBytes(const QString& name) {
    QByteArray result;
    result.reserve(name.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isEscape(name[i]))
            continue;
        result += QStringView(name).sliced(run, i - run).toUtf8();
        if (i < name.size())
            result += char(0x80 | (name[i].unicode() - EscapeBase));
        run = i + 1;
    }
    return result;
}

QString forDisplay(const QString& name) {
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        if (isEscape(c)) {
            const char byte = char(0x80 | (c.unicode() - EscapeBase));
            shown += CodePage::toDisplay(QByteArrayView(&byte, 1), CodePage::Charset::Oem);
        } else {
            shown += c;
        }
    }
    return shown;
}

QStringList fromArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fromBytes(QByteArray(argv[i]));
    return arguments;
}

bool isRegularFile(const QString& name) {
    struct stat info {};
    return ::stat(toBytes(name).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QString recover(const QString& name) {
    struct stat info {};
    const QByteArray bytes = toBytes(name);
    if (name.isEmpty() || ::lstat(bytes.constData(), &info) == 0 || !name.contains(QChar(0xFFFD)))
        return name;
    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? bytes.left(slash) : slash == 0 ? "/" : ".";
    const QString leaf = name.mid(name.lastIndexOf(u'/') + 1);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return name;
    QByteArray found;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (QString::fromUtf8(entry->d_name) == leaf) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(dir);
    if (matches != 1)
        return name;
    return fromBytes((slash >= 0 ? bytes.left(slash + 1) : QByteArray()) + found);
}

} // namespace FileNames
