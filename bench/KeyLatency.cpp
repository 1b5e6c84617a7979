// Times keys from outside the viewer, as a user meets them: each key is sent through the X test
// extension and timed until the window's last repaint for it has reached the X server (seen
// through the damage extension), on the machine as it is, whatever else runs.
//
//   bench_keylatency [-n N] [-a AREA] WINDOW KEY[/KEY]...
//
// WINDOW is the window's id (decimal or 0x hex, as xdotool prints it). A KEY is a key name as
// X spells it with modifiers before it ("ctrl+End", "Prior", "x"); KEY/KEY alternates two keys
// (ctrl+End/ctrl+Home). Each is sent N times (default 20); the median and the slowest are
// printed in milliseconds. Repaints smaller than a few cells (a blinking caret) are not counted,
// nor with -a any smaller than AREA square pixels (only the pane's, say, not a label's).

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/select.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int smallestRepaint = 400; // square pixels: more than a caret, less than a few cells
constexpr auto Quiet = std::chrono::milliseconds(40); // no more repaint for this long: done
constexpr auto GiveUp = std::chrono::seconds(20);

struct Key {
    std::vector<KeyCode> modifiers;
    KeyCode code = 0;
};

Key parseKey(Display* display, const std::string& text) {
    Key key;
    std::string rest = text;
    for (std::size_t plus;
         (plus = rest.find('+')) != std::string::npos && plus + 1 < rest.size();) {
        std::string name = rest.substr(0, plus);
        rest = rest.substr(plus + 1);
        const char* sym = name == "ctrl" ? "Control_L" : name == "shift" ? "Shift_L" : "Alt_L";
        key.modifiers.push_back(XKeysymToKeycode(display, XStringToKeysym(sym)));
    }
    key.code = XKeysymToKeycode(display, XStringToKeysym(rest.c_str()));
    if (!key.code) {
        std::fprintf(stderr, "bench_keylatency: no key %s\n", text.c_str());
        std::exit(2);
    }
    return key;
}

void send(Display* display, const Key& key) {
    for (KeyCode m : key.modifiers)
        XTestFakeKeyEvent(display, m, True, 0);
    XTestFakeKeyEvent(display, key.code, True, 0);
    XTestFakeKeyEvent(display, key.code, False, 0);
    for (auto m = key.modifiers.rbegin(); m != key.modifiers.rend(); ++m)
        XTestFakeKeyEvent(display, *m, False, 0);
    XFlush(display);
}

// Waits for the next event until the deadline; false when none came.
bool nextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (!XPending(display)) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return false;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        timeval wait{time_t(us / 1000000), suseconds_t(us % 1000000)};
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &wait);
    }
    XNextEvent(display, &event);
    return true;
}

// Milliseconds from the key to the last large repaint it caused; negative when none came.
double timeKey(Display* display, int damageBase, const Key& key) {
    XEvent event;
    XSync(display, False);
    while (XPending(display))
        XNextEvent(display, &event);
    const auto sent = Clock::now();
    send(display, key);
    Clock::time_point last{};
    auto deadline = sent + GiveUp;
    while (nextEvent(display, event, deadline)) {
        if (event.type != damageBase + XDamageNotify)
            continue;
        const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
        if (int(damage.area.width) * int(damage.area.height) < smallestRepaint)
            continue;
        last = Clock::now();
        deadline = last + Quiet;
    }
    if (last == Clock::time_point{})
        return -1;
    return std::chrono::duration<double, std::milli>(last - sent).count();
}

} // namespace

int main(int argc, char** argv) {
    int runs = 20;
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
        if (std::strcmp(argv[first], "-n") == 0)
            runs = std::max(1, std::atoi(argv[first + 1]));
        else if (std::strcmp(argv[first], "-a") == 0)
            smallestRepaint = std::max(1, std::atoi(argv[first + 1]));
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: bench_keylatency [-n N] [-a AREA] WINDOW KEY[/KEY]...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_keylatency: no X display\n");
        return 2;
    }
    int damageBase = 0, damageError = 0, major = 0, event = 0, error = 0, minor = 0;
    if (!XDamageQueryExtension(display, &damageBase, &damageError) ||
        !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "bench_keylatency: the X server lacks DAMAGE or XTEST\n");
        return 2;
    }
    const Window window = Window(std::strtoul(argv[first], nullptr, 0));
    XDamageCreate(display, window, XDamageReportRawRectangles);
    for (int i = first + 1; i < argc; ++i) {
        const std::string spec = argv[i];
        const std::size_t slash = spec.find('/');
        const Key one = parseKey(display, spec.substr(0, slash));
        const Key other =
            slash == std::string::npos ? one : parseKey(display, spec.substr(slash + 1));
        std::vector<double> times;
        int unseen = 0;
        for (int run = 0; run < runs; ++run) {
            const double ms = timeKey(display, damageBase, run % 2 ? other : one);
            if (ms < 0)
                ++unseen;
            else
                times.push_back(ms);
        }
        std::sort(times.begin(), times.end());
        if (times.empty()) {
            std::printf("%-24s no repaint seen\n", spec.c_str());
            continue;
        }
        std::printf("%-24s median %7.1f ms  slowest %7.1f ms  (%zu runs%s)\n", spec.c_str(),
                    times[times.size() / 2], times.back(), times.size(),
                    unseen ? ", some keys repainted nothing" : "");
    }
    XCloseDisplay(display);
    return 0;
}
