#include "CodePage.h"

#include <QSet>

#include <gtest/gtest.h>

using CodePage::Charset;

class CodePageRoundTrip : public ::testing::TestWithParam<Charset> {};

TEST_P(CodePageRoundTrip, EveryByteComesBackAsItself) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all.append(char(b));
    }
    all.append("\r\nlast line");
    const QString shown = CodePage::toDisplay(all, GetParam());
    EXPECT_EQ(shown.size(), all.size() - 1) << "one character per byte, CR LF as one break";
    EXPECT_EQ(CodePage::fromDisplay(shown, GetParam()), all);
}

TEST_P(CodePageRoundTrip, EveryByteHasItsOwnCharacter) {
    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b)
        seen.insert(CodePage::glyph(uchar(b), GetParam()));
    EXPECT_EQ(seen.size(), 256);
}

INSTANTIATE_TEST_SUITE_P(BothCharsets, CodePageRoundTrip,
                         ::testing::Values(Charset::Oem, Charset::Ansi));

TEST(CodePageOem, DrawsTheDosGraphics) {
    // Shades, blocks and frames of the art, and the graphic glyphs of the control bytes.
    const QByteArray art("\xB0\xB1\xB2\xDB\xDC\xDF\xC9\xCD\xBB\x01\x1A\x7F\xFE");
    EXPECT_EQ(CodePage::toDisplay(art, Charset::Oem), QString::fromUtf16(u"░▒▓█▄▀╔═╗☺→⌂■"));
}

TEST(CodePageOem, NulIsABlankCellOfItsOwn) {
    const QString shown = CodePage::toDisplay(QByteArray("a\0b", 3), Charset::Oem);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown.at(1).isSpace());
    EXPECT_NE(shown.at(1), u' ');
    EXPECT_EQ(CodePage::fromDisplay(shown, Charset::Oem), QByteArray("a\0b", 3));
}

TEST(CodePageAnsi, DrawsWindowsLatin) {
    EXPECT_EQ(CodePage::toDisplay("\x80\xE9\x93\x94", Charset::Ansi), QString::fromUtf16(u"€é“”"));
}

TEST(CodePage, LineBreaksAndTabs) {
    EXPECT_EQ(CodePage::toDisplay("a\r\nb\tc", Charset::Oem), QStringLiteral("a\nb\tc"));
    EXPECT_EQ(CodePage::fromDisplay(u"a\nb\u2029c", Charset::Oem), QByteArray("a\r\nb\r\nc"));
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(CodePage::fromDisplay(u"a€b", Charset::Oem), QByteArray("a?b"));
    EXPECT_EQ(CodePage::fromDisplay(u"a░b", Charset::Ansi), QByteArray("a?b"));
    EXPECT_EQ(CodePage::fromDisplay(u"a░b", Charset::Oem), QByteArray("a\xB0"
                                                                      "b"));
}

namespace {

QByteArray utf8(const char16_t* text) {
    return QString::fromUtf16(text).toUtf8();
}

} // namespace

