#include "AnsiArt.h"
#include "ArtSamples.h"
#include "SauceRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace {

using Colour = CellColours::Colour;
constexpr Colour Fg = CellColours::Foreground, Bg = CellColours::Background;

QList<QByteArray> rows(const AnsiArt::Art& art) {
    QList<QByteArray> out = art.text.split('\n');
    out.removeLast(); // after the last break
    for (QByteArray& row : out)
        row.chop(1); // its CR
    return out;
}

// The colours of the cell at row, column.
std::pair<Colour, Colour> colourAt(const AnsiArt::Art& art, int row, int column) {
    qsizetype at = 0;
    for (int r = 0; r < row; ++r)
        at = art.text.indexOf('\n', at) + 1;
    std::pair<Colour, Colour> found{0, 0};
    art.colours.forEachRun(at + column, at + column + 1,
                           [&](qsizetype, qsizetype, Colour f, Colour b) {
                               found = {f, b};
                           });
    return found;
}

// The art of bytes put together in place.
AnsiArt::Art drawn(const QByteArray& bytes, const AnsiArt::Options& options = {}) {
    return AnsiArt::interpret(bytes, options);
}

bool detects(const QByteArray& bytes) {
    return AnsiArt::drawsWithSequences(bytes);
}

} // namespace

TEST(AnsiArt, CursorMovesPlaceTheArtOnAGridThatWrapsAtItsEdge) {
    // A logo drawn with cursor-forward moves, as release NFOs draw them.
    const QByteArray logo =
        "\xDB" + esc("3C") + "\xDB\xDB" + esc("2C") + "\xDB\r\n" + esc("4C") + "\xDB\r\n";
    EXPECT_EQ(rows(drawn(logo)), (QList<QByteArray>{"\xDB   \xDB\xDB  \xDB", "    \xDB"}));

    // Positions, save and restore, up, back; moves stay on the grid however far they ask.
    const QByteArray placed = esc("3;5H") + "a" + esc("s") + esc("1;2H") + "b" + esc("u") + "c" +
                              esc("A") + esc("D") + "d" + esc("99999999999C") + "e" +
                              esc("999999999999A") + esc("999999D") + "f";
    EXPECT_EQ(rows(drawn(placed)),
              (QList<QByteArray>{"fb", "     d" + QByteArray(73, ' ') + "e", "    ac"}));

    // 80 columns wrap into the next row; 80 columns and then CR LF make one row, not two.
    const QByteArray full(80, 'x');
    EXPECT_EQ(rows(drawn(full + "yz\r\n" + full + "\r\n" + "w")),
              (QList<QByteArray>{full, "yz", full, "w"}));
    AnsiArt::Options narrow;
    narrow.width = 4;
    EXPECT_EQ(rows(drawn("abcdef\tg", narrow)), (QList<QByteArray>{"abcd", "ef g"}))
        << "a tab stops at the last column; the grid's width comes from SAUCE";
    EXPECT_EQ(drawn("ab\rc\bd\ae\x1A"
                    "after",
                    narrow)
                  .text,
              "de\r\n")
        << "CR returns, BS steps back, the bell draws nothing, ^Z ends the art";

    // Erasing: the line from the cursor, the line to it, the whole display.
    EXPECT_EQ(rows(drawn("abcdef" + esc("3D") + esc("K") + "\r\nxyz" + esc("2D") + esc("1K"))),
              (QList<QByteArray>{"abc", "  z"}));
    EXPECT_EQ(rows(drawn("gone\r\ngone" + esc("2J") + "top")), (QList<QByteArray>{"top"}));
    // Sequences of no meaning here, and ones that broke off, are read and never shown.
    const AnsiArt::Art other =
        drawn("a" + esc("?7h") + esc("=3h") + esc("2;1 q") + "b\x1B(Bc\x1B[12" + "\r\nd\x1B");
    EXPECT_EQ(rows(other), (QList<QByteArray>{"abc", "d"}));
    EXPECT_EQ(other.sequences, 6);
}

