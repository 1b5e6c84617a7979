// Preloaded into the sanitized runs. LeakSanitizer looks for leaks at a program's end, after the
// toolkit has unloaded its plugins and the libraries they brought in (under Wayland, Mesa's
// driver with the EGL display). What such a library still held in its own globals then reads as
// leaked, from "<unknown module>", a frame no suppression can name. In a sanitized program this
// leaves every library loaded to the end, so that a library's keep stays reachable and a real
// leak is reported with its library's name; any other program unloads as it asked.

#include <dlfcn.h>

namespace {

bool sanitized() {
    static const bool withLeakChecks = dlsym(RTLD_DEFAULT, "__lsan_do_leak_check") != nullptr;
    return withLeakChecks;
}

} // namespace

extern "C" int dlclose(void* handle) {
    if (sanitized())
        return 0;
    using Close = int (*)(void*);
    static const auto close = reinterpret_cast<Close>(dlsym(RTLD_NEXT, "dlclose"));
    return close(handle);
}