TEST(CodePageUtf8, DetectsUtf8ArtWithOrWithoutTheMarkAndNothingElse) {
    const QByteArray frame = utf8(u"██╗  ██╗\r\n╚═╝  ╚═╝ café\r\n");
    EXPECT_TRUE(CodePage::isUtf8Document(frame));
    EXPECT_TRUE(CodePage::isUtf8Document("\xEF\xBB\xBFplain text"));
    EXPECT_TRUE(CodePage::isUtf8Document(QByteArray(QByteArray(1 << 20, 'x') + "\r\n" + frame)))
        << "the first sequence far in";
    EXPECT_FALSE(CodePage::isUtf8Document(QByteArray(1 << 20, 'x'))) << "ASCII is not UTF-8 art";
    EXPECT_FALSE(CodePage::isUtf8Document(utf8(u"café olé"))) << "two pairs: the user's script";
    // Art drawn without box characters: many two-byte sequences, or one of three bytes.
    EXPECT_TRUE(CodePage::isUtf8Document(utf8(u"¸,ø¤º°`°º¤ø,¸ Release ¸,ø¤º°`")));
    EXPECT_TRUE(CodePage::isUtf8Document(utf8(u"Greets … all")));
    EXPECT_FALSE(CodePage::isUtf8Document(QByteArray(frame + "\xDB")))
        << "one stray byte: not UTF-8";
    // Code page 437 text whose "─│" happens to be a valid sequence (U+0133) stays code page 437.
    EXPECT_FALSE(CodePage::isUtf8Document("Greets \xC4\xB3 all\r\n\xC9\xCD\xBB"));
    EXPECT_FALSE(CodePage::isUtf8Document("\xC4\xB3 \xC4\xB3"));

    // Long code page 437 art of the bytes NFO files use: never taken for UTF-8.
    const QByteArray drawing("\xDB\xDC\xDF\xDD\xDE\xB0\xB1\xB2\xC9\xCD\xBB\xBA\xC8\xBC\xC4\xB3"
                             "\xDA\xBF\xC0\xD9\xFE\xF9\x82\x85\x8A\xE2\x94\x80 .:-=abc\r\n");
    quint32 seed = 7;
    int misfires = 0;
    // A hundred thousand drawings of 20 to 1,000 bytes: the shorter, the likelier a misfire.
    for (int document = 0; document < 100000; ++document) {
        QByteArray text;
        seed = seed * 1664525u + 1013904223u;
        const int length = 20 + int((seed >> 8) % 981u);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += drawing[int((seed >> 8) % quint32(drawing.size()))];
        }
        misfires += CodePage::isUtf8Document(text);
    }
    EXPECT_EQ(misfires, 0);
}

TEST(CodePageUtf8, ValidSequencesAreOneCharacterAndOtherBytesTheirDosGlyph) {
    const QByteArray mixed = utf8(u"╔═é😀") + "\xDB\xC3 \x01";
    EXPECT_EQ(CodePage::toDisplay(mixed, Charset::Utf8), QString::fromUtf16(u"╔═é😀█├ ☺"));
    EXPECT_EQ(CodePage::fromDisplay(QString::fromUtf16(u"é\n█"), Charset::Utf8),
              utf8(u"é") + "\r\n" + utf8(u"█"));
    char32_t c = 0;
    EXPECT_EQ(CodePage::utf8Sequence("\xE2\x94\x80", 0, c), 3);
    EXPECT_EQ(c, U'─');
    for (const char* invalid : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x94"})
        EXPECT_EQ(CodePage::utf8Sequence(invalid, 0, c), 0) << invalid;
}

TEST(CodePageUtf16, DetectedByItsMarkWhenValidAndDecodedBothWays) {
    using CodePage::Utf16;
    const QByteArray little("\xFF\xFE\x54\x25\x3D\xD8\x00\xDE\r\x00\n\x00", 12); // ╔😀 CR LF
    QByteArray big = little;
    for (qsizetype i = 0; i < big.size(); i += 2)
        std::swap(big[i], big[i + 1]);
    EXPECT_EQ(CodePage::utf16Document(little), Utf16::LittleEndian);
    EXPECT_EQ(CodePage::utf16Document(big), Utf16::BigEndian);
    const QByteArray utf8 = QString(QChar(0xFEFF) + QString::fromUtf16(u"╔😀\r\n")).toUtf8();
    EXPECT_EQ(CodePage::utf16ToUtf8(little, Utf16::LittleEndian), utf8);
    EXPECT_EQ(CodePage::utf8ToUtf16(utf8, Utf16::BigEndian), big) << "back byte for byte";
    EXPECT_EQ(CodePage::utf8ToUtf16("\xDB", Utf16::LittleEndian), QByteArray("\x88\x25", 2))
        << "a stray byte is the glyph it shows, █";

    for (const QByteArray& invalid :
         {little.chopped(1), QByteArray(little.left(4) + QByteArray("\x00\xD8", 2)),
          QByteArray("\xFF\xFE\x00\xDC", 4), QByteArray("\xFE\x41\x00", 3)})
        EXPECT_EQ(CodePage::utf16Document(invalid), Utf16::None) << invalid.toHex().constData();
    EXPECT_EQ(CodePage::utf16Document(little.left(5), false), Utf16::LittleEndian)
        << "a head may end inside a character";
    EXPECT_EQ(CodePage::utf16ToUtf8(little.left(6), Utf16::LittleEndian),
              QString(QChar(0xFEFF) + QString::fromUtf16(u"╔")).toUtf8())
        << "a pair cut off at the end goes";
}
