#include "CellRenderer.h"
#include "PaneFont.h"

#include <gtest/gtest.h>

namespace {

const QColor Green(0, 255, 0);

TextDocument documentOf(const QByteArray& bytes) {
    TextDocument document;
    document.setBytes(bytes);
    return document;
}

// Rows of the picture where some pixel is not fg, within the cell rows [first, last).
int gapRows(const QImage& image, int cellHeight, int first, int last, const QColor& fg) {
    int gaps = 0;
    for (int y = first * cellHeight; y < last * cellHeight; ++y) {
        bool full = true;
        for (int x = 0; x < image.width() && full; ++x)
            full = image.pixelColor(x, y) == fg;
        gaps += !full;
    }
    return gaps;
}

struct ArtCase {
    const char* font;
    int pointSize;
    qreal ratio;
};

class BlockArtTest : public ::testing::TestWithParam<ArtCase> {};

} // namespace

// Full blocks, and a lower half over an upper half: solid at any size and scale; a double
// frame's vertical lines run on from row to row.
TEST_P(BlockArtTest, BlocksFillTheirCellsWithoutGapRows) {
    FontSpec spec;
    spec.name = QString::fromLatin1(GetParam().font);
    spec.pointSize = GetParam().pointSize;
    CellRenderer renderer;
    renderer.setFont(resolveFont(spec));
    renderer.setDevicePixelRatio(GetParam().ratio);
    const QImage art = renderer.picture(
        documentOf(
            "\xDB\xDB\xDB\r\n\xDB\xDB\xDB\r\n\xDB\xDB\xDB\r\n\xDC\xDC\xDC\r\n\xDF\xDF\xDF\r\n"
            "\xBA\xBA\xBA\r\n\xBA\xBA\xBA"),
        CodePage::Charset::Oem, Green, Qt::black);
    const int h = renderer.deviceCellSize().height();
    ASSERT_EQ(art.height(), 7 * h);
    EXPECT_EQ(gapRows(art, h, 0, 3, Green), 0);
    // The lower half of one row and the upper half of the next meet exactly.
    EXPECT_EQ(gapRows(art.copy(0, 3 * h + h / 2, art.width(), h), 1, 0, h, Green), 0);
    EXPECT_GT(gapRows(art, h, 3, 4, Green), 0) << "a half block is only half";
    for (int x = 0; x < art.width(); ++x) {
        const bool line = art.pixelColor(x, 5 * h) == Green;
        for (int y = 5 * h; y < 7 * h; ++y)
            ASSERT_EQ(art.pixelColor(x, y) == Green, line) << "x " << x << " y " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(SizesAndScales, BlockArtTest,
                         ::testing::Values(ArtCase{"Terminal", 9, 1}, ArtCase{"Terminal", 18, 1},
                                           ArtCase{"Terminal", 11, 1.5}, ArtCase{"Terminal", 9, 2},
                                           ArtCase{"DejaVu Sans Mono", 11, 1},
                                           ArtCase{"DejaVu Sans Mono", 9, 1.5},
                                           ArtCase{"DejaVu Sans Mono", 18, 2}),
                         [](const auto& info) {
                             std::string name = info.param.font;
                             std::erase(name, ' ');
                             return name + std::to_string(info.param.pointSize) + "ptScale" +
                                    std::to_string(int(info.param.ratio * 10));
                         });

TEST(CellRenderer, APictureIsOneCellPerCharacterWithTabStopsEveryEight) {
    CellRenderer renderer;
    renderer.setFont(resolveFont(FontSpec{}));
    const TextDocument document = documentOf("\tX\r\n12345678X\r\n");
    const QImage picture = renderer.picture(document, CodePage::Charset::Oem, Green, Qt::black);
    ASSERT_EQ(renderer.deviceCellSize(), QSize(8, 16));
    EXPECT_EQ(picture.size(), QSize(9 * 8, 2 * 16)) << "nine cells wide, two lines, two rows";
    const auto inked = [&](int column, int row) {
        for (int y = row * 16; y < row * 16 + 16; ++y)
            for (int x = column * 8; x < column * 8 + 8; ++x)
                if (picture.pixelColor(x, y) != Qt::black)
                    return true;
        return false;
    };
    EXPECT_FALSE(inked(0, 0));
    EXPECT_TRUE(inked(8, 0)) << "X after the tab";
    EXPECT_TRUE(inked(8, 1));
    renderer.setDevicePixelRatio(2);
    EXPECT_EQ(renderer.picture(document, CodePage::Charset::Oem, Green, Qt::black).size(),
              QSize(9 * 16, 2 * 32));
    EXPECT_EQ(
        renderer.picture(documentOf("\tX\r\n12345678X"), CodePage::Charset::Oem, Green, Qt::black)
            .height(),
        2 * 32)
        << "without the last break: as many rows";
}
