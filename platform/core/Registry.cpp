#include "Registry.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "FolderLock.h"
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Registry {
namespace {

constexpr char RootName[] = "HKEY_CLASSES_ROOT";
// Everything after this line is what an earlier read could not parse, kept as it was found.
constexpr char KeptMarker[] = "; Kept as found, not read: the lines below could not be parsed";

bool hasControlBytes(QByteArrayView text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (unsigned char)c < 0x20 || c == 0x7F; });
}

using Values = std::vector<std::pair<QByteArray, QByteArray>>;

struct Key {
    QByteArray name;
    // There only because the desktop knows it: never written until the program writes to it.
    bool desktopOnly = false;
    std::vector<std::unique_ptr<Key>> children; // in the order they were first written
    QHash<QByteArray, Key*> byFoldedName;
    Values values;
    Values desktopValues; // what the desktop's view says, behind the key's own values

    Key* child(const QByteArray& wanted) const { return byFoldedName.value(wanted.toLower()); }
    Key* addChild(const QByteArray& childName, bool fromDesktop) {
        children.push_back(std::make_unique<Key>());
        Key* added = children.back().get();
        added->name = childName;
        added->desktopOnly = fromDesktop;
        byFoldedName.insert(childName.toLower(), added);
        return added;
    }
};

struct Handle {
    QByteArrayList path;
    std::uint32_t access = 0;
};

struct Store {
    Key root;
    QByteArray tail; // what could not be parsed, kept for the next write
    bool dirty = false;
    std::map<HKEY, Handle> handles;
    HKEY nextHandle = 1;
    // Held while any key is open: from the fresh read of the file to the write of the changes.
    FolderLock lock;
    std::optional<bool> writable; // found out once a session, not at every open
};

Store& store() {
    static Store s;
    return s;
}

QString defaultDataFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Zelvan RID Evodad");
}

std::function<std::vector<DesktopType>()>& desktopTypesSource() {
    static std::function<std::vector<DesktopType>()> source;
    return source;
}

std::function<QString()>& folderSource() {
    static std::function<QString()> source = defaultDataFolder;
    return source;
}

QString registryFile() {
    return dataFolder() + QStringLiteral("/Classes.reg");
}

QByteArrayList splitPath(const QByteArray& path) {
    QByteArrayList parts;
    for (const QByteArray& part : path.split('\\')) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts;
}

// ---- the file

QByteArray unescape(QByteArrayView quoted, bool& ok) {
    ok = quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"';
    QByteArray out;
    if (!ok)
        return out;
    for (qsizetype i = 1; i + 1 < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '\\') {
            if (i + 2 >= quoted.size()) {
                ok = false;
                return out;
            }
            c = quoted[++i];
        } else if (c == '"') {
            ok = false;
            return out;
        }
        out.append(c);
    }
    return out;
}

// A string value as hex(1) data: its bytes and a closing NUL, as exports write a string that
// does not fit between quotes.
QByteArray hexValue(const QByteArray& value) {
    QByteArray out = "hex(1):";
    const QByteArray terminated = value + '\0';
    for (const char c : terminated)
        out += QByteArray::number((unsigned char)c, 16).rightJustified(2, '0') + ',';
    out.chop(1);
    return out;
}

QByteArray readValue(QByteArrayView text, bool& ok) {
    if (!text.startsWith("hex(1):"))
        return unescape(text, ok);
    QByteArray bytes;
    for (const QByteArray& pair : text.sliced(7).toByteArray().split(',')) {
        const uint byte = pair.trimmed().toUInt(&ok, 16);
        if (!ok || byte > 0xFF)
            return {};
        bytes += char(byte);
    }
    ok = bytes.endsWith('\0');
    bytes.chop(1);
    return bytes;
}

QByteArray escape(const QByteArray& text) {
    QByteArray out;
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out.append('\\');
        out.append(c);
    }
    return out;
}

// Finds or makes the key at path; with fromDesktop false the keys on the way are the program's
// from then on, even where the desktop's view had them (and the view's values go: what a key of
// the program says is read back the same after the file is loaded again). Says whether any key
// was made or taken over.
bool makePath(Key& root, const QByteArrayList& path, bool fromDesktop, Key** made = nullptr) {
    bool changed = false;
    Key* key = &root;
    for (const QByteArray& name : path) {
        Key* next = key->child(name);
        if (!next) {
            next = key->addChild(name, fromDesktop);
            changed = true;
        } else if (!fromDesktop && next->desktopOnly) {
            next->desktopOnly = false;
            next->desktopValues.clear();
            changed = true;
        }
        key = next;
    }
    if (made)
        *made = key;
    return changed;
}

