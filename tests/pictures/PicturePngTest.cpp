#include "PicturePng.h"
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
    // Nine-pixel cells, and a budget so small that the wide line goes out in pieces of columns.
    for (const auto& [bytes, charset, scale, ninth, budget] :
         {std::tuple{art, CodePage::Charset::Oem, 1, false, 12 << 20},
          std::tuple{wide, CodePage::Charset::Oem, 1, false, 12 << 20},
          std::tuple{wide, CodePage::Charset::Oem, 1, true, 12 << 10},
          std::tuple{utf8, CodePage::Charset::Utf8, 3, false, 12 << 20},
          std::tuple{utf8, CodePage::Charset::Utf8, 3, false, 12 << 10}}) {
        renderer.setDevicePixelRatio(scale);
        renderer.setNinthColumn(ninth);
        TextDocument document;
        document.setBytes(bytes);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_EQ(writePicturePng(document, charset, renderer, QColor(0, 255, 0), QColor(0, 0, 96),
                                  buffer, budget),
                  QString());
        const QImage written = QImage::fromData(buffer.data(), "PNG");
        const QImage drawn =
            renderer.picture(document, charset, QColor(0, 255, 0), QColor(0, 0, 96));
        ASSERT_EQ(written.size(), drawn.size());
        EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), drawn) << scale << ninth << budget;
    }
}
