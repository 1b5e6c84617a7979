#pragma once

#include <QString>

// Facts about the running program that the Windows code asked the system for.
namespace SystemInfo {

// Full path of the running program's executable file.
QString programPath();

// The folder of the program file, always ending with the path delimiter.
QString programFolder();

} // namespace SystemInfo
