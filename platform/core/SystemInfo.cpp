#include "SystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace SystemInfo {
namespace {

bool inAdministratorGroup() {
    if (::getuid() == 0 || ::geteuid() == 0)
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)) + 1);
    const int found = ::getgroups(int(groups.size()), groups.data());
    groups.resize(size_t(std::max(found, 0)));
    groups.push_back(::getegid());
    for (const gid_t gid : groups) {
        if (const group* g = ::getgrgid(gid)) {
            const QByteArray name(g->gr_name);
            if (name == "sudo" || name == "wheel" || name == "admin")
                return true;
        }
    }
    return false;
}

QString configFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::getuid()))
            home = QString::fromLocal8Bit(pw->pw_dir);
    }
    return home.isEmpty() ? QString() : home + QStringLiteral("/.config");
}

std::function<Facts()>& source() {
    static std::function<Facts()> s = realFacts;
    return s;
}

} // namespace

Facts realFacts() {
    Facts f;
    f.elevated = ::geteuid() == 0;
    // Group lookups may go over the network (NSS); membership does not change while we run.
    static const bool adminMember = inAdministratorGroup();
    f.adminMember = adminMember;
    f.appDataFolder = configFolder();
    // Read from /proc/self/exe, so it is right whatever the current directory or argv[0]; before
    // the application object exists the toolkit would only complain, so the link is read then.
    if (QCoreApplication::instance())
        f.programPath = QCoreApplication::applicationFilePath();
    if (f.programPath.isEmpty())
        f.programPath = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return f;
}

Facts facts() {
    return source()();
}

void setFactsSource(std::function<Facts()> s) {
    source() = s ? std::move(s) : std::function<Facts()>(realFacts);
}

QString programPath() {
    return facts().programPath;
}

QString programFolder() {
    const QString path = programPath();
    return path.left(path.lastIndexOf(u'/') + 1);
}

} // namespace SystemInfo
