#include "OrvelLinks.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArrayList extract(QByteArrayView text, std::int32_t* count = nullptr) {
    QByteArrayList list;
    const std::int32_t n = ExtractLinks(text, list);
    if (count)
        *count = n;
    EXPECT_EQ(n, list.size());
    return list;
}

// The scan written out step by step, the slow way: lower-case copy, drop what was read, find
// both prefixes afresh, take the first. The fast scan must agree with it on every text.
QByteArrayList literalScan(const QByteArray& text) {
    QByteArray copy = text;
    for (char& c : copy) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    }
    QByteArrayList list;
    qsizetype resume = 1;
    while (resume > 0 && resume < copy.size()) {
        copy = copy.mid(resume - 1);
        // The prefix found first; no two can start at one place.
        qsizetype p = -1;
        qsizetype length = 0;
        for (const QByteArray prefix : {"http://", "https://", "www."}) {
            const qsizetype at = copy.indexOf(prefix);
            if (at >= 0 && (p < 0 || at < p))
                p = at, length = prefix.size();
        }
        if (p < 0)
            break;
        if (p + length == copy.size())
            break;
        qsizetype end = p + length;
        while (end < copy.size() && !isAddressStopChar(uchar(copy[end])))
            ++end;
        list.append(copy.mid(p, end - p));
        resume = end + 1;
    }
    return list;
}

} // namespace

TEST(AddressStopChars, HoldExactlyTheTwentySevenStopCharacters) {
    const QByteArray stops("\0\t\n\r !\"$&'()*,:;<>[\\]^`{|}~", 27);
    int members = 0;
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(isAddressStopChar(uchar(c)), stops.contains(char(c))) << c;
        members += isAddressStopChar(uchar(c));
    }
    EXPECT_EQ(members, 27);
}

struct LinkCase {
    const char* name;
    QByteArray text;
    QByteArrayList expected;
};

class ExtractLinksCases : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ExtractLinksCases, FindsTheAddressesInTextOrder) {
    EXPECT_EQ(extract(GetParam().text), GetParam().expected);
    EXPECT_EQ(literalScan(GetParam().text), GetParam().expected) << "the oracle agrees";
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ExtractLinksCases,
    ::testing::Values(
        LinkCase{"Empty", "", {}}, LinkCase{"OneCharacter", "w", {}},
        LinkCase{"MixedCaseIsLowered",
                 "see WWW.Orvel.EXAMPLE/Path/X.NFO now",
                 {"www.orvel.example/path/x.nfo"}},
        LinkCase{"HttpMixedCase", "HtTp://A.example/B", {"http://a.example/b"}},
        LinkCase{"LastThingInTheText", "go to www.a.example", {"www.a.example"}},
        LinkCase{"EndsBeforeCrLf", "www.a.example\r\nnext", {"www.a.example"}},
        LinkCase{"BarePrefixAtTheEndGivesNothing", "one www.a.example two www.", {"www.a.example"}},
        LinkCase{"BareHttpAtTheEnd", "http://", {}},
        LinkCase{"WwwThenHttp",
                 "www.a.example and http://b.example/",
                 {"www.a.example", "http://b.example/"}},
        LinkCase{"HttpOnly",
                 "http://a.example http://b.example",
                 {"http://a.example", "http://b.example"}},
        LinkCase{"HttpWithWwwIsOne", "http://www.a.example/ x", {"http://www.a.example/"}},
        LinkCase{"InParentheses", "(www.a.example)", {"www.a.example"}},
        LinkCase{
            "DuplicatesKept", "www.a.example, www.a.example", {"www.a.example", "www.a.example"}},
        LinkCase{"QueryCutAtAmpersand", "http://a.example/p?x=1&y=2", {"http://a.example/p?x=1"}},
        LinkCase{"ColonCutsThePort", "http://a.example:8080/x", {"http://a.example"}},
        LinkCase{"FullStopKept", "Visit www.a.example.", {"www.a.example."}},
        LinkCase{"NoWordBoundary", "awww.b", {"www.b"}},
        LinkCase{"HttpsInEveryCase",
                 "HTTPS://A.example hTtPs://www.b.example/x ftp://www.c https://d.",
                 {"https://a.example", "https://www.b.example/x", "www.c", "https://d."}},
        LinkCase{"HttpsCutLikeHttp",
                 "https://a.example:443 https://b.example/p?x=1&y https://",
                 {"https://a.example", "https://b.example/p?x=1"}},
        LinkCase{
            "OtherSchemeFromWww", "ftp://www.a.example/x ftp://b.example", {"www.a.example/x"}},
        LinkCase{"BarePrefixBeforeAStop",
                 "www. and http://) https:// ",
                 {"www.", "http://", "https://"}},
        LinkCase{"EndsAtNulAsTheOpenerDoes", QByteArray("www.a\0.example x", 16), {"www.a"}},
        LinkCase{"HighBytesBelong", "www.\xE4\xB0\x01x y", {"www.\xE4\xB0\x01x"}},
        LinkCase{"CrossesBlockBoundaries",
                 QByteArray(29, 'x') + "http://a.example " + QByteArray(40, '.') + "WWW.b",
                 {"http://a.example", "www.b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExtractLinks, EachStopCharacterCutsEveryKindOfAddress) {
    for (int c = 0; c < 256; ++c) {
        if (!isAddressStopChar(uchar(c)))
            continue;
        for (const QByteArray prefix : {"http://", "HTTPS://", "www."}) {
            const QByteArray text = prefix + "a.example" + char(c) + "b";
            EXPECT_EQ(extract(text), QByteArrayList{prefix.toLower() + "a.example"}) << c;
        }
    }
}

TEST(ExtractLinks, AppendsToWhatTheListHoldsAndCountsOnlyItsOwn) {
    QByteArrayList list{"kept"};
    EXPECT_EQ(ExtractLinks("www.a www.b", list), 2);
    EXPECT_EQ(list, (QByteArrayList{"kept", "www.a", "www.b"}));
}

TEST(ExtractLinks, AgreesWithTheStepByStepScanOnRandomTexts) {
    // Texts made of prefix fragments, stop characters and filler, in every letter case.
    const QByteArrayList pieces = {
        "http://", "HTTP://", "https://", "hTTpS://", "www.", "WwW.", "ww", "w", "h", "http:/",
        "//", " ", "\r\n", ",", ":", ".", "a", "\xDB", "&", "(", ")", "x", "/", "t", "p", "s",
        "https:/",
        // Long enough for the address's end to be sought sixteen bytes at a time.
        "Abc-0123.def/ghiJKL", "\xDBz9-./Q"};
    QRandomGenerator random(20261208);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text;
        const int parts = random.bounded(1, 60);
        for (int i = 0; i < parts; ++i)
            text += pieces[random.bounded(int(pieces.size()))];
        ASSERT_EQ(extract(text), literalScan(text)) << text.toStdString();
    }
}

TEST(ExtractLinks, ManyHttpAddressesWithOneWwwAtTheEndStayLinear) {
    // Re-searching for "www." after every address would make this take minutes.
    QByteArray text;
    for (int i = 0; i < 200000; ++i)
        text += "http://a.example/" + QByteArray::number(i) + ' ';
    text += "www.last";
    std::int32_t count = 0;
    const QByteArrayList list = extract(text, &count);
    EXPECT_EQ(count, 200001);
    EXPECT_EQ(list.back(), QByteArray("www.last"));
}
