#pragma once
#include <cstdio>
#include <ctime>
inline void TRACE(const char* what) {
    timespec t; clock_gettime(CLOCK_MONOTONIC, &t);
    static FILE* f = std::fopen("/tmp/pf/trace.txt", "a");
    std::fprintf(f, "%ld.%06ld %s\n", long(t.tv_sec), long(t.tv_nsec / 1000), what); std::fflush(f);
}
