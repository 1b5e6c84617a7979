#pragma once

#include <QString>

#include <functional>

// Facts about the system and the running program that the Windows code asked the system for.
// A POSIX system reports itself as the NT family at version 6.0, so the elevation test decides:
// elevated means running as root (effective user id 0); Administrators membership means user id
// 0 or membership of the sudo, wheel or admin group; the per-user application-data folder is
// $XDG_CONFIG_HOME, or ~/.config.
namespace SystemInfo {

struct Facts {
    int platformId = 2; // 1 = 9x family, 2 = NT family
    int majorVersion = 6;
    int minorVersion = 0;
    bool elevated = false;
    bool adminMember = false;
    QString appDataFolder; // empty when the system cannot give it
    QString programPath;   // full path of the program file
};

// The facts of this system and process.
Facts facts();

// Replaces where the facts come from (tests play other systems here); an empty function puts
// the real system back.
void setFactsSource(std::function<Facts()> source);

// The facts as the real system reports them, whatever source is installed.
Facts realFacts();

// Full path of the running program's executable file.
QString programPath();

// The folder of the program file, always ending with the path delimiter.
QString programFolder();

} // namespace SystemInfo
