#pragma once

#include <QString>

// Where the settings live: beside the program when it may write there, else in a folder of its
// own inside the user's application-data folder. Folder paths returned here end with the path
// delimiter "/" (except an empty one).

enum WindowsVersionCode {
    Unknown = 0,
    Win95 = 1,
    Win98 = 2,
    WinMe = 3,
    WinNT4 = 4,
    Win2000 = 5,
    WinXP = 6,
    WinServer2003 = 7,
    WinVista = 8,
    Win7 = 9,
};

constexpr int CSIDL_APPDATA = 26;

// The folder for the settings, created (with any missing parents) when it does not exist.
// Every call repeats the tests and the probe.
QString GetSettingsFolder(const QString& subFolder);

// The special folder's path with a trailing delimiter; empty when the system cannot give it.
QString GetSpecialFolder(int csidl);

// True when the file (or, for a folder, "WriteAccessTest.DeleteMe" inside it) could be created
// or opened for writing. A probe file it made is deleted again; one that existed is left.
bool CanWriteTo(const QString& path);

// True when the folder exists or was created with all missing parents, outermost first.
bool ForceFolder(const QString& path);

// True when the path names an existing folder and does not end with a blank.
bool FolderExists(const QString& path);

// FolderExists, and no file of that name exists.
bool IsExistingFolder(const QString& path);

// The path with a delimiter appended unless it ends with one; an empty path stays empty.
QString WithTrailingBackslash(const QString& path);

bool HasAdminRights();
bool IsAdminMember();
bool IsElevated();
int GetWindowsVersionCode();
int GetPlatformId();
bool IsWinNT();
bool IsWin9x();
