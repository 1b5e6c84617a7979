#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// Our stand-in for the Windows registry under HKEY_CLASSES_ROOT: a per-user key tree kept in
// Windows registry export format ("REGEDIT4") in Classes.reg under the user's data folder
// ($XDG_DATA_HOME or ~/.local/share, then "Zelvan RID Evodad"). Key names match without regard
// to case and keep the case they were first written with; values are strings, "" naming a key's
// default value. A key opened for reading can neither get subkeys nor values; a registry file
// the user cannot write cannot be opened for writing at all. A damaged file is read as far as it
// parses, and what follows is kept as it was when the file is written again, behind a comment
// line after which nothing is read as a key (so it can never override what the program wrote).
// Values holding control bytes (a newline in a path) are written as hex(1) data; key and value
// names cannot hold them.
namespace Registry {

using HKEY = std::intptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = HKEY(0x80000000);

enum : std::uint32_t {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_NOTIFY = 0x0010,
    KEY_CREATE_LINK = 0x0020,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

enum : long {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_PARAMETER = 87,
};

long RegOpenKeyExA(HKEY key, const QByteArray& subKey, std::uint32_t access, HKEY* result);
long RegCreateKeyExA(HKEY key, const QByteArray& subKey, std::uint32_t access, HKEY* result);
long RegQueryValueExA(HKEY key, const QByteArray& valueName, QByteArray* value);
long RegSetValueExA(HKEY key, const QByteArray& valueName, const QByteArray& value);
// Deletes the key named subKey below key with everything under it (the key needs write access).
long RegDeleteTreeA(HKEY key, const QByteArray& subKey);
long RegFlushKey(HKEY key);
long RegCloseKey(HKEY key);

// The names of a key's subkeys, in the case they were first written with.
QByteArrayList subKeyNames(HKEY key);

// A file type the desktop knows, for the view below the file.
struct DesktopType {
    QByteArray extension;   // ".nfo"
    QByteArray type;        // "text/x-nfo"
    QByteArray openCommand; // "\"/usr/bin/viewer\" \"%1\"", empty without a default application
};
// Where the view comes from (by default nowhere; the programs point it at the desktop).
void setDesktopTypesSource(std::function<std::vector<DesktopType>()> source);

// The folder that holds Classes.reg (tests point it at a temporary folder).
QString dataFolder();
void setDataFolderSource(std::function<QString()> source);

// The class the maker's code used around the calls above: a current key, opened relative to it
// or (with a leading backslash) to the root, and an access mask for the opens that follow.
class TRegistry {
public:
    explicit TRegistry(std::uint32_t access = KEY_ALL_ACCESS);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey = HKEY_CLASSES_ROOT;
    std::uint32_t Access;
    bool LazyWrite = true;

    bool OpenKey(const QByteArray& key, bool canCreate);
    bool OpenKeyReadOnly(const QByteArray& key);
    void CloseKey();
    QByteArray ReadString(const QByteArray& name); // empty when absent
    // Raises "Failed to set data for '<name>'" when the value cannot be set.
    void WriteString(const QByteArray& name, const QByteArray& value);

private:
    bool open(const QByteArray& key, bool canCreate, std::uint32_t access);
    HKEY m_current = 0;
};

} // namespace Registry
