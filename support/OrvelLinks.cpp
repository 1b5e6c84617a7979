#include "OrvelLinks.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned char lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// Whether the prefix (lower case) starts at p, read case-insensitively.
bool startsWith(const unsigned char* p, const unsigned char* end, const char* prefix,
                std::size_t length) {
    if (std::size_t(end - p) < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (lower(p[i]) != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

constexpr char Http[] = "http://";
constexpr std::size_t HttpLength = 7;
constexpr char Https[] = "https://";
constexpr std::size_t HttpsLength = 8;
constexpr char Www[] = "www.";
constexpr std::size_t WwwLength = 4;

// Lengths of the prefix starting at p, or 0.
inline std::size_t prefixAt(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = lower(*p);
    if (c == 'h' && startsWith(p, end, Http, HttpLength))
        return HttpLength;
    if (c == 'h' && startsWith(p, end, Https, HttpsLength))
        return HttpsLength;
    if (c == 'w' && startsWith(p, end, Www, WwwLength))
        return WwwLength;
    return 0;
}

// Sixteen bytes: one SSE2 register, the width every x86-64 processor compares natively.
using Block = unsigned char __attribute__((vector_size(16)));
constexpr std::size_t BlockSize = sizeof(Block);

// One bit per lane (lane i -> bit i) of a block whose lanes are all-ones or all-zeros.
std::uint32_t laneBits(const Block& b) {
    std::uint64_t lanes[2];
    std::memcpy(lanes, &b, sizeof lanes);
    constexpr std::uint64_t high = 0x8080808080808080ull;
    constexpr std::uint64_t gather = 0x0002040810204081ull;
    const auto low8 = std::uint32_t(((lanes[0] & high) * gather) >> 56);
    const auto high8 = std::uint32_t(((lanes[1] & high) * gather) >> 56);
    return low8 | (high8 << 8);
}

// The first position at or after p where a prefix starts, or end. A block is skipped whole
// when no position in it starts "ww" or "ht" (in any letter case): every prefix starts with one
// of the two, and prose holds them only now and then.
#if defined(__SSE2__)
// Bit i set where "ww" or "ht" (any letter case) starts at p + i, for the 16 positions from p;
// reads 17 bytes.
inline std::uint32_t pairsAt(const unsigned char* p) {
    const __m128i lower = _mm_set1_epi8(0x20);
    const __m128i first = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lower);
    const __m128i second =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), lower);
    const __m128i ww = _mm_and_si128(_mm_cmpeq_epi8(first, _mm_set1_epi8('w')),
                                     _mm_cmpeq_epi8(second, _mm_set1_epi8('w')));
    const __m128i ht = _mm_and_si128(_mm_cmpeq_epi8(first, _mm_set1_epi8('h')),
                                     _mm_cmpeq_epi8(second, _mm_set1_epi8('t')));
    return std::uint32_t(_mm_movemask_epi8(_mm_or_si128(ww, ht)));
}
#endif

const unsigned char* nextPrefix(const unsigned char* p, const unsigned char* end,
                                std::size_t& length) {
#if defined(__SSE2__)
    // Sixty-four positions a turn, skipped whole when none starts a pair: the text's bulk.
    while (end - p > 64) {
        const std::uint64_t pairs =
            std::uint64_t(pairsAt(p)) | std::uint64_t(pairsAt(p + 16)) << 16 |
            std::uint64_t(pairsAt(p + 32)) << 32 | std::uint64_t(pairsAt(p + 48)) << 48;
        for (std::uint64_t bits = pairs; bits != 0; bits &= bits - 1) {
            const unsigned char* at = p + std::countr_zero(bits);
            if ((length = prefixAt(at, end)) != 0)
                return at;
        }
        p += 64;
    }
#endif
    while (p != end) {
        // A block and the same block one byte on: pairs of neighbours in one comparison.
        if (std::size_t(end - p) > BlockSize) {
            Block here;
            Block next;
            std::memcpy(&here, p, BlockSize);
            std::memcpy(&next, p + 1, BlockSize);
            const Block first = here | 0x20;
            const Block second = next | 0x20;
            const Block candidates =
                ((first == 'w') & (second == 'w')) | ((first == 'h') & (second == 't'));
            for (std::uint32_t bits = laneBits(candidates); bits != 0; bits &= bits - 1) {
                const unsigned char* at = p + std::countr_zero(bits);
                if ((length = prefixAt(at, end)) != 0)
                    return at;
            }
            p += BlockSize;
            continue;
        }
        if ((length = prefixAt(p, end)) != 0)
            return p;
        ++p;
    }
    return end;
}

// The first stop character at or after p, or end. Sixteen bytes at a time are passed over while
// all are letters, digits, "-", "." or "/" (an address's bulk, and never a stop); the rest a byte
// at a time.
const unsigned char* addressEnd(const unsigned char* p, const unsigned char* end) {
    for (;;) {
#if defined(__SSE2__)
        while (end - p >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // x in [low, low + span] as bytes without sign: x - low saturates to no more than span.
            const auto within = [](__m128i x, char low, char span) {
                const __m128i off = _mm_sub_epi8(x, _mm_set1_epi8(low));
                return _mm_cmpeq_epi8(_mm_subs_epu8(off, _mm_set1_epi8(span)), _mm_setzero_si128());
            };
            const __m128i letters = within(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 25);
            const __m128i digits = within(bytes, '-', '9' - '-'); // - . / 0 to 9
            const int plain = _mm_movemask_epi8(_mm_or_si128(letters, digits));
            if (plain != 0xFFFF) {
                p += std::countr_one(unsigned(plain));
                break;
            }
            p += 16;
        }
#endif
        if (p == end || isAddressStopChar(*p))
            return p;
        ++p;
    }
}

} // namespace

std::int32_t ExtractLinks(QByteArrayView text, QByteArrayList& list) {
    return std::int32_t(ForEachLink(
        text, [&list](QByteArrayView address, qsizetype) { list.append(address.toByteArray()); }));
}

std::int64_t ForEachLink(QByteArrayView text,
                         const std::function<void(QByteArrayView, qsizetype)>& found) {
    QByteArray address;
    return ForEachLinkSpan(text, [&](qsizetype at, qsizetype length) {
        address.resize(length);
        std::memcpy(address.data(), text.data() + at, size_t(length));
        for (char& c : address)
            c = char(lower(static_cast<unsigned char>(c)));
        found(address, at);
    });
}

std::int64_t ForEachLinkSpan(QByteArrayView text,
                             const std::function<void(qsizetype, qsizetype)>& found) {
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = begin + text.size();
    std::int64_t count = 0;
    const unsigned char* resume = begin;
    // The scan goes on while at least two characters remain after the last address.
    while (end - resume > 1) {
        std::size_t length = 0;
        const unsigned char* prefix = nextPrefix(resume, end, length);
        if (prefix == end)
            break;
        // A prefix that is the very end of the text gives no address, and ends the scan.
        if (prefix + length == end)
            break;
        const unsigned char* stop = addressEnd(prefix + length, end);
        found(prefix - begin, stop - prefix);
        ++count;
        resume = stop;
    }
    return count;
}
