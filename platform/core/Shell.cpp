#include "Shell.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace Shell {
namespace {

// Openers that outlive the wait below keep running detached; they are reaped on later calls so
// that none is left a zombie.
std::vector<pid_t>& pendingOpeners() {
    static std::vector<pid_t> pids;
    return pids;
}

void reapFinishedOpeners() {
    auto& pids = pendingOpeners();
    std::erase_if(pids, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

int openWithDesktop(const QByteArray& target) {
    reapFinishedOpeners();
    if (target.isEmpty())
        return ErrorFileNotFound;
    QByteArray argument = desktopTarget(target);
    // An argument that starts with a dash would be read as an option of the opener.
    if (argument.startsWith('-'))
        argument.prepend("./");
    char opener[] = "xdg-open";
    char* argv[] = {opener, argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0)
        return ErrorNoAssociation;
    // The opener normally hands over to the right program and ends at once; its exit code then
    // tells whether anything could open the target. One that keeps running (some desktops keep
    // it until the browser ends) has evidently found a handler.
    QDeadlineTimer deadline(2000);
    while (!deadline.hasExpired()) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (!WIFEXITED(status))
                return ErrorNoAssociation;
            switch (WEXITSTATUS(status)) {
            case 0:
                return Success;
            case 2:
                return ErrorFileNotFound;
            default:
                return ErrorNoAssociation;
            }
        }
        if (done < 0 && errno != EINTR)
            return ErrorNoAssociation;
        QThread::msleep(10);
    }
    pendingOpeners().push_back(pid);
    return Success;
}

Handler& currentHandler() {
    static Handler handler = openWithDesktop;
    return handler;
}

} // namespace

void endOpeners() {
    reapFinishedOpeners();
    auto& pids = pendingOpeners();
    for (const pid_t pid : pids)
        kill(pid, SIGTERM);
    const QDeadlineTimer grace(500);
    while (!pids.empty() && !grace.hasExpired()) {
        QThread::msleep(10);
        reapFinishedOpeners();
    }
    for (const pid_t pid : pids) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pids.clear();
}

QByteArray desktopTarget(const QByteArray& target) {
    if (target.size() >= 4 && target.first(4).toLower() == "www.")
        return "http://" + target;
    return target;
}

int execute(const QByteArray& target) {
    return currentHandler()(target);
}

void setHandler(Handler handler) {
    currentHandler() = handler ? std::move(handler) : Handler(openWithDesktop);
}

} // namespace Shell
