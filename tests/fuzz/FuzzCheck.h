#pragma once

// What the fuzz targets share: a check that fails names itself and ends the run, so that
// libFuzzer keeps the input that broke it.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzCheckFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void() : fuzzCheckFailed(#condition, __FILE__, __LINE__))

// The fuzzer's bytes as a view, without a copy.
inline QByteArrayView fuzzBytes(const unsigned char* data, std::size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}
