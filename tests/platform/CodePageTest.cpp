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