Key* makePath(Key& root, const QByteArrayList& path) {
    Key* key = nullptr;
    makePath(root, path, false, &key);
    return key;
}

const QByteArray* findValue(const Values& values, const QByteArray& name) {
    for (const auto& [n, v] : values) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    }
    return nullptr;
}

// The desktop's types for the extensions that have no key of their own.
void addDesktopTypes(Key& root) {
    if (!desktopTypesSource())
        return;
    for (const DesktopType& known : desktopTypesSource()()) {
        if (known.extension.isEmpty() || known.type.isEmpty() || known.type.contains('\\') ||
            root.child(known.extension))
            continue;
        Key* ext = nullptr;
        makePath(root, {known.extension}, true, &ext);
        ext->desktopValues = {{QByteArray(), known.type}};
        Key* command = nullptr;
        // A command key of the program's own, even an empty one, says more than the view.
        if (!known.openCommand.isEmpty() &&
            makePath(root, {known.type, "shell", "open", "command"}, true, &command) &&
            command->desktopOnly)
            command->desktopValues = {{QByteArray(), known.openCommand}};
    }
}

void setValue(Key& key, const QByteArray& name, const QByteArray& value) {
    for (auto& [n, v] : key.values) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            v = value;
            return;
        }
    }
    key.values.emplace_back(name, value);
}

// Reads the export as far as it parses; the rest becomes the tail.
void parse(const QByteArray& text, Store& s) {
    s.root = Key{};
    s.tail.clear();
    Key* current = nullptr;
    bool header = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        const QByteArray line = text.mid(pos, end - pos).trimmed();
        bool ok = true;
        if (line == KeptMarker) {
            s.tail = text.mid(end + 1);
            return;
        }
        if (line.isEmpty() || line.startsWith(';')) {
            // blank lines and comments carry nothing
        } else if (!header) {
            ok = line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00";
            header = ok;
        } else if (line.startsWith('[') && line.endsWith(']')) {
            const QByteArray path = line.mid(1, line.size() - 2);
            QByteArrayList parts = splitPath(path);
            ok = !parts.isEmpty() && parts.front().compare(RootName, Qt::CaseInsensitive) == 0;
            if (ok) {
                parts.removeFirst();
                current = makePath(s.root, parts);
            }
        } else if (current) {
            const qsizetype equals = line.startsWith('@') ? 1 : line.indexOf("\"=") + 1;
            ok = equals > 0 && equals < line.size() && line[equals] == '=';
            QByteArray name;
            if (ok && !line.startsWith('@'))
                name = unescape(QByteArrayView(line).first(equals), ok);
            const QByteArray value =
                ok ? readValue(QByteArrayView(line).sliced(equals + 1), ok) : QByteArray();
            if (ok)
                setValue(*current, name, value);
        } else {
            ok = false;
        }
        if (!ok) {
            s.tail = text.mid(pos);
            return;
        }
        pos = end + 1;
    }
}

void writeKey(const Key& key, const QByteArray& path, QByteArray& out) {
    out += "\r\n[" + path + "]\r\n";
    for (const auto& [name, value] : key.values)
        out += (name.isEmpty() ? QByteArray("@") : '"' + escape(name) + '"') + '=' +
               (hasControlBytes(value) ? hexValue(value) : '"' + escape(value) + '"') + "\r\n";
}

void serialize(const Key& key, const QByteArray& path, QByteArray& out) {
    for (const auto& child : key.children) {
        if (child->desktopOnly)
            continue; // nothing below it is ours either
        const QByteArray childPath = path + '\\' + child->name;
        writeKey(*child, childPath, out);
        serialize(*child, childPath, out);
    }
}

void load(Store& s) {
    // A registry file that is not a regular file (a named pipe) reads as empty, at once.
    parse(readRegularFile(registryFile()).value_or(QByteArray()), s);
    addDesktopTypes(s.root);
    s.dirty = false;
    s.writable.reset();
}

