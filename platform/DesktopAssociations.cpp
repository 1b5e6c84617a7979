#include "DesktopAssociations.h"

#include "AtomicFile.h"
#include "Profile.h"
#include "Registry.h"
#include "SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <map>
#include <set>

namespace DesktopAssociations {
namespace {

using namespace Registry;

Folders realFolders() {
    Folders f;
    const QString home = QDir::homePath();
    f.dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (f.dataHome.isEmpty())
        f.dataHome = home + QStringLiteral("/.local/share");
    f.configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (f.configHome.isEmpty())
        f.configHome = home + QStringLiteral("/.config");
    const QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    f.systemDataDirs = (dirs.isEmpty() ? QStringLiteral("/usr/local/share:/usr/share") : dirs)
                           .split(u':', Qt::SkipEmptyParts);
    return f;
}

std::function<Folders()>& source() {
    static std::function<Folders()> s = realFolders;
    return s;
}

// What the registry says about one file type that this program serves.
struct TypeUse {
    QByteArrayList extensions;
    QByteArray description;
    QByteArray openCommand;                 // the default verb's command, when it runs this program
    std::map<QByteArray, QByteArray> verbs; // other verbs that run this program: caption -> command
};

QByteArray readDefault(HKEY parent, const QByteArray& path) {
    HKEY key = 0;
    QByteArray value;
    if (RegOpenKeyExA(parent, path, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, QByteArray(), &value);
        RegCloseKey(key);
    }
    return value;
}

// The file types of HKEY_CLASSES_ROOT whose commands run the program at programPath.
std::map<QByteArray, TypeUse> typesUsingProgram(const QByteArray& programPath) {
    std::map<QByteArray, TypeUse> types;
    const auto runsProgram = [&programPath](const QByteArray& command) {
        return command.contains(programPath);
    };
    HKEY root = 0;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, QByteArray(), KEY_READ, &root) != ERROR_SUCCESS)
        return types;
    for (const QByteArray& ext : subKeyNames(root)) {
        if (!ext.startsWith('.'))
            continue;
        const QByteArray type = readDefault(root, ext);
        if (type.isEmpty())
            continue;
        QByteArray verb = readDefault(root, type + "\\shell");
        if (verb.isEmpty())
            verb = "open";
        TypeUse use;
        const QByteArray open = readDefault(root, type + "\\shell\\" + verb + "\\command");
        if (runsProgram(open))
            use.openCommand = open;
        HKEY shell = 0;
        if (RegOpenKeyExA(root, type + "\\shell", KEY_READ, &shell) == ERROR_SUCCESS) {
            for (const QByteArray& other : subKeyNames(shell)) {
                if (other.compare(verb, Qt::CaseInsensitive) == 0)
                    continue;
                const QByteArray command = readDefault(shell, other + "\\command");
                if (runsProgram(command))
                    use.verbs[other] = command;
            }
            RegCloseKey(shell);
        }
        if (use.openCommand.isEmpty() && use.verbs.empty())
            continue;
        TypeUse& entry = types[type.toLower()];
        entry.extensions.append(ext.toLower());
        entry.description = readDefault(root, type);
        entry.openCommand = use.openCommand;
        entry.verbs = use.verbs;
    }
    RegCloseKey(root);
    return types;
}

// The system's MIME type for an extension, from the shared MIME database's glob lists.
QString systemMimeType(const Folders& f, const QByteArray& ext) {
    for (const QString& dir : f.systemDataDirs) {
        QFile globs(dir + QStringLiteral("/mime/globs2"));
        if (!globs.open(QIODevice::ReadOnly))
            continue;
        while (!globs.atEnd()) {
            const QByteArray line = globs.readLine().trimmed();
            // weight:type:glob[:flags]
            const QByteArrayList parts = line.split(':');
            if (parts.size() >= 3 && ('*' + ext) == parts[2].toLower())
                return QString::fromLatin1(parts[1]);
        }
    }
    return {};
}

bool writeIfChanged(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return false;
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    return bool(writeFileAtomically(path, content));
}

void run(const QString& tool, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        return;
    QProcess process;
    process.start(path, arguments);
    process.waitForFinished(30000);
}

QByteArray desktopEntry(const QString& name, const QString& exec, const QStringList& mimeTypes,
                        bool hidden) {
    QByteArray entry = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=" + name.toUtf8() +
                       "\nExec=" + exec.toUtf8() +
                       "\nIcon=zelvan-rid-evodad\nTerminal=false\nCategories=Utility;Viewer;\n"
                       "MimeType=" +
                       mimeTypes.join(u';').toUtf8() + ";\n";
    if (hidden)
        entry += "NoDisplay=true\n";
    return entry;
}

// Adds the entry to the comma-free list value "a.desktop;b.desktop;" of a mimeapps.list key.
void addToList(const QString& file, const QByteArray& section, const QString& mime,
               const QByteArray& entry) {
    const QByteArray key = mime.toLatin1();
    QByteArray list = Profile::readString(file, section, key, QByteArray());
    const QByteArrayList items = list.split(';');
    if (items.contains(entry))
        return;
    if (!list.isEmpty() && !list.endsWith(';'))
        list += ';';
    Profile::writeString(file, section, key, list + entry + ';', Profile::LineEnd::Lf);
}

} // namespace

