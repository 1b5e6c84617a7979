#include "OrvelLinks.h"

#include <cstring>

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
constexpr char Www[] = "www.";
constexpr std::size_t WwwLength = 4;

// Lengths of the prefix starting at p, or 0.
std::size_t prefixAt(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = lower(*p);
    if (c == 'h' && startsWith(p, end, Http, HttpLength))
        return HttpLength;
    if (c == 'w' && startsWith(p, end, Www, WwwLength))
        return WwwLength;
    return 0;
}

using Block = unsigned char __attribute__((vector_size(32)));
constexpr std::size_t BlockSize = sizeof(Block);

bool any(const Block& b) {
    std::uint64_t lanes[4];
    std::memcpy(lanes, &b, sizeof lanes);
    return (lanes[0] | lanes[1] | lanes[2] | lanes[3]) != 0;
}

// The first position at or after p where a prefix starts, or end. Whole blocks are skipped
// while they hold neither "ww" (in any letter case) nor "//": every "www." holds the first and
// every "http://" the second, and prose holds either only rarely.
const unsigned char* nextPrefix(const unsigned char* p, const unsigned char* end,
                                std::size_t& length) {
    while (p != end) {
        // A block and the same block one byte on: pairs of neighbours in one comparison.
        if (std::size_t(end - p) > BlockSize) {
            Block here;
            Block next;
            std::memcpy(&here, p, BlockSize);
            std::memcpy(&next, p + 1, BlockSize);
            const Block w = ((here | 0x20) == 'w') & ((next | 0x20) == 'w');
            const Block s = (here == '/') & (next == '/');
            if (!any(w | s)) {
                // A prefix may still start in the last bytes of the block ("ht" + "tp://").
                p += BlockSize - (HttpLength - 1);
                continue;
            }
            for (const unsigned char* stop = p + BlockSize; p != stop; ++p) {
                if ((length = prefixAt(p, end)) != 0)
                    return p;
            }
            continue;
        }
        if ((length = prefixAt(p, end)) != 0)
            return p;
        ++p;
    }
    return end;
}

} // namespace

std::int32_t ExtractLinks(QByteArrayView text, QByteArrayList& list) {
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = begin + text.size();
    std::int32_t count = 0;
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
        const unsigned char* stop = prefix + length;
        while (stop != end && !isAddressStopChar(*stop))
            ++stop;
        QByteArray address(reinterpret_cast<const char*>(prefix), stop - prefix);
        for (char& c : address)
            c = char(lower(static_cast<unsigned char>(c)));
        list.append(std::move(address));
        ++count;
        resume = stop;
    }
    return count;
}