bool save(Store& s) {
    if (!s.dirty)
        return true;
    QByteArray out = "REGEDIT4\r\n";
    if (!s.root.values.empty())
        writeKey(s.root, RootName, out);
    serialize(s.root, RootName, out);
    if (!s.tail.isEmpty())
        out += "\r\n" + QByteArray(KeptMarker) + "\r\n" + s.tail;
    s.dirty = false;
    // Everything deleted again: no export at all, as before the first key was written.
    if (out == "REGEDIT4\r\n") {
        QFile::remove(registryFile());
        QDir().rmdir(dataFolder());
        return true;
    }
    QDir().mkpath(dataFolder());
    return bool(writeFileAtomically(registryFile(), out));
}

// Whether this user may change the registry file (or create it).
bool mayWrite() {
    const QByteArray file = QFile::encodeName(registryFile());
    struct stat info {};
    if (::stat(file.constData(), &info) == 0)
        return S_ISREG(info.st_mode) && (info.st_mode & 0222) &&
               ::access(file.constData(), W_OK) == 0;
    const QString folder = dataFolder();
    return QDir().mkpath(folder) && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

bool writable() {
    Store& s = store();
    if (!s.writable)
        s.writable = mayWrite();
    return *s.writable;
}

const Handle* handleOf(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) {
        static const Handle root{{}, KEY_ALL_ACCESS};
        return &root;
    }
    const auto found = store().handles.find(key);
    return found == store().handles.end() ? nullptr : &found->second;
}

Key* resolve(const QByteArrayList& path) {
    Key* key = &store().root;
    for (const QByteArray& name : path) {
        key = key->child(name);
        if (!key)
            return nullptr;
    }
    return key;
}

long openUnderLock(Store& s, HKEY parent, const QByteArray& subKey, std::uint32_t access,
                   HKEY* result, bool create) {
    const Handle* base = handleOf(parent);
    if (!base)
        return ERROR_INVALID_HANDLE;
    if ((access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !writable())
        return ERROR_ACCESS_DENIED;
    if (hasControlBytes(subKey))
        return ERROR_INVALID_PARAMETER; // a key name the export could not hold
    Handle handle{base->path + splitPath(subKey), access};
    const Key* existing = resolve(handle.path);
    // Creating a key the desktop's view shows makes it the program's, to be written.
    if (!existing || (create && existing->desktopOnly)) {
        if (!create)
            return ERROR_FILE_NOT_FOUND;
        // Creating a key needs the right to create subkeys, asked for now or held by the key it
        // is made under: a read-only open can create nothing.
        if (!((access | base->access) & KEY_CREATE_SUB_KEY) || !writable())
            return ERROR_ACCESS_DENIED;
        makePath(s.root, handle.path);
        s.dirty = true;
    }
    // Keep the case the key was first written with.
    QByteArrayList stored;
    Key* key = &s.root;
    for (const QByteArray& name : handle.path) {
        key = key->child(name);
        stored.append(key->name);
    }
    handle.path = stored;
    *result = s.nextHandle++;
    s.handles.emplace(*result, handle);
    return ERROR_SUCCESS;
}

long open(HKEY parent, const QByteArray& subKey, std::uint32_t access, HKEY* result, bool create) {
    Store& s = store();
    // A fresh look at the file whenever nothing is open, so other processes' changes show.
    if (parent == HKEY_CLASSES_ROOT && s.handles.empty()) {
        if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY))
            QDir().mkpath(dataFolder());
        s.lock = FolderLock(registryFile());
        load(s);
    }
    const long status = openUnderLock(s, parent, subKey, access, result, create);
    if (s.handles.empty())
        s.lock = FolderLock();
    return status;
}
} // namespace

long RegOpenKeyExA(HKEY key, const QByteArray& subKey, std::uint32_t access, HKEY* result) {
    return open(key, subKey, access, result, false);
}

long RegCreateKeyExA(HKEY key, const QByteArray& subKey, std::uint32_t access, HKEY* result) {
    return open(key, subKey, access, result, true);
}

