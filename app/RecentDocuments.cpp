#include "RecentDocuments.h"

#include "FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>

#include <glib.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace RecentDocuments {
namespace {

constexpr char Application[] = "Zelvan RID Evodad";

QByteArray listFile() {
    return FileNames::toBytes(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/recently-used.xbel"));
}

struct BookmarksFree {
    void operator()(GBookmarkFile* bookmarks) const { g_bookmark_file_free(bookmarks); }
};
using Bookmarks = std::unique_ptr<GBookmarkFile, BookmarksFree>;

// The list as it stands; an empty one where there is none yet; nothing where it is there but
// cannot be read.
Bookmarks load(bool emptyWhenMissing) {
    Bookmarks bookmarks(g_bookmark_file_new());
    GError* error = nullptr;
    if (g_bookmark_file_load_from_file(bookmarks.get(), listFile().constData(), &error))
        return bookmarks;
    const bool missing = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
    g_clear_error(&error);
    return missing && emptyWhenMissing ? std::move(bookmarks) : Bookmarks();
}

} // namespace

void add(const QString& fileName) {
    const Bookmarks bookmarks = load(true);
    if (!bookmarks)
        return;
    const QByteArray path = FileNames::toBytes(QFileInfo(fileName).absoluteFilePath());
    gchar* uri = g_filename_to_uri(path.constData(), nullptr, nullptr);
    if (!uri)
        return;
    const QByteArray type = QMimeDatabase().mimeTypeForFile(fileName).name().toUtf8();
    g_bookmark_file_set_mime_type(bookmarks.get(), uri, type.constData());
    g_bookmark_file_add_application(bookmarks.get(), uri, Application, "zelvan-rid-evodad %u");
    g_free(uri);
    QDir().mkpath(QFileInfo(QFile::decodeName(listFile())).absolutePath());
    g_bookmark_file_to_file(bookmarks.get(), listFile().constData(), nullptr);
}

QStringList recentFolders(int count) {
    const Bookmarks bookmarks = load(false);
    if (!bookmarks)
        return {};
    gsize size = 0;
    gchar** uris = g_bookmark_file_get_uris(bookmarks.get(), &size);
    std::vector<std::pair<gint64, QString>> shown;
    for (gsize i = 0; i < size; ++i) {
        if (!g_bookmark_file_has_application(bookmarks.get(), uris[i], Application, nullptr))
            continue;
        gchar* path = g_filename_from_uri(uris[i], nullptr, nullptr);
        GDateTime* when = g_bookmark_file_get_modified_date_time(bookmarks.get(), uris[i], nullptr);
        if (path)
            shown.emplace_back(when ? g_date_time_to_unix(when) : 0,
                               QFileInfo(FileNames::fromBytes(QByteArray(path))).absolutePath());
        g_free(path);
    }
    g_strfreev(uris);
    std::stable_sort(shown.begin(), shown.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList folders;
    for (const auto& [when, folder] : shown)
        if (!folders.contains(folder) && folders.size() < count)
            folders.append(folder);
    return folders;
}

} // namespace RecentDocuments
