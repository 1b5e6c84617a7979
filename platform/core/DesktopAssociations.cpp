#include "DesktopAssociations.h"

#include "AtomicFile.h"
#include "Profile.h"
#include "Registry.h"
#include "RegularFile.h"
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
    const QString configDirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    f.systemConfigDirs = (configDirs.isEmpty() ? QStringLiteral("/etc/xdg") : configDirs)
                             .split(u':', Qt::SkipEmptyParts);
    return f;
}

std::function<Folders()>& source() {
    static std::function<Folders()> s = realFolders;
    return s;
}

// Splits a command line the way a shell would: blanks separate, double quotes group and, where
// the rules have it (desktop entries), a backslash inside them takes the next byte as it is.
QByteArrayList splitWords(const QByteArray& line, bool escapesInQuotes) {
    QByteArrayList words;
    QByteArray word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (escapesInQuotes && quoted && c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
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
    return words;
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
        if (commandRuns(open, programPath))
            use.openCommand = open;
        HKEY shell = 0;
        if (RegOpenKeyExA(root, type + "\\shell", KEY_READ, &shell) == ERROR_SUCCESS) {
            for (const QByteArray& other : subKeyNames(shell)) {
                if (other.compare(verb, Qt::CaseInsensitive) == 0)
                    continue;
                const QByteArray command = readDefault(shell, other + "\\command");
                if (commandRuns(command, programPath))
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

QByteArray readFile(const QString& path) {
    return readRegularFile(path).value_or(QByteArray());
}

// Extension -> MIME type from the glob lists of the MIME databases in dirs, the first glob seen
// winning: each list is sorted by weight, and earlier folders come first.
std::map<QByteArray, QByteArray> globExtensions(const QStringList& dirs) {
    std::map<QByteArray, QByteArray> extensions;
    for (const QString& dir : dirs) {
        for (const QByteArray& line : readFile(dir + QStringLiteral("/mime/globs2")).split('\n')) {
            if (line.startsWith('#'))
                continue;
            const QByteArrayList parts = line.trimmed().split(':'); // weight:type:glob[:flags]
            if (parts.size() < 3 || !parts[2].startsWith("*.") || parts[1].isEmpty())
                continue;
            const QByteArray ext = parts[2].mid(1).toLower();
            if (ext.size() > 1 && !ext.contains('*') && !ext.contains('?') && !ext.contains('['))
                extensions.try_emplace(ext, parts[1]);
        }
    }
    return extensions;
}

// ---- the desktop's view for the registry

using Section = std::vector<std::pair<QByteArray, QByteArray>>;

// The key-value lines of one section of a desktop-style key file.
Section readSection(const QString& path, const QByteArray& wanted) {
    Section entries;
    bool inSection = false;
    for (const QByteArray& raw : readFile(path).split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inSection = line == '[' + wanted + ']';
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inSection && equals > 0 && !line.startsWith('#'))
            entries.emplace_back(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return entries;
}

QByteArrayList desktopIds(const QByteArray& list) {
    QByteArrayList ids = list.split(';');
    ids.removeIf([](const QByteArray& id) { return id.trimmed().isEmpty(); });
    return ids;
}

// The words of a desktop entry's Exec value, unquoted, field codes as they stand.
QByteArrayList execWords(const QByteArray& exec) {
    QByteArray unescaped; // the key file's own escapes first
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] != '\\' || i + 1 == exec.size()) {
            unescaped += exec[i];
            continue;
        }
        switch (const char next = exec[++i]) {
        case 's':
            unescaped += ' ';
            break;
        case 't':
            unescaped += '\t';
            break;
        case 'n':
            unescaped += '\n';
            break;
        case 'r':
            unescaped += '\r';
            break;
        case '\\':
            unescaped += '\\';
            break;
        default:
            unescaped += QByteArray{'\\', next};
        }
    }
    return splitWords(unescaped, true);
}

// A desktop entry's Exec as a registry command line, each word quoted and the file as "%1".
QByteArray commandFromExec(const QByteArray& exec) {
    QByteArrayList command;
    for (const QByteArray& word : execWords(exec)) {
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
            command << "\"%1\"";
            continue;
        }
        if (word.size() == 2 && word[0] == '%' && word[1] != '%')
            continue; // %i, %c, %k and the deprecated codes have no registry form
        QByteArray plain = word;
        plain.replace("%%", "%");
        command << '"' + plain + '"';
    }
    return command.join(' ');
}

// Desktop ids as the desktop resolves them: the first file of that name in the data folders,
// unless hidden.
class Applications {
public:
    explicit Applications(QStringList dataDirs) : m_dataDirs(std::move(dataDirs)) {}

    // The registry command of the entry, or empty when it is not installed.
    QByteArray commandOf(const QByteArray& id) {
        const auto known = m_commands.find(id);
        if (known != m_commands.end())
            return known->second;
        QByteArray command;
        if (id != ProgramEntry && id != VerbEntry) {
            for (const QString& dir : m_dataDirs) {
                const QString path = dir + QStringLiteral("/applications/") + QString::fromUtf8(id);
                if (!QFile::exists(path))
                    continue;
                bool hidden = false;
                QByteArray exec;
                for (const auto& [key, value] : readSection(path, "Desktop Entry")) {
                    if (key == "Hidden")
                        hidden = value == "true";
                    else if (key == "Exec")
                        exec = value;
                }
                if (!hidden)
                    command = commandFromExec(exec);
                break;
            }
        }
        m_commands[id] = command;
        return command;
    }

private:
    QStringList m_dataDirs;
    std::map<QByteArray, QByteArray> m_commands;
};

// The default application's command for each MIME type that has one.
std::map<QByteArray, QByteArray> defaultCommands(const Folders& f,
                                                 const std::set<QByteArray>& types) {
    const QStringList dataDirs = QStringList{f.dataHome} + f.systemDataDirs;
    QStringList listFiles{f.configHome + QStringLiteral("/mimeapps.list")};
    for (const QString& dir : f.systemConfigDirs)
        listFiles << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir : dataDirs)
        listFiles << dir + QStringLiteral("/applications/mimeapps.list");

    // Candidates in the order the desktop tries them: every file's defaults, then every file's
    // added associations, then the applications' own claims in the caches.
    std::map<QByteArray, QByteArrayList> candidates;
    std::set<std::pair<QByteArray, QByteArray>> removed;
    const auto collect = [&](const QString& path, const QByteArray& section) {
        for (const auto& [type, list] : readSection(path, section)) {
            if (types.count(type))
                candidates[type] += desktopIds(list);
        }
    };
    for (const QString& path : listFiles) {
        for (const auto& [type, list] : readSection(path, "Removed Associations")) {
            for (const QByteArray& id : desktopIds(list))
                removed.emplace(type, id);
        }
    }
    for (const QString& path : listFiles)
        collect(path, "Default Applications");
    for (const QString& path : listFiles)
        collect(path, "Added Associations");
    for (const QString& dir : dataDirs)
        collect(dir + QStringLiteral("/applications/mimeinfo.cache"), "MIME Cache");

    Applications applications(dataDirs);
    std::map<QByteArray, QByteArray> commands;
    for (const auto& [type, ids] : candidates) {
        for (const QByteArray& id : ids) {
            const QByteArray command =
                removed.count({type, id}) ? QByteArray() : applications.commandOf(id);
            if (!command.isEmpty()) {
                commands[type] = command;
                break;
            }
        }
    }
    return commands;
}

