#include "DocumentEncoding.h"
#include "TestSupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <utility>

namespace {

QByteArray utf8(const char16_t* text) {
    return QString::fromUtf16(text).toUtf8();
}

} // namespace

TEST(DocumentEncodingUtf8, DetectsUtf8ArtWithOrWithoutTheMarkAndNothingElse) {
    const QByteArray frame = utf8(u"██╗  ██╗\r\n╚═╝  ╚═╝ café\r\n");
    EXPECT_TRUE(DocumentEncoding::isUtf8Document(frame));
    EXPECT_TRUE(DocumentEncoding::isUtf8Document("\xEF\xBB\xBFplain text"));
    EXPECT_TRUE(
        DocumentEncoding::isUtf8Document(QByteArray(QByteArray(1 << 20, 'x') + "\r\n" + frame)))
        << "the first sequence far in";
    EXPECT_FALSE(DocumentEncoding::isUtf8Document(QByteArray(1 << 20, 'x')))
        << "ASCII is not UTF-8 art";
    EXPECT_FALSE(DocumentEncoding::isUtf8Document(utf8(u"café olé")))
        << "two pairs: the user's script";
    // Art drawn without box characters: many two-byte sequences, or one of three bytes.
    EXPECT_TRUE(DocumentEncoding::isUtf8Document(utf8(u"¸,ø¤º°`°º¤ø,¸ Release ¸,ø¤º°`")));
    EXPECT_TRUE(DocumentEncoding::isUtf8Document(utf8(u"Greets … all")));
    EXPECT_FALSE(DocumentEncoding::isUtf8Document(QByteArray(frame + "\xDB")))
        << "one stray byte: not UTF-8";
    // Code page 437 text whose "─│" happens to be a valid sequence (U+0133) stays code page 437.
    EXPECT_FALSE(DocumentEncoding::isUtf8Document("Greets \xC4\xB3 all\r\n\xC9\xCD\xBB"));
    EXPECT_FALSE(DocumentEncoding::isUtf8Document("\xC4\xB3 \xC4\xB3"));

    // Long code page 437 art of the bytes NFO files use: never taken for UTF-8.
    const QByteArray drawing("\xDB\xDC\xDF\xDD\xDE\xB0\xB1\xB2\xC9\xCD\xBB\xBA\xC8\xBC\xC4\xB3"
                             "\xDA\xBF\xC0\xD9\xFE\xF9\x82\x85\x8A\xE2\x94\x80 .:-=abc\r\n");
    EXPECT_EQ(
        misfires(drawing, 100000, 7,
                 [](const QByteArray& text) { return DocumentEncoding::isUtf8Document(text); }),
        0);
}

TEST(DocumentEncodingUtf16, DetectedByItsMarkWhenValidAndDecodedBothWays) {
    using DocumentEncoding::Utf16;
    const QByteArray little("\xFF\xFE\x54\x25\x3D\xD8\x00\xDE\r\x00\n\x00", 12); // ╔😀 CR LF
    QByteArray big = little;
    for (qsizetype i = 0; i < big.size(); i += 2)
        std::swap(big[i], big[i + 1]);
    EXPECT_EQ(DocumentEncoding::utf16Document(little), Utf16::LittleEndian);
    EXPECT_EQ(DocumentEncoding::utf16Document(big), Utf16::BigEndian);
    const QByteArray utf8 = QString(QChar(0xFEFF) + QString::fromUtf16(u"╔😀\r\n")).toUtf8();
    EXPECT_EQ(DocumentEncoding::utf16ToUtf8(little, Utf16::LittleEndian), utf8);
    EXPECT_EQ(DocumentEncoding::utf8ToUtf16(utf8, Utf16::BigEndian), big) << "back byte for byte";
    EXPECT_EQ(DocumentEncoding::utf8ToUtf16("\xDB", Utf16::LittleEndian), QByteArray("\x88\x25", 2))
        << "a stray byte is the glyph it shows, █";

    for (const QByteArray& invalid :
         {little.chopped(1), QByteArray(little.left(4) + QByteArray("\x00\xD8", 2)),
          QByteArray("\xFF\xFE\x00\xDC", 4), QByteArray("\xFE\x41\x00", 3)})
        EXPECT_EQ(DocumentEncoding::utf16Document(invalid), Utf16::None)
            << invalid.toHex().constData();
    EXPECT_EQ(DocumentEncoding::utf16Document(little.left(5), false), Utf16::LittleEndian)
        << "a head may end inside a character";
    EXPECT_EQ(DocumentEncoding::utf16ToUtf8(little.left(6), Utf16::LittleEndian),
              QString(QChar(0xFEFF) + QString::fromUtf16(u"╔")).toUtf8())
        << "a pair cut off at the end goes";
}
