#include "TextSearch.h"

#include <gtest/gtest.h>

using Charset = CodePage::Charset;

TEST(TextSearch, FindsTheBytesThatShowTheQueryInEachScript) {
    // Code page 437: é is 0x82 (É 0x90), █ is 0xDB; letter case ignored unless asked.
    const QByteArray dos = "Caf\x82 CAF\x90 \xDB\xDB caf\x82\r\nx";
    const TextSearch cafe(QStringLiteral("café"), Charset::Oem, false);
    EXPECT_EQ(cafe.count(dos, 0, dos.size()), 3);
    EXPECT_EQ(TextSearch(QStringLiteral("café"), Charset::Oem, true).count(dos, 0, dos.size()), 1);
    const TextSearch block(QStringLiteral("█"), Charset::Oem, false);
    EXPECT_EQ(block.next(dos, 0, dos.size()).at, dos.indexOf('\xDB'));
    EXPECT_EQ(block.count(dos, 0, dos.size()), 2) << "each start, overlapping or not";
    EXPECT_EQ(cafe.previous(dos, 0, dos.size()).at, dos.lastIndexOf("caf"));
    EXPECT_EQ(cafe.next(dos, 1, dos.size()).at, 5) << "from where it is asked";
    EXPECT_FALSE(cafe.next(dos, 1, 5).found()) << "a match starts in the range";
    EXPECT_TRUE(TextSearch(QStringLiteral("日"), Charset::Oem, false).isImpossible());

    // UTF-8 as text, in either case, with matches of any length.
    const QByteArray utf8 = QStringLiteral("ÉTÉ été Été\tete").toUtf8();
    const TextSearch ete(QStringLiteral("été"), Charset::Utf8, false);
    EXPECT_EQ(ete.count(utf8, 0, utf8.size()), 3);
    EXPECT_EQ(ete.next(utf8, 0, utf8.size()).length, 5);
    EXPECT_EQ(TextSearch(QStringLiteral("\tete"), Charset::Utf8, true).count(utf8, 0, utf8.size()),
              1);

    // Counted in pieces, as the find bar counts a large document, the sum is the whole.
    QByteArray many;
    for (int i = 0; i < 5000; ++i)
        many += i % 7 ? "xx Aa " : "aaa ";
    const TextSearch aa(QStringLiteral("aa"), Charset::Ansi, false);
    qsizetype pieces = 0;
    for (qsizetype at = 0; at < many.size(); at += 1000)
        pieces += aa.count(many, at, at + 1000);
    EXPECT_EQ(pieces, aa.count(many, 0, many.size()));
    EXPECT_EQ(pieces, 4285 + 715 * 2);
}