bool writeIfChanged(const QString& path, const QByteArray& content) {
    if (readRegularFile(path) == content)
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

// Stands for "no such key" where an empty value means something.
const QByteArray Absent = QByteArrayLiteral("\x01"
                                            "absent");

// Where reflect() notes the defaults it replaced in mimeapps.list.
QString record() {
    return Registry::dataFolder() + QStringLiteral("/Replaced defaults.list");
}

QString mimePackage(const Folders& f) {
    return f.dataHome + QStringLiteral("/mime/packages/zelvan-rid-evodad.xml");
}

QString userIcon(const Folders& f) {
    return f.dataHome + QStringLiteral("/icons/hicolor/32x32/apps/zelvan-rid-evodad.png");
}

// Adds the entry to the comma-free list value "a.desktop;b.desktop;" of a mimeapps.list key.
void addToList(const QString& file, const QByteArray& section, const QString& mime,
               const QByteArray& entry) {
    // Read and written under one lock: two viewers adding their entries at once keep both.
    Profile::updateString(
        file, section, mime.toLatin1(),
        [&entry](const QByteArray& list) -> std::optional<QByteArray> {
            if (list.split(';').contains(entry))
                return std::nullopt;
            return list + (list.isEmpty() || list.endsWith(';') ? "" : ";") + entry + ';';
        },
        Profile::LineEnd::Lf);
}

} // namespace

