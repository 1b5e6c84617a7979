#include "InternetLabel.h"
#include "TestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor Blue(0, 0, 255);
const QColor Purple(128, 0, 128);
const QColor Red(255, 0, 0);

// A shown window with the label in it, and the pointer moved by real mouse events.
class LabelTest : public ::testing::Test {
protected:
    QWidget window;
    TInternetLabel* label = new TInternetLabel(&window);

    void SetUp() override {
        window.resize(200, 100);
        label->setText(QStringLiteral("a link"));
        label->setGeometry(10, 10, 80, 20);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(&window, QPoint(150, 80));
    }
    void enter() { QTest::mouseMove(label, QPoint(5, 5)); }
    void leave() { QTest::mouseMove(&window, QPoint(150, 80)); }
    void click() { QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5)); }
    bool underlined() const { return label->font().underline(); }
};

} // namespace

TEST_F(LabelTest, StartsNotVisitedBluePlainWithAHandCursor) {
    EXPECT_EQ(label->fontColor(), Blue);
    EXPECT_FALSE(underlined());
    EXPECT_FALSE(label->Visited());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(label->About());
}

TEST_F(LabelTest, ColourAndUnderlineFollowThePointerAndTheVisit) {
    int entered = 0, left = 0;
    QObject::connect(label, &TInternetLabel::mouseEntered, [&] { ++entered; });
    QObject::connect(label, &TInternetLabel::mouseLeft, [&] { ++left; });
    label->setLink("http://www.a.example/");

    enter();
    QTest::mouseMove(label, QPoint(10, 6)); // moving within the label is no new entry
    EXPECT_EQ(label->fontColor(), Red);
    EXPECT_TRUE(underlined());
    EXPECT_EQ(entered, 1);

    click();
    EXPECT_TRUE(label->Visited());
    EXPECT_EQ(label->fontColor(), Purple) << "visited colour while the pointer is still over";
    EXPECT_TRUE(underlined());
    ASSERT_EQ(OutsideWorld::get().opened.size(), 1u);
    EXPECT_EQ(OutsideWorld::get().opened[0], QByteArray("http://www.a.example/"));

    leave();
    EXPECT_EQ(label->fontColor(), Purple);
    EXPECT_FALSE(underlined());
    EXPECT_EQ(left, 1);
    enter();
    EXPECT_EQ(label->fontColor(), Red);

    OutsideWorld::get().shellResult = 2;
    click();
    EXPECT_FALSE(label->Visited()) << "a failed open clears the visit";
    EXPECT_EQ(label->fontColor(), Blue);
}

TEST_F(LabelTest, ClickRaisesOnClickFirstAndAnEmptyLinkOpensNothing) {
    QStringList order;
    QObject::connect(label, &TInternetLabel::clicked, [&] { order << QStringLiteral("click"); });
    QObject::connect(label, &TInternetLabel::linkActivating, [&](TInternetLabel*, bool& can) {
        order << (can ? u"can"_qs : u"cannot"_qs);
    });
    click();
    EXPECT_EQ(order, (QStringList{QStringLiteral("click"), QStringLiteral("cannot")}));
    EXPECT_TRUE(OutsideWorld::get().opened.empty());
    EXPECT_FALSE(label->Visited());
}

TEST_F(LabelTest, TheActivatingHandlerDecides) {
    bool allow = false;
    QObject::connect(label, &TInternetLabel::linkActivating,
                     [&](TInternetLabel*, bool& can) { can = allow; });
    label->setLink("www.a.example");
    label->setVisited(true);
    click();
    EXPECT_TRUE(OutsideWorld::get().opened.empty());
    EXPECT_TRUE(label->Visited()) << "a veto keeps the visited state";

    label->setLink(QByteArray());
    allow = true;
    OutsideWorld::get().shellResult = 2;
    click();
    ASSERT_EQ(OutsideWorld::get().opened.size(), 1u) << "an empty link opens when allowed";
    EXPECT_FALSE(label->Visited());
}

TEST_F(LabelTest, ColourWritesShowOnlyWhereTheyApply) {
    label->setVisited(true);
    enter();
    label->setVisitedColor(Qt::green);
    EXPECT_EQ(label->fontColor(), Red) << "over: the visited colour waits";
    leave();
    EXPECT_EQ(label->fontColor(), QColor(Qt::green));
    label->setOverColor(Qt::yellow);
    EXPECT_EQ(label->fontColor(), QColor(Qt::green)) << "away: the over colour waits";
    enter();
    EXPECT_EQ(label->fontColor(), QColor(Qt::yellow));
    label->setVisited(false);
    EXPECT_EQ(label->fontColor(), Blue) << "a Visited write shows at once, also while over";
}

TEST_F(LabelTest, LinkHintCopiesOnlyLaterLinks) {
    label->setLink("one");
    label->setLinkHint(true);
    EXPECT_EQ(label->toolTip(), QString());
    label->setLink("two");
    EXPECT_EQ(label->toolTip(), QStringLiteral("two"));
    label->setLinkHint(false);
    label->setLink("three");
    EXPECT_EQ(label->toolTip(), QStringLiteral("two"));
}

TEST_F(LabelTest, AboutShowsItsBoxEveryTimeAndReadsFalse) {
    label->setAbout(true);
    label->setAbout(false);
    label->setAbout(true);
    EXPECT_EQ(OutsideWorld::get().messages, (QStringList{QStringLiteral("Internet Label 2.0"),
                                                         QStringLiteral("Internet Label 2.0")}));
    EXPECT_FALSE(label->About());
}

TEST_F(LabelTest, ALayoutsRedUnderlinedFontTurnsBlueAndLosesTheUnderlineOnLeaving) {
    // As a layout applies them: the font (red, underlined) first, then the label's own.
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Red);
    label->setPalette(palette);
    label->setLinkHint(false);
    label->setVisited(false);
    label->setVisitedColor(Purple);
    label->setNotVisitedColor(Blue);
    label->setOverColor(Red);
    EXPECT_EQ(label->fontColor(), Blue);
    EXPECT_TRUE(underlined());
    enter();
    leave();
    EXPECT_FALSE(underlined());
}
