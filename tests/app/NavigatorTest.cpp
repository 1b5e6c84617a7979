#include "MainWindowFixture.h"

#include "OrvelAddresses.h"
#include "TextPane.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

QStringList entries(const TOrvelListBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->text(i);
    return texts;
}

} // namespace

class NavigatorTest : public MainWindowTest {
protected:
    // Starts on the document with the start-up draw for the maker's page fixed.
    void startOn(const QByteArray& content, bool homePageDrawn) {
        writeFile(path(QStringLiteral("doc.nfo")), content);
        const std::uint32_t seed = seedDrawing(6, 3, homePageDrawn);
        OrvelRandom::setClock([seed] { return seed; });
        start({path(QStringLiteral("doc.nfo"))});
    }
    TOrvelListBox* list() const { return ui()->lboxLinks; }
    QString caption() const { return ui()->lblFoundAddr->text(); }
};

TEST_F(NavigatorTest, ListsTheAddressesInOrderWithTheirCount) {
    startOn("Home: WWW.Orvel.example\r\nhttp://b.example/X and www.c.example.", false);
    EXPECT_EQ(entries(list()), (QStringList{QStringLiteral("www.orvel.example"),
                                            QStringLiteral("http://b.example/x"),
                                            QStringLiteral("www.c.example.")}));
    EXPECT_EQ(caption(), QStringLiteral("Links in current document: 3"));
}

TEST_F(NavigatorTest, OneLoadInSixAddsTheMakersHomePage) {
    startOn("www.a.example www.b.example www.c.example", true);
    ASSERT_EQ(list()->count(), 4);
    EXPECT_EQ(list()->text(3), QString::fromLatin1(MakerHomeAddress));
    EXPECT_EQ(caption(), QStringLiteral("Links in current document: 4"));
}

TEST_F(NavigatorTest, ADocumentWithoutAddressesListsNothingWhateverTheDraw) {
    startOn("no addresses here", true);
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(caption(), QStringLiteral("Links in current document: 0"));
}

TEST_F(NavigatorTest, ALoadReplacesTheListAndAFailedOneEmptiesIt) {
    startOn("www.first.example", false);
    writeFile(path(QStringLiteral("second.nfo")), "www.second.example");
    OrvelRandom::setSeed(seedDrawing(6, 3, false));
    form->LoadDocument(path(QStringLiteral("second.nfo")));
    EXPECT_EQ(entries(list()), QStringList{QStringLiteral("www.second.example")});

    EXPECT_FALSE(
        Application::guarded([this] { form->LoadDocument(path(QStringLiteral("missing.nfo"))); }));
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(caption(), QStringLiteral("Links in current document: 1")) << "caption unchanged";

    ui()->mnuClose->setEnabled(true);
    ui()->mnuClose->trigger();
    EXPECT_EQ(caption(), QStringLiteral("Links in current document: 1"));
}

TEST_F(NavigatorTest, ClickingAnEntryOpensItUnchanged) {
    startOn("www.a.example http://b.example/\xE9", false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QRect second = list()->visualItemRect(1);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(OutsideWorld::get().opened.size(), 1u);
    EXPECT_EQ(OutsideWorld::get().opened[0], QByteArray("http://b.example/\xE9"));
}

TEST_F(NavigatorTest, AddressesOpenFromTheListAndTheTextAsTheDocumentWritesThem) {
    const QByteArray text = "see HTTPS://github.example/Jules/NSC_BUILDER and WWW.b.example";
    startOn(text, false);
    EXPECT_EQ(entries(list()),
              (QStringList{QStringLiteral("https://github.example/jules/nsc_builder"),
                           QStringLiteral("www.b.example")}))
        << "the list reads them lower-cased";
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(0).center());
    TextPane* pane = ui()->Memo;
    const auto click = [pane](qsizetype at, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, modifiers,
                          pane->cursorRect(at).center() + QPoint(2, 0));
    };
    click(text.indexOf("WWW") + 2);
    ASSERT_EQ(
        OutsideWorld::get().opened,
        (std::vector<QByteArray>{"HTTPS://github.example/Jules/NSC_BUILDER", "WWW.b.example"}));

    // Editable, a click places the caret and Ctrl+click opens.
    openThroughDialog(path(QStringLiteral("doc.nfo")));
    ASSERT_FALSE(pane->isReadOnly());
    click(6);
    EXPECT_EQ(pane->caret(), 6);
    EXPECT_EQ(OutsideWorld::get().opened.size(), 2u);
    click(6, Qt::ControlModifier);
    EXPECT_EQ(OutsideWorld::get().opened.back(),
              QByteArray("HTTPS://github.example/Jules/NSC_BUILDER"));
    EXPECT_EQ(pane->caret(), 6);
}

