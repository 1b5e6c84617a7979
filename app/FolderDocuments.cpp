#include "FolderDocuments.h"

#include "FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace FolderDocuments {
namespace {

// Runs of digits compare by their number, everything else by its letters in either case; the
// locale's collation would do the same only where the locale asks it to (not in the C locale).
int naturalCompare(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype fromA = i, fromB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            QStringView x = a.sliced(fromA, i - fromA), y = b.sliced(fromB, j - fromB);
            while (x.size() > 1 && x.front() == u'0')
                x = x.sliced(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.sliced(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int order = x.compare(y); order != 0)
                return order;
            continue;
        }
        const char32_t x = QChar::toCaseFolded(a[i++].unicode());
        const char32_t y = QChar::toCaseFolded(b[j++].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (a.size() - i > 0) - (b.size() - j > 0);
}

// Names that compare alike (letter case, leading zeros) still come in one order.
bool before(const QString& a, const QString& b) {
    const int order = naturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

} // namespace

QStringList inFolder(const QString& folder) {
    QDir dir(folder);
    dir.setFilter(QDir::Files | QDir::Readable | QDir::Hidden);
    dir.setNameFilters({QStringLiteral("*.nfo"), QStringLiteral("*.diz"), QStringLiteral("*.asc"),
                        QStringLiteral("*.txt"), QStringLiteral("*.ans")});
    dir.setSorting(QDir::Unsorted);
    QStringList names = dir.entryList();
    std::sort(names.begin(), names.end(), before);
    QStringList files;
    for (const QString& name : names)
        files.append(dir.filePath(name));
    return files;
}

QString beside(const QString& file, int step) {
    const QFileInfo info(file);
    const QStringList files = inFolder(info.absolutePath());
    const QString name = info.fileName();
    // The first document named after this one, or the last named before it.
    const auto after = std::upper_bound(files.begin(), files.end(), name,
                                        [](const QString& n, const QString& path) {
                                            return before(n, QFileInfo(path).fileName());
                                        });
    auto at = after;
    if (step < 0) {
        const auto same = after != files.begin() && QFileInfo(after[-1]).fileName() == name;
        at = after - (same ? 1 : 0);
        if (at == files.begin())
            return {};
        return FileNames::recover(at[-1]);
    }
    return at == files.end() ? QString() : FileNames::recover(*at);
}

int placeOf(const QString& file, int& count) {
    const QFileInfo info(file);
    const QStringList files = inFolder(info.absolutePath());
    count = int(files.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        if (QFileInfo(files[i]).fileName() == info.fileName())
            return int(i) + 1;
    return 0;
}

} // namespace FolderDocuments