Folders folders() {
    return source()();
}

void setFoldersSource(std::function<Folders()> s) {
    source() = s ? std::move(s) : std::function<Folders()>(realFolders);
}

QString execFromCommand(const QByteArray& command) {
    QStringList words;
    for (const QByteArray& word : splitWords(command, false))
        words << QString::fromLocal8Bit(word);
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

std::vector<Registry::DesktopType> desktopTypes() {
    const Folders f = folders();
    // The user's database before the system's.
    const std::map<QByteArray, QByteArray> extensions =
        globExtensions(QStringList{f.dataHome} + f.systemDataDirs);
    std::set<QByteArray> types;
    for (const auto& [ext, type] : extensions)
        types.insert(type);
    const std::map<QByteArray, QByteArray> commands = defaultCommands(f, types);
    std::vector<Registry::DesktopType> known;
    known.reserve(extensions.size());
    for (const auto& [ext, type] : extensions) {
        const auto command = commands.find(type);
        known.push_back({ext, type, command == commands.end() ? QByteArray() : command->second});
    }
    return known;
}

void reflect(const QByteArray& iconPng) {
    const Folders f = folders();
    // A desktop entry must name the program exactly: a path with control bytes or bytes that
    // are not UTF-8 cannot be written into one, and in a path with a double quote the
    // registry's command line itself ends the path early. Such a program gets no entry rather
    // than one that starts something else.
    const QByteArray program = SystemInfo::programPath().toLocal8Bit();
    if (std::any_of(program.begin(), program.end(),
                    [](char c) { return (unsigned char)c < 0x20 || c == 0x7F || c == '"'; }) ||
        !QUtf8StringView(program).isValidUtf8())
        return;
    const auto types = typesUsingProgram(program);
    if (types.empty())
        return;

    // The system's MIME type for an extension where it has one, else our own.
    const std::map<QByteArray, QByteArray> systemTypes = globExtensions(f.systemDataDirs);
    QStringList openMimes;
    std::map<QString, std::pair<QByteArray, QStringList>> verbs; // caption -> command, mimes
    QByteArray ownTypes;
    QString description = QStringLiteral("Zelvan RID Evodad");
    QByteArray openCommand;
    for (const auto& [type, use] : types) {
        for (const QByteArray& ext : use.extensions) {
            const auto system = systemTypes.find(ext);
            QString mime =
                system == systemTypes.end() ? QString() : QString::fromLatin1(system->second);
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
        if (writeIfChanged(mimePackage(f), package))
            run(QStringLiteral("update-mime-database"), {f.dataHome + QStringLiteral("/mime")});
    }
    if (!iconPng.isEmpty())
        writeIfChanged(userIcon(f), iconPng);

    const QString applications = f.dataHome + QStringLiteral("/applications/");
    const QString mimeapps = f.configHome + QStringLiteral("/mimeapps.list");
    QDir().mkpath(f.configHome);
    bool entriesChanged = false;
    if (!openMimes.isEmpty()) {
        entriesChanged |= writeIfChanged(
            applications + QString::fromLatin1(ProgramEntry),
            desktopEntry(description, execFromCommand(openCommand), openMimes, false));
        for (const QString& mime : std::as_const(openMimes)) {
            const QByteArray previous =
                Profile::readString(mimeapps, "Default Applications", mime.toLatin1(), Absent);
            if (previous != ProgramEntry) {
                // What the desktop opened the type with before, for withdraw() to put back.
                QDir().mkpath(Registry::dataFolder());
                if (Profile::readString(record(), "Default Applications", mime.toLatin1(),
                                        Absent) == Absent)
                    Profile::writeString(record(), "Default Applications", mime.toLatin1(),
                                         previous == Absent ? QByteArray() : previous,
                                         Profile::LineEnd::Lf);
                Profile::writeString(mimeapps, "Default Applications", mime.toLatin1(),
                                     ProgramEntry, Profile::LineEnd::Lf);
            }
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

bool commandRuns(const QByteArray& command, const QByteArray& program) {
    return splitWords(command, false).value(0) == program;
}

QStringList ownFiles() {
    const Folders f = folders();
    const QString applications = f.dataHome + QStringLiteral("/applications/");
    return {Registry::dataFolder() + QStringLiteral("/Classes.reg"),
            record(),
            f.configHome + QStringLiteral("/mimeapps.list"),
            applications + QString::fromLatin1(ProgramEntry),
            applications + QString::fromLatin1(VerbEntry),
            mimePackage(f),
            userIcon(f)};
}

void withdraw() {
    const Folders f = folders();
    const QString applications = f.dataHome + QStringLiteral("/applications/");
    const QString mimeapps = f.configHome + QStringLiteral("/mimeapps.list");
    for (const auto& [mime, entry] : readSection(mimeapps, "Default Applications")) {
        if (entry != ProgramEntry)
            continue;
        const QByteArray before = Profile::readString(record(), "Default Applications", mime, {});
        if (before.isEmpty())
            Profile::deleteKey(mimeapps, "Default Applications", mime);
        else
            Profile::writeString(mimeapps, "Default Applications", mime, before,
                                 Profile::LineEnd::Lf);
    }
    for (const auto& [mime, list] : readSection(mimeapps, "Added Associations")) {
        QByteArrayList kept = list.split(';');
        const qsizetype count = kept.size();
        kept.removeIf([](const QByteArray& id) { return id == ProgramEntry || id == VerbEntry; });
        if (kept.size() == count)
            continue;
        const QByteArray rest = kept.join(';');
        if (rest.isEmpty())
            Profile::deleteKey(mimeapps, "Added Associations", mime);
        else
            Profile::writeString(mimeapps, "Added Associations", mime, rest, Profile::LineEnd::Lf);
    }
    QFile::remove(record());
    QDir().rmdir(Registry::dataFolder());

    bool entries = false;
    for (const char* entry : {ProgramEntry, VerbEntry})
        entries |= QFile::remove(applications + QString::fromLatin1(entry));
    if (entries)
        run(QStringLiteral("update-desktop-database"), {applications});
    if (QFile::remove(mimePackage(f)))
        run(QStringLiteral("update-mime-database"), {f.dataHome + QStringLiteral("/mime")});
    if (QFile::remove(userIcon(f))) {
        // The folders the icon needed, where nothing else lives in them.
        QDir icons(f.dataHome);
        for (const char* folder :
             {"icons/hicolor/32x32/apps", "icons/hicolor/32x32", "icons/hicolor", "icons"})
            icons.rmdir(QString::fromLatin1(folder));
    }
}

} // namespace DesktopAssociations