long RegQueryValueExA(HKEY key, const QByteArray& valueName, QByteArray* value) {
    const Handle* handle = handleOf(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    if (!(handle->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    const Key* k = resolve(handle->path);
    if (!k)
        return ERROR_FILE_NOT_FOUND;
    const QByteArray* found = findValue(k->values, valueName);
    if (!found)
        found = findValue(k->desktopValues, valueName);
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    *value = *found;
    return ERROR_SUCCESS;
}

long RegSetValueExA(HKEY key, const QByteArray& valueName, const QByteArray& value) {
    const Handle* handle = handleOf(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    if (!(handle->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (hasControlBytes(valueName))
        return ERROR_INVALID_PARAMETER;
    Key* k = resolve(handle->path);
    if (!k)
        return ERROR_FILE_NOT_FOUND;
    makePath(store().root, handle->path); // the key is the program's now, view or not
    setValue(*k, valueName, value);
    store().dirty = true;
    return ERROR_SUCCESS;
}

long RegDeleteTreeA(HKEY key, const QByteArray& subKey) {
    const Handle* handle = handleOf(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    if (!(handle->access & KEY_SET_VALUE) || !writable())
        return ERROR_ACCESS_DENIED;
    const QByteArrayList path = handle->path + splitPath(subKey);
    if (path.isEmpty())
        return ERROR_ACCESS_DENIED; // the root itself stays
    Key* parent = resolve(path.mid(0, path.size() - 1));
    Key* doomed = parent ? parent->child(path.back()) : nullptr;
    if (!doomed)
        return ERROR_FILE_NOT_FOUND;
    parent->byFoldedName.remove(doomed->name.toLower());
    std::erase_if(parent->children, [doomed](const auto& c) { return c.get() == doomed; });
    store().dirty = true;
    return ERROR_SUCCESS;
}

long RegFlushKey(HKEY key) {
    if (!handleOf(key))
        return ERROR_INVALID_HANDLE;
    return save(store()) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

long RegCloseKey(HKEY key) {
    Store& s = store();
    if (s.handles.erase(key) == 0)
        return ERROR_INVALID_HANDLE;
    // A lazy close still reaches the file, at the latest when the last key is closed.
    if (s.handles.empty()) {
        save(s);
        s.lock = FolderLock();
    }
    return ERROR_SUCCESS;
}

QByteArrayList subKeyNames(HKEY key) {
    QByteArrayList names;
    const Handle* handle = handleOf(key);
    if (const Key* k = handle ? resolve(handle->path) : nullptr) {
        for (const auto& c : k->children)
            names.append(c->name);
    }
    return names;
}

void setDesktopTypesSource(std::function<std::vector<DesktopType>()> source) {
    desktopTypesSource() = std::move(source);
}

QString dataFolder() {
    return folderSource()();
}

void setDataFolderSource(std::function<QString()> source) {
    folderSource() = source ? std::move(source) : std::function<QString()>(defaultDataFolder);
}

// ---- TRegistry

TRegistry::TRegistry(std::uint32_t access) : Access(access) {}

TRegistry::~TRegistry() {
    CloseKey();
}

bool TRegistry::open(const QByteArray& key, bool canCreate, std::uint32_t access) {
    const bool absolute = key.startsWith('\\');
    const HKEY parent = (absolute || !m_current) ? RootKey : m_current;
    HKEY result = 0;
    const long status = canCreate ? RegCreateKeyExA(parent, key, access, &result)
                                  : RegOpenKeyExA(parent, key, access, &result);
    if (status != ERROR_SUCCESS)
        return false;
    CloseKey();
    m_current = result;
    return true;
}

bool TRegistry::OpenKey(const QByteArray& key, bool canCreate) {
    return open(key, canCreate, Access);
}

bool TRegistry::OpenKeyReadOnly(const QByteArray& key) {
    if (!open(key, false, KEY_READ))
        return false;
    Access = KEY_READ;
    return true;
}

void TRegistry::CloseKey() {
    if (!m_current)
        return;
    if (!LazyWrite)
        RegFlushKey(m_current);
    RegCloseKey(m_current);
    m_current = 0;
}

QByteArray TRegistry::ReadString(const QByteArray& name) {
    QByteArray value;
    if (!m_current || RegQueryValueExA(m_current, name, &value) != ERROR_SUCCESS)
        return {};
    return value;
}

void TRegistry::WriteString(const QByteArray& name, const QByteArray& value) {
    if (!m_current || RegSetValueExA(m_current, name, value) != ERROR_SUCCESS)
        throw UserError(
            QStringLiteral("Failed to set data for '%1'").arg(QString::fromLocal8Bit(name)));
}

} // namespace Registry
