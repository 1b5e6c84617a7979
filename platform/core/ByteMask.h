#pragma once

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Bit i set where byte i of the 64 at p is c: how the line-break scans look at 64 bytes at once
// (SSE2 on x86-64, a plain loop elsewhere). Here because it asks which processor it runs on, and
// because both document models, the saved file's (OrvelDocument) and the pane's (TextDocument),
// build on this library.
inline quint64 byteMask64(const unsigned char* p, unsigned char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(char(c));
    quint64 mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        mask |= quint64(quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)))) << (16 * i);
    }
    return mask;
#else
    quint64 mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= quint64(p[i] == c) << i;
    return mask;
#endif
}

// The bits set in a mask, inline: std::popcount is a library call on the x86-64 baseline, which
// has no popcnt instruction.
inline int bitCount(quint64 x) {
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return int((x * 0x0101010101010101ULL) >> 56);
}
