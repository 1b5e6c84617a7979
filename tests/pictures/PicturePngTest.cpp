#include "PicturePng.h"
#include "AnsiArt.h"
#include "ArtSamples.h"
#include "PaneFont.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <tuple>

TEST(PicturePng, IsPixelForPixelThePictureWrittenInBandsAndTiles) {
    CellRenderer renderer;
    renderer.setFont(resolveFont(FontSpec{}));
    QByteArray art;
    for (int i = 0; i < 40; ++i)
        art += "\xDB\xDC\xB0\xB1\xB2 \xC9\xCD\xBB\tart " + QByteArray::number(i) + "\r\n";
    // A line longer than a tile of cells, so that tiles meet inside it.
    const QByteArray wide = "\xDB\r\n" + QByteArray(17000, '\xB1') + "\tx\r\n\xC4";
    const QByteArray utf8 = QString::fromUtf16(u"╔═╗ é ¸,ø¤º°\r\n█▓▒░ ☺\r\n").toUtf8();
    // ANSI art in the 16 colours, grounds of its own and the document's, and in true colour.
    QByteArray sequences;
    for (int i = 0; i < 40; ++i)
        sequences += esc(QByteArray::number(30 + i % 8).constData()) + "m" +
                     esc(QByteArray::number(40 + i % 5).constData()) + "m" + "\xDB\xB1 A" +
                     esc("0;1m") + "\xDC\xDF\xC9\xCD\xBB" +
                     esc(QByteArray("38;2;1;2;" + QByteArray::number(i) + "m").constData()) + "x" +
                     (i % 3 ? QByteArray("\r\n") : esc("7m") + " \xB0\r\n");
    const AnsiArt::Art coloured = AnsiArt::interpret(sequences);
    const CellColours none;
    const auto same = [](const CellRenderer& renderer, const QByteArray& bytes,
                         CodePage::Charset charset, int budget, const CellColours& colours) {
        TextDocument document;
        document.setBytes(bytes);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_EQ(writePicturePng(document, charset, renderer, QColor(0, 255, 0), QColor(0, 0, 96),
                                  buffer, budget, colours),
                  QString());
        const QImage written = QImage::fromData(buffer.data(), "PNG");
        const QImage drawn = renderer.picture(document, charset, QColor(0, 255, 0),
                                              QColor(0, 0, 96), -1, -1, colours);
        return written.size() == drawn.size() &&
               written.convertToFormat(QImage::Format_RGB32) == drawn;
    };
    // Nine-pixel cells, and a budget so small that the wide line goes out in pieces of columns.
    for (const auto& [bytes, charset, scale, ninth, budget, colours] :
         {std::tuple{art, CodePage::Charset::Oem, 1, false, 12 << 20, &none},
          std::tuple{wide, CodePage::Charset::Oem, 1, false, 12 << 20, &none},
          std::tuple{wide, CodePage::Charset::Oem, 1, true, 12 << 10, &none},
          std::tuple{utf8, CodePage::Charset::Utf8, 3, false, 12 << 20, &none},
          std::tuple{utf8, CodePage::Charset::Utf8, 3, false, 12 << 10, &none},
          std::tuple{coloured.text, CodePage::Charset::Oem, 1, false, 12 << 20, &coloured.colours},
          std::tuple{coloured.text, CodePage::Charset::Oem, 2, false, 12 << 10, &coloured.colours},
          std::tuple{coloured.text, CodePage::Charset::Oem, 1, true, 12 << 20,
                     &coloured.colours}}) {
        renderer.setDevicePixelRatio(scale);
        renderer.setNinthColumn(ninth);
        EXPECT_TRUE(same(renderer, bytes, charset, budget, *colours)) << scale << ninth << budget;
    }
    // A font that smooths its glyphs mixes every pair of colours.
    CellRenderer smooth;
    smooth.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 11));
    EXPECT_TRUE(same(smooth, coloured.text, CodePage::Charset::Oem, 12 << 20, coloured.colours));
}
