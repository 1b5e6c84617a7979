#include "MainWindowFixture.h"

#include "FormAbout.h"
#include "Hints.h"
#include "InternetLabel.h"
#include "OrvelProducts.h"
#include "ui_FormAbout.h"

#include <QTest>
#include <QTimer>

TEST_F(MainWindowTest, TheProductColumnHasItsEntriesTargetsAndHints) {
    start();
    const int tops[] = {52,  78,  105, 132, 159, 186, 213, 240, 267,
                        293, 320, 347, 374, 401, 428, 455, 482};
    int index = 0;
    for (const ProductLink& product : ProductLinks) {
        auto* label = form->findChild<TInternetLabel*>(QString::fromLatin1(product.label));
        ASSERT_NE(label, nullptr) << product.label;
        EXPECT_EQ(label->parentWidget(), ui()->pnlAds);
        EXPECT_EQ(label->geometry().topLeft(), QPoint(9, tops[index]));
        EXPECT_EQ(label->Link(), QByteArray(product.target));
        EXPECT_EQ(label->fontColor(), QColor(0, 0, 255));
        EXPECT_TRUE(label->font().underline());
        EXPECT_TRUE(Hints::enabledFor(label));
        if (index < 16) {
            EXPECT_TRUE(label->toolTip().contains(u'\n')) << "a multi-line hint";
            EXPECT_EQ(Hints::textFor(label), label->toolTip());
        }
        ++index;
    }
    EXPECT_EQ(ui()->lblNfoViewer->text(), QStringLiteral("Zelvan RID Evodad"));
    EXPECT_EQ(ui()->lblNfoViewer->toolTip(),
              QStringLiteral(
                  "Popular RID evodad (NFO, DIZ, TXT, ASCII Art).\n\nSize: 0.25 MB\nFreeware"));
    EXPECT_EQ(ui()->lblNfoViewer->Link(), QByteArray(DownloadPageAddress));
    EXPECT_EQ(ui()->lblOthers->text(), QStringLiteral("etc"));
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui()->lblOthers, ui()->lblSimilar, ui()->lblReclama, ui()->btnClose, ui()->pnlAds})
        EXPECT_EQ(Hints::textFor(w), QStringLiteral("Double click to close this panel"));
    EXPECT_EQ(Hints::textFor(ui()->lboxLinks),
              QStringLiteral("List of links discovered in the current NFO file"));
}

TEST_F(MainWindowTest, AnEntryTakesItsDoubleClickAndTheCloseButtonKeepsItsPlace) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseClick(ui()->lblHexPeek, Qt::LeftButton, {}, QPoint(3, 5));
    QTest::mouseDClick(ui()->lblHexPeek, Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_EQ(OutsideWorld::get().opened.size(), 1u) << "opened once by its click";
    EXPECT_TRUE(ui()->pnlReclama->isVisible()) << "the panel never saw the double click";
    EXPECT_TRUE(ui()->lblHexPeek->Visited());

    const QWidget* panel = ui()->pnlAds;
    const double fraction = ui()->btnClose->geometry().center().x() / double(panel->width());
    const int gap = panel->height() - ui()->btnClose->geometry().bottom();
    ui()->pnlReclama->resize(256, ui()->pnlReclama->height());
    EXPECT_NEAR(ui()->btnClose->geometry().center().x() / double(panel->width()), fraction, 0.02);
    EXPECT_EQ(panel->height() - ui()->btnClose->geometry().bottom(), gap);
}

TEST_F(MainWindowTest, AboutOpensAFreshModalWindowEachTime) {
    start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(ui()->mnuAbout->shortcut(), QKeySequence(Qt::Key_F1));
    std::vector<bool> fresh;
    bool blocked = false;
    QString before, during;
    const auto visit = [&](QDialog* dialog) {
        auto* about = qobject_cast<TfrmAbout*>(dialog);
        ASSERT_NE(about, nullptr);
        fresh.push_back(!about->form()->lblHome->Visited());
        about->form()->lblHome->setVisited(true);
        blocked = about->isModal() && QApplication::activeModalWidget() == about;
        before = form->windowTitle();
        // Closed from the modal window's own loop, which keeps the marquee going meanwhile.
        QTimer::singleShot(500, about, [&, about] {
            during = form->windowTitle();
            about->reject();
        });
    };
    onNextDialog(visit);
    ui()->mnuAbout->trigger();
    onNextDialog(visit);
    ui()->mnuAbout->trigger();
    EXPECT_TRUE(blocked);
    EXPECT_NE(before, during) << "the caption scrolls on behind the modal window";
    EXPECT_EQ(fresh, (std::vector<bool>{true, true})) << "each showing is a new window";
    EXPECT_TRUE(form->findChildren<TfrmAbout*>().isEmpty()) << "freed when closed";
}
