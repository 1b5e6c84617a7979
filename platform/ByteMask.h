#pragma once

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Bit i set where byte i of the 64 at p is c: how the line-break scans look at 64 bytes at once
// (SSE2 on x86-64, a plain loop elsewhere).
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
