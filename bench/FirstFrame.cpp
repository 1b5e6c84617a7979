// Times a program's start from outside, as a user meets it: from just before it is started to
// the first frame of one of its windows that the X server has (seen through the damage
// extension) holding a pixel of the given colour (the text's, say), or any frame without one.
// Both ends are the X server's own times (a property change just before the start, the damage
// event's time), so that reading a window's pixels back to look for the colour, which takes
// milliseconds, delays no later frame's time. The program is ended then. Run with no window
// manager: a top-level window is then a child of the root, and its frames are the program's own.
//
//   bench_firstframe [-c RRGGBB] [-t SECONDS] [-v 1] PROGRAM [ARGUMENT...]
//
// Prints the milliseconds (with -v also, on standard error, when the window was mapped and the
// CPU time the program had spent by that frame, all its threads, so that waiting shows apart
// from working); exits 1 when no such frame came within SECONDS (default 30).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Whether the window's pixels hold the colour (any pixel at all without one).
bool holds(Display* display, Window window, long colour) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    if (colour < 0)
        return true;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool found = false;
    for (int y = 0; y < image->height && !found; ++y)
        for (int x = 0; x < image->width && !found; ++x)
            found = long(XGetPixel(image, x, y) & 0xFFFFFF) == colour;
    XDestroyImage(image);
    return found;
}

// A window of the program's that has gone by the time it is looked at is none of ours to fail on.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// The CPU milliseconds a process has spent so far, its threads' included.
double cpuMilliseconds(pid_t process) {
    FILE* stat = std::fopen(("/proc/" + std::to_string(process) + "/stat").c_str(), "r");
    if (!stat)
        return -1;
    unsigned long user = 0, system = 0;
    // The command's name in parentheses may hold spaces: the fields are counted after it.
    int c = 0;
    while ((c = std::fgetc(stat)) != EOF && c != ')') {
    }
    const int read =
        std::fscanf(stat, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system);
    std::fclose(stat);
    return read == 2 ? double(user + system) * 1000.0 / double(sysconf(_SC_CLK_TCK)) : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    long colour = -1;
    double limit = 30;
    bool verbose = false;
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
        if (std::strcmp(argv[first], "-c") == 0)
            colour = std::strtol(argv[first + 1], nullptr, 16);
        else if (std::strcmp(argv[first], "-t") == 0)
            limit = std::atof(argv[first + 1]);
        else if (std::strcmp(argv[first], "-v") == 0)
            verbose = std::atoi(argv[first + 1]) != 0;
    }
    if (first >= argc) {
        std::fprintf(stderr,
                     "usage: bench_firstframe [-c RRGGBB] [-t SECONDS] [-v 1] PROGRAM [ARG...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    int damageEvent = 0, damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "bench_firstframe: no display with the damage extension\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    // The server's time now: a property changed on a window of our own says it.
    const Window clock = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, clock, PropertyChangeMask);
    const Atom tick = XInternAtom(display, "ZELVAN_FIRST_FRAME", False);
    XChangeProperty(display, clock, tick, XA_STRING, 8, PropModeReplace, nullptr, 0);
    Time origin = CurrentTime;
    for (XEvent event; origin == CurrentTime;) {
        XNextEvent(display, &event);
        if (event.type == PropertyNotify)
            origin = event.xproperty.time;
    }

    const auto started = Clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[first], nullptr, nullptr, argv + first, environ) != 0) {
        std::fprintf(stderr, "bench_firstframe: cannot start %s\n", argv[first]);
        return 2;
    }
    const auto deadline = started + std::chrono::duration<double>(limit);
    std::vector<Damage> damages;
    double mapped = -1;
    int status = 1;
    while (Clock::now() < deadline) {
        if (!XPending(display)) {
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now())
                    .count();
            timeval wait{time_t(left / 1000000), suseconds_t(left % 1000000)};
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(ConnectionNumber(display), &fds);
            select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &wait);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.event == root && event.xmap.window != clock) {
            damages.push_back(XDamageCreate(display, event.xmap.window, XDamageReportNonEmpty));
            if (mapped < 0)
                mapped = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
            continue;
        }
        if (event.type != damageEvent + XDamageNotify)
            continue;
        const auto* damage = reinterpret_cast<const XDamageNotifyEvent*>(&event);
        XDamageSubtract(display, damage->damage, None, None);
        if (holds(display, damage->drawable, colour)) {
            std::printf("%lu\n", damage->timestamp - origin);
            if (verbose)
                std::fprintf(stderr, "mapped at %.0f ms, %.0f ms of CPU by the frame\n", mapped,
                             cpuMilliseconds(child));
            status = 0;
            break;
        }
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return status;
}