Folders folders() {
    return source()();
}

void setFoldersSource(std::function<Folders()> s) {
    source() = s ? std::move(s) : std::function<Folders()>(realFolders);
}

QString execFromCommand(const QByteArray& command) {
    // Split the command line the way the shell did: blanks separate, double quotes group.
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (const QChar c : QString::fromLocal8Bit(command)) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == u' ' && !quoted) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    QStringList exec;
    for (const QString& w : std::as_const(words)) {
        if (w == u"%L" || w == u"%1" || w == u"%l") {
            exec << QStringLiteral("%f");
            continue;
        }
        // Quoted only where the desktop entry rules need it (some tools read the first word
        // of Exec literally); inside quotes ", `, $ and \ are escaped.
        static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
        QString arg = w;
        arg.replace(u'%', QStringLiteral("%%"));
        if (std::any_of(arg.begin(), arg.end(), [](QChar c) { return reserved.contains(c); })) {
            arg.replace(u'\\', QStringLiteral("\\\\"))
                .replace(u'"', QStringLiteral("\\\""))
                .replace(u'`', QStringLiteral("\\`"))
                .replace(u'$', QStringLiteral("\\$"));
            arg = u'"' + arg + u'"';
        }
        exec << arg;
    }
    return exec.join(u' ').replace(u'\\', QStringLiteral("\\\\"));
}

void reflect(const QByteArray& iconPng) {
    const Folders f = folders();
    const auto types = typesUsingProgram(SystemInfo::programPath().toLocal8Bit());
    if (types.empty())
        return;

    QStringList openMimes;
    std::map<QString, std::pair<QByteArray, QStringList>> verbs; // caption -> command, mimes
    QByteArray ownTypes;
    QString description = QStringLiteral("Zelvan RID Evodad");
    QByteArray openCommand;
    for (const auto& [type, use] : types) {
        for (const QByteArray& ext : use.extensions) {
            QString mime = systemMimeType(f, ext);
            if (mime.isEmpty()) {
                mime = QStringLiteral("text/x-") + QString::fromLatin1(ext.mid(1));
                ownTypes += "  <mime-type type=\"" + mime.toLatin1() + "\">\n    <comment>" +
                            QString::fromLocal8Bit(use.description).toHtmlEscaped().toUtf8() +
                            "</comment>\n" +
                            "    <sub-class-of type=\"text/plain\"/>\n    <glob pattern=\"*" + ext +
                            "\"/>\n  </mime-type>\n";
            }
            if (!use.openCommand.isEmpty()) {
                openMimes << mime;
                openCommand = use.openCommand;
                if (!use.description.isEmpty())
                    description = QString::fromLocal8Bit(use.description);
            }
            for (const auto& [caption, command] : use.verbs) {
                auto& verb = verbs[QString::fromLocal8Bit(caption)];
                verb.first = command;
                verb.second << mime;
            }
        }
    }

    if (!ownTypes.isEmpty()) {
        const QByteArray package = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<mime-info xmlns=\"http://www.freedesktop.org/standards/"
                                   "shared-mime-info\">\n" +
                                   ownTypes + "</mime-info>\n";
        if (writeIfChanged(f.dataHome + QStringLiteral("/mime/packages/zelvan-rid-evodad.xml"),
                           package))
            run(QStringLiteral("update-mime-database"), {f.dataHome + QStringLiteral("/mime")});
    }
    if (!iconPng.isEmpty())
        writeIfChanged(f.dataHome +
                           QStringLiteral("/icons/hicolor/32x32/apps/zelvan-rid-evodad.png"),
                       iconPng);

    const QString applications = f.dataHome + QStringLiteral("/applications/");
    const QString mimeapps = f.configHome + QStringLiteral("/mimeapps.list");
    QDir().mkpath(f.configHome);
    bool entriesChanged = false;
    if (!openMimes.isEmpty()) {
        entriesChanged |= writeIfChanged(
            applications + QString::fromLatin1(ProgramEntry),
            desktopEntry(description, execFromCommand(openCommand), openMimes, false));
        for (const QString& mime : std::as_const(openMimes)) {
            if (Profile::readString(mimeapps, "Default Applications", mime.toLatin1(), {}) !=
                ProgramEntry)
                Profile::writeString(mimeapps, "Default Applications", mime.toLatin1(),
                                     ProgramEntry, Profile::LineEnd::Lf);
            addToList(mimeapps, "Added Associations", mime, ProgramEntry);
        }
    }
    for (const auto& [caption, verb] : verbs) {
        QString name = caption;
        name.remove(u'&');
        entriesChanged |=
            writeIfChanged(applications + QString::fromLatin1(VerbEntry),
                           desktopEntry(name, execFromCommand(verb.first), verb.second, true));
        for (const QString& mime : verb.second)
            addToList(mimeapps, "Added Associations", mime, VerbEntry);
    }
    if (entriesChanged)
        run(QStringLiteral("update-desktop-database"), {applications});
}

} // namespace DesktopAssociations
