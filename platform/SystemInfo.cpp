#include "SystemInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace SystemInfo {

QString programPath() {
    // Read from /proc/self/exe, so it is right whatever the current directory or argv[0].
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return path;
}

QString programFolder() {
    const QString path = programPath();
    return path.left(path.lastIndexOf(u'/') + 1);
}

} // namespace SystemInfo
