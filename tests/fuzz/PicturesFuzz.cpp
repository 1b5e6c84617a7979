// libFuzzer target for the picture writers on small documents, ANSI art in its colours among
// them: the PNG must decode to exactly the picture the renderer draws, the SVG must be well-formed
// XML of the PNG's size, and the PDF's cross-reference table must point at its objects. Built and
// run by scripts/fuzz.

#include "FuzzCheck.h"

#include "AnsiArt.h"
#include "CellRenderer.h"
#include "PaneFont.h"
#include "PicturePdf.h"
#include "PicturePng.h"
#include "PictureSvg.h"
#include "TextDocument.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QXmlStreamReader>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

QByteArray written(const std::function<QString(QIODevice&)>& write) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    FUZZ_CHECK(write(out).isEmpty());
    return bytes;
}

void checkSvg(const QByteArray& svg, const QSize& size) {
    QXmlStreamReader xml(svg);
    bool root = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (root) {
            FUZZ_CHECK(xml.name() == u"svg");
            FUZZ_CHECK(xml.attributes().value(QLatin1String("width")).toInt() == size.width());
            FUZZ_CHECK(xml.attributes().value(QLatin1String("height")).toInt() == size.height());
            root = false;
        }
    }
    FUZZ_CHECK(!xml.hasError());
    FUZZ_CHECK(!root);
}

void checkPdf(const QByteArray& pdf) {
    FUZZ_CHECK(pdf.startsWith("%PDF-") && pdf.endsWith("%%EOF\n"));
    const qsizetype start = pdf.lastIndexOf("startxref\n");
    FUZZ_CHECK(start > 0);
    const qsizetype table = pdf.mid(start + 10).split('\n').front().toLongLong();
    FUZZ_CHECK(pdf.mid(table, 5) == "xref\n");
    // "xref", "0 N", the free entry, then one entry of 20 bytes for each object 1 to N - 1.
    const QList<QByteArray> head = pdf.mid(table, 64).split('\n');
    const int objects = head.value(1).split(' ').value(1).toInt();
    FUZZ_CHECK(objects > 1);
    const qsizetype entries = table + head[0].size() + head[1].size() + 2 + 20;
    for (int number = 1; number < objects; ++number) {
        const QByteArray entry = pdf.mid(entries + 20 * (number - 1), 20);
        FUZZ_CHECK(entry.size() == 20 && entry.endsWith(" \n"));
        const QByteArray object = QByteArray::number(number) + " 0 obj\n";
        if (entry[17] == 'n')
            FUZZ_CHECK(pdf.mid(entry.left(10).toLongLong()).startsWith(object));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    auto charset = input.PickValueInArray({CodePage::Charset::Oem, CodePage::Charset::Ansi,
                                           CodePage::Charset::Utf8, CodePage::Charset::AnsiArt});
    CellRenderer renderer;
    renderer.setFont(resolveFont(FontSpec{}));
    renderer.setDevicePixelRatio(input.ConsumeBool() ? 2 : 1);
    renderer.setNinthColumn(input.ConsumeBool());
    renderer.setTallPixels(input.ConsumeBool());
    const QColor color = input.ConsumeBool() ? QColor(Qt::green) : QColor(0x80, 0x40, 0x20);
    const QColor ground = input.ConsumeBool() ? QColor(Qt::black) : QColor(Qt::white);
    const std::string text = input.ConsumeRemainingBytesAsString();
    QByteArray bytes(text.data(), qsizetype(text.size()));
    // Art is its grid's cells in their colours.
    CellColours colours;
    if (charset == CodePage::Charset::AnsiArt) {
        AnsiArt::Options options;
        options.width = 40;
        options.maxRows = 60;
        AnsiArt::Art art = AnsiArt::interpret(bytes, options);
        bytes = art.text;
        colours = std::move(art.colours);
        charset = CodePage::Charset::Oem;
    }
    TextDocument document;
    document.setBytes(bytes);

    const QImage drawn = renderer.picture(document, charset, color, ground, -1, -1, colours);
    FUZZ_CHECK(!drawn.isNull());
    const QImage png = QImage::fromData(written([&](QIODevice& out) {
        // A small budget, so that even these pictures go out in several bands and tiles.
        return writePicturePng(document, charset, renderer, color, ground, out, 4096, colours);
    }));
    FUZZ_CHECK(png.size() == drawn.size());
    FUZZ_CHECK(png.convertToFormat(QImage::Format_RGB32) ==
               drawn.convertToFormat(QImage::Format_RGB32));
    checkSvg(written([&](QIODevice& out) {
                 return writePictureSvg(document, charset, renderer, color, ground, out, colours);
             }),
             drawn.size());
    checkPdf(written([&](QIODevice& out) {
        return writePicturePdf(document, charset, renderer, color, ground, Paper::A4,
                               QStringLiteral("fuzz"), out, colours);
    }));
    return 0;
}