TEST(AnsiArt, ColoursAreTheVgaPaletteTheirExtensionsAndTheDocumentsOwn) {
    using AnsiArt::vgaColour;
    const AnsiArt::Art art = drawn(
        esc("31m") + "r" + esc("1m") + "R" + esc("0;44m") + "b" + esc("5m") + "k" + esc("0;7m") +
        "i" + esc("0;32;8m") + "c" + esc("0;38;5;196m") + "x" + esc("48;2;1;2;3m") + "y" +
        esc("0;96;101m") + "z" + "\x1B[1;10;20;30t" + "t" + esc("0m") + " " + esc("39;49m") + "o");
    EXPECT_EQ(colourAt(art, 0, 0), std::pair(vgaColour(1), Bg));
    EXPECT_EQ(colourAt(art, 0, 1), std::pair(vgaColour(9), Bg)) << "bold is bright";
    EXPECT_EQ(colourAt(art, 0, 2), std::pair(Fg, vgaColour(4))) << "the document's own ink";
    EXPECT_EQ(colourAt(art, 0, 3), std::pair(Fg, vgaColour(4))) << "blink is steady";
    EXPECT_EQ(colourAt(art, 0, 4), std::pair(Bg, Fg)) << "inverse of the document's own";
    EXPECT_EQ(colourAt(art, 0, 5), std::pair(Bg, Bg)) << "concealed";
    EXPECT_EQ(colourAt(art, 0, 6).first, CellColours::rgb(255, 0, 0)) << "256 colours";
    EXPECT_EQ(colourAt(art, 0, 7),
              std::pair(CellColours::rgb(255, 0, 0), CellColours::rgb(1, 2, 3)));
    EXPECT_EQ(colourAt(art, 0, 8), std::pair(vgaColour(14), vgaColour(9)));
    EXPECT_EQ(colourAt(art, 0, 9), std::pair(CellColours::rgb(10, 20, 30), vgaColour(9)))
        << "the art editors' 24-bit foreground";
    EXPECT_EQ(colourAt(art, 0, 11), std::pair(Fg, Bg));
    EXPECT_EQ(rows(art), (QList<QByteArray>{"rRbkicxyzt o"}));

    // iCE colours: blink is a bright ground, asked for by SAUCE or by the art itself; an .ans
    // piece's own colours brighten too.
    AnsiArt::Options ice;
    ice.iceColours = true;
    EXPECT_EQ(colourAt(drawn(esc("5;44m") + "k", ice), 0, 0).second, vgaColour(12));
    EXPECT_EQ(colourAt(drawn(esc("?33h") + esc("5;41m") + "k"), 0, 0).second, vgaColour(9));
    AnsiArt::Options own;
    own.ownColours = true;
    own.iceColours = true;
    EXPECT_EQ(colourAt(drawn(esc("1;5m") + "k", own), 0, 0),
              std::pair(vgaColour(15), vgaColour(8)));

    // A ground that is not the document's own stays on blanks at a row's end; the own is no cell.
    EXPECT_EQ(rows(drawn("a" + esc("44m") + "  " + esc("0m") + "   \r\nb   ")),
              (QList<QByteArray>{"a  ", "b"}));
    EXPECT_EQ(rows(drawn("ab" + esc("44m") + esc("K"), {4})), (QList<QByteArray>{"ab  "}))
        << "erased to the ground";
}

TEST(AnsiArt, HostileArtCostsNothing) {
    AnsiArt::Options small;
    small.maxRows = 50;
    // Rows grow only as art is written, up to the cap; what lies past it is cut, and said.
    const AnsiArt::Art far = drawn(esc("2000000000;5H") + "x" + esc("10;1H") + "y", small);
    EXPECT_TRUE(far.cut);
    EXPECT_EQ(far.rows, 10);
    QByteArray many;
    for (int i = 0; i < 200; ++i)
        many += "line\r\n";
    EXPECT_EQ(drawn(many, small).rows, 50);

    // A megabyte of sequences, numbers without end, and the cells' cap: linear, bounded.
    QByteArray noise;
    while (noise.size() < (1 << 20))
        noise += esc("1;31;44m") + "\xDB" + esc("99999999999999999999999B") + esc("9999999C") +
                 "\xB1" + esc(";;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;m") + esc("38;5;99999m") + "\x1B[";
    AnsiArt::Options capped;
    capped.maxCells = 1000;
    QElapsedTimer time;
    time.start();
    const AnsiArt::Art art = drawn(noise, capped);
    EXPECT_LT(time.elapsed(), 2000);
    EXPECT_LE(art.text.size(), 1000 + 2 * art.rows);
    EXPECT_TRUE(art.cut);
}

