#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <functional>

// The characters that end a web address: NUL (nothing past it reaches the opener, so nothing
// past it is listed), tab, line feed, carriage return, blank and
// ! " $ & ' ( ) * , : ; < > [ \ ] ^ ` { | } ~ — bit c mod 8 of byte c div 8.
inline constexpr std::array<std::uint8_t, 32> AddressStopChars = [] {
    std::array<std::uint8_t, 32> set{};
    for (const unsigned char c : {0,  9,  10, 13, 32, 33, 34, 36, 38, 39,  40,  41,  42, 44,
                                  58, 59, 60, 62, 91, 92, 93, 94, 96, 123, 124, 125, 126})
        set[c / 8] |= std::uint8_t(1u << (c % 8));
    return set;
}();

inline constexpr bool isAddressStopChar(unsigned char c) {
    return (AddressStopChars[c / 8] >> (c % 8)) & 1u;
}

// Appends to list every web address in the text — each run that starts with "http://",
// "https://" or "www." (any letter case) and ends before the first stop character — in text order,
// duplicates kept, with the letters A to Z lowered. A prefix that ends the text is not taken.
// Returns how many it appended. Runs in time linear in the text's length.
std::int32_t ExtractLinks(QByteArrayView text, QByteArrayList& list);

// The same addresses handed to found one at a time, as they are met, each with the offset of its
// first byte in the text, with nothing kept: the memory of a scan is the text and one address.
std::int64_t ForEachLink(QByteArrayView text,
                         const std::function<void(QByteArrayView, qsizetype)>& found);

// Where the same addresses stand, handed to found as the offset and length of each, with
// nothing copied or lowered.
std::int64_t ForEachLinkSpan(QByteArrayView text,
                             const std::function<void(qsizetype, qsizetype)>& found);