TEST_F(NavigatorTest, CtrlNTheMenuItemCloseAndADoubleClickWorkAfterEveryWayOfLoading) {
    startOn("www.a.example", false);
    form->show();
    // Whatever the window does with a panel that has just shown, it does on its next turns.
    const auto shown = [this] {
        QTest::qWait(30);
        return ui()->pnlReclama->isVisible();
    };
    const auto hidesAndComesBack = [&](const char* after) {
        SCOPED_TRACE(after);
        // The keys reach the window's shortcuts only while it is the active one; after a
        // dialog the offscreen platform says so a while after the window has the focus.
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
        QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
        EXPECT_FALSE(shown());
        EXPECT_FALSE(ui()->mnuProducts->isChecked());
        QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
        EXPECT_TRUE(shown());

        QTest::mouseClick(ui()->btnClose, Qt::LeftButton);
        EXPECT_FALSE(shown());
        EXPECT_FALSE(ui()->mnuProducts->isChecked());
        ui()->mnuProducts->trigger();
        EXPECT_TRUE(shown());

        QTest::mouseDClick(ui()->pnlAds, Qt::LeftButton, {}, QPoint(100, 300));
        EXPECT_FALSE(shown());
        EXPECT_FALSE(ui()->mnuProducts->isChecked());
        ui()->mnuProducts->trigger();
        EXPECT_TRUE(shown());
        EXPECT_TRUE(ui()->mnuProducts->isChecked());
    };
    hidesAndComesBack("at start");
    openThroughDialog(path(QStringLiteral("doc.nfo")));
    hidesAndComesBack("after Open");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path(QStringLiteral("doc.nfo")))});
    dropOnPane(ui()->Memo->viewport(), &files);
    hidesAndComesBack("after a drop");
    ui()->mnuClose->trigger();
    hidesAndComesBack("after Close");
}

TEST_F(NavigatorTest, DraggingTheBarResizesTheSidePanelLive) {
    startOn("www.a.example", false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QWidget* bar = ui()->Splitter;
    QWidget* panel = ui()->pnlReclama;
    ASSERT_EQ(panel->width(), 156);
    const QPoint start = bar->mapTo(form.get(), QPoint(1, 100));
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 100));
    for (int step = 1; step <= 5; ++step)
        QTest::mouseMove(bar, bar->mapFrom(form.get(), start - QPoint(20 * step, 0)));
    EXPECT_EQ(panel->width(), 256) << "the panel follows while the button is down";
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->mapFrom(form.get(), start - QPoint(100, 0)));
    EXPECT_EQ(panel->width(), 256);
    EXPECT_EQ(panel->geometry().right(), form->centralWidget()->width() - 1);
    EXPECT_EQ(bar->geometry().right() + 1, panel->x());
}

TEST_F(NavigatorTest, TheCaptionShowsTheWholeCount) {
    QByteArray many;
    for (int i = 0; i < 120; ++i)
        many += "www.site" + QByteArray::number(i) + ".example\r\n";
    startOn(many, false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QLabel* label = ui()->lblFoundAddr;
    EXPECT_EQ(caption(), QStringLiteral("Links in current document: 120"));
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(caption()));
    const QRect shown = label->geometry().intersected(ui()->pnlNavigator->contentsRect());
    EXPECT_EQ(shown, label->geometry()) << "the panel cuts the caption off";
    EXPECT_EQ(ui()->pnlReclama->geometry().right(), form->centralWidget()->width() - 1);
}

TEST_F(NavigatorTest, ALongAddressAnywhereInTheListCanBeScrolledTo) {
    const QByteArray longAddress = "www." + QByteArray(120, 'w') + ".example";
    startOn("www.a.example\r\n" + longAddress + "\r\nwww.b.example\r\n", false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const auto reach = [this] {
        return list()->horizontalScrollBar()->maximum() + list()->viewport()->width();
    };
    const int wanted = list()->fontMetrics().horizontalAdvance(QString::fromLatin1(longAddress));
    EXPECT_TRUE(QTest::qWaitFor([&] { return reach() >= wanted; }, 1000)) << reach();
}
