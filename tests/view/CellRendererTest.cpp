#include "CellRenderer.h"
#include "PaneFont.h"
#include "PicturePng.h"
#include "TextPane.h"

#include <QApplication>
#include <QBuffer>
#include <QTest>

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

TEST(TextDocument, EditsKeepTheLineIndexAndUndoRestoresTheBytes) {
    const QByteArray original("one\r\ntwo\r\n\r\nthree\nfour");
    TextDocument document;
    document.setBytes(original);
    const struct {
        qsizetype from, to;
        QByteArray text;
    } edits[] = {{3, 5, ""}, {0, 0, "a\r\nb"}, {5, 9, "x\r\n\r\ny"}, {0, 20, "\r\n"}, {2, 2, "z"}};
    TextDocument fresh;
    for (const auto& edit : edits) {
        document.replace(edit.from, edit.to, edit.text);
        fresh.setBytes(document.bytes());
        ASSERT_EQ(document.lineCount(), fresh.lineCount()) << document.bytes().constData();
        for (qsizetype line = 0; line < fresh.lineCount(); ++line) {
            EXPECT_EQ(document.lineStart(line), fresh.lineStart(line));
            EXPECT_EQ(document.line(line), fresh.line(line));
        }
    }
    // Long enough for the 64-byte scan, with breaks at every place in its blocks.
    QByteArray text;
    for (int i = 0; i < 5000; ++i)
        text += i * 7919 % 13 < 3 ? '\n' : 'x';
    fresh.setBytes(text);
    std::vector<qsizetype> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            starts.push_back(i + 1);
    ASSERT_EQ(fresh.lineCount(), qsizetype(starts.size()));
    for (qsizetype line = 0; line < fresh.lineCount(); ++line)
        ASSERT_EQ(fresh.lineStart(line), starts[size_t(line)]) << line;

    while (document.undo() >= 0) {
    }
    EXPECT_EQ(document.bytes(), original);
    EXPECT_EQ(document.lineCount(), 5);
    EXPECT_EQ(document.next(3), 5) << "a line break is one step";
    EXPECT_EQ(document.previous(5), 3);
}

TEST(TextPaneOnTheRenderer, ThePaneShowsWhatAPictureOfTheDocumentShows) {
    TextPane pane;
    pane.setFont(resolveFont(FontSpec{}));
    QPalette colours = pane.palette();
    colours.setColor(QPalette::Text, Green);
    colours.setColor(QPalette::Base, Qt::black);
    pane.setPalette(colours);
    pane.resize(400, 200);
    const QByteArray art(
        "\xC9\xCD\xCD\xBB  \xB0\xB1\xB2\xDB\r\n\xBA\tA\xBA\r\n\xC8\xCD\xCD\xBC www.a.b");
    pane.setBytes(art);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const QImage shown = pane.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    CellRenderer renderer;
    renderer.setFont(pane.font());
    const QImage picture =
        renderer.picture(documentOf(art), CodePage::Charset::Oem, Green, Qt::black);
    const QPoint origin = pane.cursorRect(0).topLeft();
    EXPECT_EQ(shown.copy(QRect(origin, picture.size())), picture);
}

TEST(PicturePng, IsPixelForPixelThePictureWrittenInBandsAndTiles) {
    CellRenderer renderer;
    renderer.setFont(resolveFont(FontSpec{}));
    QByteArray art;
    for (int i = 0; i < 40; ++i)
        art += "\xDB\xDC\xB0\xB1\xB2 \xC9\xCD\xBB\tart " + QByteArray::number(i) + "\r\n";
    // A line longer than a tile of cells, so that tiles meet inside it.
    const QByteArray wide = "\xDB\r\n" + QByteArray(17000, '\xB1') + "\tx\r\n\xC4";
    const QByteArray utf8 = QString::fromUtf16(u"╔═╗ é ¸,ø¤º°\r\n█▓▒░ ☺\r\n").toUtf8();
    // Nine-pixel cells, and a budget so small that the wide line goes out in pieces of columns.
    for (const auto& [bytes, charset, scale, ninth, budget] :
         {std::tuple{art, CodePage::Charset::Oem, 1, false, 12 << 20},
          std::tuple{wide, CodePage::Charset::Oem, 1, false, 12 << 20},
          std::tuple{wide, CodePage::Charset::Oem, 1, true, 12 << 10},
          std::tuple{utf8, CodePage::Charset::Utf8, 3, false, 12 << 20},
          std::tuple{utf8, CodePage::Charset::Utf8, 3, false, 12 << 10}}) {
        renderer.setDevicePixelRatio(scale);
        renderer.setNinthColumn(ninth);
        const TextDocument document = documentOf(bytes);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_EQ(
            writePicturePng(document, charset, renderer, Green, QColor(0, 0, 96), buffer, budget),
            QString());
        const QImage written = QImage::fromData(buffer.data(), "PNG");
        const QImage drawn = renderer.picture(document, charset, Green, QColor(0, 0, 96));
        ASSERT_EQ(written.size(), drawn.size());
        EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), drawn) << scale << ninth << budget;
    }
}
