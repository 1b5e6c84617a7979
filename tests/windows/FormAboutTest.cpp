#include "FormAbout.h"
#include "ui_FormAbout.h"

#include "Hints.h"
#include "OrvelAddresses.h"
#include "OrvelJpeg.h"
#include "TestSupport.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(DecodeJpeg, ReadsTheProgressiveLogoAndRefusesDamage) {
    TfrmAbout about; // makes the window's resources available
    QFile file(QStringLiteral(":/images/logo.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray jpeg = file.readAll();
    // Start of frame 2 (0xFFC2) marks progressive coding.
    EXPECT_TRUE(jpeg.contains(QByteArray("\xFF\xC2", 2)));
    const DecodedImage image = DecodeJpeg(jpeg);
    EXPECT_EQ(image.width, 292);
    EXPECT_EQ(image.height, 456);
    ASSERT_EQ(image.rgb.size(), 292 * 456 * 3);
    // The top of the logo is dark blue.
    EXPECT_LT(uchar(image.rgb[0]), 80);
    EXPECT_GT(uchar(image.rgb[2]), 80);

    EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray("not a picture at all")).isNull());
    QByteArray damaged = jpeg;
    damaged[1] = '\x00'; // no start-of-image marker
    EXPECT_TRUE(DecodeJpeg(damaged).isNull());
    EXPECT_TRUE(DecodeJpeg(jpeg.left(jpeg.size() / 3)).width == 292) << "a cut file still decodes";
}

TEST(AboutWindow, IsFixedWithTheLogoTheLinksAndTheirTargets) {
    TfrmAbout about;
    Ui::TfrmAbout* ui = about.form();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(549, 466));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(about.pos(), QPoint(301, 227));
    EXPECT_NEAR(about.windowOpacity(), 250.0 / 255.0, 0.01);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(ui->imgLogo->pixmap().size(), QSize(292, 456));
    EXPECT_EQ(ui->lblHome->Link(), QByteArray(MakerHomeAddress));
    EXPECT_EQ(ui->lblHome->toolTip(), QString::fromLatin1(MakerHomeAddress))
        << "LinkHint copies it";
    EXPECT_FALSE(Hints::enabledFor(ui->lblHome)) << "but no hint is shown";
    EXPECT_EQ(ui->lblProductSite->Link(), QByteArray(ProductSiteAddress));
    EXPECT_TRUE(Hints::textFor(ui->lblProductSite).isEmpty());
    for (TInternetLabel* label : {ui->lblHome, ui->lblProductSite}) {
        EXPECT_EQ(label->fontColor(), QColor(0, 0, 255)) << "the layout's red turns blue";
        EXPECT_TRUE(label->font().underline());
    }
    EXPECT_TRUE(ui->lblProductSite->font().bold());
}

TEST(AboutWindow, ThePictureOpensTheSecondSiteAndEachWindowStartsFresh) {
    {
        TfrmAbout about;
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.form()->imgLogo, Qt::LeftButton, {}, QPoint(150, 300));
        ASSERT_EQ(OutsideWorld::get().opened.size(), 1u);
        EXPECT_EQ(OutsideWorld::get().opened[0], QByteArray(ProductSiteAddress));
        EXPECT_FALSE(about.form()->lblProductSite->Visited());

        QTest::mouseClick(about.form()->lblProductSite, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(OutsideWorld::get().opened.size(), 2u) << "the label takes its own click";
        QTest::mouseClick(about.form()->lblHome, Qt::LeftButton, {}, QPoint(100, 8));
        EXPECT_TRUE(about.form()->lblHome->Visited());
    }
    TfrmAbout again;
    EXPECT_FALSE(again.form()->lblHome->Visited());
    EXPECT_EQ(again.form()->lblHome->fontColor(), QColor(0, 0, 255));
}

TEST(AboutWindow, EscDoesNotCloseItOnlyTheCloseBoxDoes) {
    TfrmAbout about;
    QTimer::singleShot(0, &about, [&about] {
        QTest::keyClick(&about, Qt::Key_Escape);
        QTest::keyClick(about.form()->lblHome, Qt::Key_Escape);
        EXPECT_TRUE(about.isVisible()) << "Esc closed the window";
        about.close();
    });
    about.exec();
    EXPECT_FALSE(about.isVisible());
}