TEST(AnsiArt, FoundOnlyWhereSequencesDraw) {
    EXPECT_TRUE(detects(esc("1;32m") + "\xDB\xDB Group " + esc("0m")));
    EXPECT_TRUE(detects("\xDB" + esc("16C") + "\xDB" + esc("16C")));
    EXPECT_FALSE(detects(esc("0m") + "one is not art"));
    EXPECT_FALSE(detects("\x1B to the left \x1B[ \x1B\x1B[1m" + esc("2C")))
        << "most of its ESCs start nothing";

    // Code page 437 drawings of the bytes NFO files use, the arrow ESC shows and the bytes of
    // sequences among them: never taken for ANSI art.
    const QByteArray drawing("\xDB\xDC\xDF\xB0\xB1\xB2\xC9\xCD\xBB\xBA\xC8\xBC\xC4\xB3\x1B\x1B["
                             "[;0123456789mHCABJKsu .:-=abc\r\n");
    EXPECT_EQ(misfires(drawing, 50000, 11, detects), 0);
}

TEST(SauceRecord, IsReadFromTheEndAndIsNoPartOfTheDocument) {
    SauceBytes sauce;
    sauce.title = "Dragon";
    sauce.author = "Artist";
    sauce.group = "Group\x82";
    sauce.width = 132;
    sauce.flags = 1 | 2 << 1 | 1 << 3; // iCE, nine pixels, legacy aspect
    sauce.comments = {"First comment", "Second"};
    const QByteArray art = "\xDB" + esc("1;31m") + "art\r\n";
    const SauceSplit split = findSauce(QByteArray(art + sauce.bytes(quint32(art.size()))));
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.end, art.size()) << "the ^Z, the comments and the record are cut off";
    const SauceRecord& r = *split.record;
    EXPECT_TRUE(r.isAnsi());
    EXPECT_EQ(r.width(), 132);
    EXPECT_TRUE(r.iceColours());
    EXPECT_EQ(r.letterSpacing(), SauceRecord::Spacing::NinePixels);
    EXPECT_EQ(r.aspect(), SauceRecord::Aspect::Legacy);
    EXPECT_EQ(r.fileSize, quint32(art.size()));
    QStringList lines;
    for (const auto& [key, value] : r.fields())
        lines << key + u": " + value;
    EXPECT_EQ(lines.join(u'\n'), QString::fromUtf8("Title: Dragon\nAuthor: Artist\nGroup: Groupé\n"
                                                   "Date: 1996-04-01\nKind: ANSI art\nWidth: 132\n"
                                                   "Lines: 25\niCE colours: yes\n"
                                                   "Letter spacing: 9 pixels\n"
                                                   "Aspect: legacy (tall pixels)\nFont: IBM VGA\n"
                                                   "Comment: First comment\nComment: Second"));

    // A record whose comment block is missing keeps its comments unsaid; one that is not a
    // record, or too short to be one, is the document's.
    sauce.comments = {};
    QByteArray lying = sauce.bytes();
    lying[lying.size() - 128 + 104] = 3;
    EXPECT_EQ(findSauce(QByteArray("x" + lying)).end, 1);
    EXPECT_FALSE(findSauce(QByteArray(300, 'x')).record);
    EXPECT_FALSE(findSauce("SAUCE00").record);
    sauce.dataType = 5; // binary text: none of the character art's numbers apply
    EXPECT_EQ(findSauce(sauce.bytes()).record->width(), 0);
}
