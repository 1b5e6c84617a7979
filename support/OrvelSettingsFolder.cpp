#include "OrvelSettingsFolder.h"

#include "OrvelUtils.h"
#include "SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t Delimiter = u'/';

// Everything up to and including the last delimiter.
QString folderPart(const QString& path) {
    return path.left(path.lastIndexOf(Delimiter) + 1);
}

} // namespace

QString GetSettingsFolder(const QString& subFolder) {
    QString folder;
    if (GetPlatformId() != 2) {
        folder = GetProgramFolder();
    } else if (HasAdminRights() &&
               CanWriteTo(GetProgramFolder() + QStringLiteral("WriteAccessTestFile.$$$"))) {
        folder = GetProgramFolder();
    } else {
        // Without an application-data folder this is the sub folder alone, relative to the
        // current folder.
        folder = GetSpecialFolder(CSIDL_APPDATA) + subFolder;
    }
    folder = WithTrailingBackslash(folder);
    if (!FolderExists(folder))
        ForceFolder(folder);
    return folder;
}

QString GetSpecialFolder(int csidl) {
    if (csidl != CSIDL_APPDATA)
        return {};
    return WithTrailingBackslash(SystemInfo::facts().appDataFolder);
}

bool CanWriteTo(const QString& path) {
    if (!FolderExists(folderPart(path)))
        return false;
    QString probe = path;
    if (IsExistingFolder(path))
        probe = WithTrailingBackslash(path) + QStringLiteral("WriteAccessTest.DeleteMe");
    const QByteArray name = QFile::encodeName(probe);
    struct stat info {};
    const bool existed = ::stat(name.constData(), &info) == 0;
    // A file nobody may write is read-only, also for the administrator.
    if (existed && (info.st_mode & 0222) == 0)
        return false;
    const int fd = existed
                       ? ::open(name.constData(), O_RDWR | O_CLOEXEC)
                       : ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    ::close(fd);
    if (!existed)
        ::unlink(name.constData());
    return true;
}

bool ForceFolder(const QString& path) {
    if (path.isEmpty())
        return false;
    QString folder = path;
    if (folder.endsWith(Delimiter))
        folder.chop(1);
    // The root stands where the Windows code had its drive letter: nothing above it to create.
    if (folder.isEmpty() || FolderExists(folder) || folderPart(folder) == folder)
        return true;
    const QString parent = folderPart(folder);
    if (!parent.isEmpty() && !ForceFolder(parent))
        return false;
    return QDir().mkdir(folder) || FolderExists(folder);
}

bool FolderExists(const QString& path) {
    if (path.size() > 1 && path.back() == u' ')
        return false;
    return QFileInfo(path.isEmpty() ? QStringLiteral(".") : path).isDir();
}

bool IsExistingFolder(const QString& path) {
    return FolderExists(path) && !QFileInfo(path).isFile();
}

QString WithTrailingBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(Delimiter))
        return path;
    return path + Delimiter;
}

bool HasAdminRights() {
    if (IsWin9x())
        return true;
    if (GetWindowsVersionCode() >= WinVista)
        return IsElevated();
    return IsAdminMember();
}

bool IsAdminMember() {
    if (!IsWinNT())
        return true;
    return SystemInfo::facts().adminMember;
}

bool IsElevated() {
    return SystemInfo::facts().elevated;
}

int GetWindowsVersionCode() {
    const SystemInfo::Facts f = SystemInfo::facts();
    if (f.platformId == 1 && f.majorVersion == 4) {
        switch (f.minorVersion) {
        case 0:
            return Win95;
        case 10:
            return Win98;
        case 90:
            return WinMe;
        default:
            return Unknown;
        }
    }
    if (f.platformId == 2) {
        if (f.majorVersion == 4 && f.minorVersion == 0)
            return WinNT4;
        if (f.majorVersion == 5 && f.minorVersion <= 2)
            return Win2000 + f.minorVersion;
        if (f.majorVersion == 6)
            return WinVista;
        if (f.majorVersion == 7)
            return Win7;
    }
    return Unknown;
}

int GetPlatformId() {
    return SystemInfo::facts().platformId;
}

bool IsWinNT() {
    return GetPlatformId() == 2;
}

bool IsWin9x() {
    return GetPlatformId() == 1;
}
