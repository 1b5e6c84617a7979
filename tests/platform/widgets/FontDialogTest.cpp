#include "FontDialog.h"
#include "CodePage.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

class TerminalFont : public ::testing::TestWithParam<int> {};

// Every size the dialog offers for "Terminal" must draw whole-cell glyphs that tile: full
// blocks stacked line under line leave no gap, and every byte takes the same advance.
TEST_P(TerminalFont, TilesWithoutGapsAndKeepsOneCellPerByte) {
    FontSpec spec;
    spec.pointSize = GetParam();
    const QFont font = resolveFont(spec);
    ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("Unifont")) << "fonts-unifont is installed";
    const QFontMetrics metrics(font);
    const int cell = terminalPixelSize(spec.pointSize);
    EXPECT_EQ(metrics.height(), cell);
    EXPECT_EQ(metrics.lineSpacing(), cell) << "no leading between lines";
    const int advance = metrics.horizontalAdvance(QChar(u'A'));
    EXPECT_EQ(advance * 2, cell);
    for (int b = 0; b < 256; ++b) {
        const char16_t g = CodePage::glyph(uchar(b), CodePage::Charset::Oem);
        if (g == u'\t' || g == u'\r' || g == u'\n')
            continue;
        EXPECT_EQ(metrics.horizontalAdvance(QChar(g)), advance) << "byte " << b;
    }

    // Three lines of full blocks drawn the way the pane draws lines: no pixel row is left dark.
    QImage image(advance * 4, cell * 3, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::green);
        for (int line = 0; line < 3; ++line)
            painter.drawText(0, line * metrics.lineSpacing() + metrics.ascent(),
                             QString(4, QChar(0x2588)));
    }
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ASSERT_NE(image.pixel(x, y), qRgb(0, 0, 0)) << "gap at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(OfferedSizes, TerminalFont, ::testing::Values(9, 18, 27, 36));

TEST(TerminalFontSize, PointsMapToWholeCells) {
    EXPECT_EQ(terminalPixelSize(1), 16);
    EXPECT_EQ(terminalPixelSize(9), 16);
    EXPECT_EQ(terminalPixelSize(12), 16);
    EXPECT_EQ(terminalPixelSize(14), 32);
    EXPECT_EQ(terminalPixelSize(18), 32);
    EXPECT_EQ(terminalPixelSize(36), 64);
}

TEST(FontDialog, ShowsAndReturnsTheWholeDescription) {
    FontDialog dialog;
    FontSpec spec;
    spec.name = QStringLiteral("Terminal");
    spec.pointSize = 18;
    spec.bold = true;
    spec.italic = true;
    spec.underline = true;
    spec.color = QColor(0x12, 0x34, 0x56); // not one of the dialog's colours: offered as custom
    spec.charset = CodePage::Charset::Ansi;
    dialog.setSpec(spec);
    EXPECT_EQ(dialog.spec(), spec);
    spec.name = QStringLiteral("Some Font Nobody Has");
    dialog.setSpec(spec);
    EXPECT_EQ(dialog.spec().name, spec.name) << "a stored name stays on offer";
}

TEST(FontDialog, LabelsGiveTheirAccessKeysToTheirFields) {
    FontDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().contains(u'&')) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString() << " shows its &";
        }
    }
    QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QLineEdit*>(QStringLiteral("size")));
    QTest::keyClick(&dialog, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QComboBox*>(QStringLiteral("script")));
}
