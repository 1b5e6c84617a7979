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
