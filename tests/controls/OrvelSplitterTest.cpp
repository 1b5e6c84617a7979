#include "OrvelSplitter.h"
#include "Dock.h"
#include "TestSupport.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A parent with a docked neighbour, the bar beside it and a client filling the rest.
class SplitterTest : public ::testing::Test {
protected:
    QWidget parent;
    QWidget* neighbour = new QWidget(&parent);
    TOrvelSplitter* bar = nullptr;
    QLineEdit* client = new QLineEdit(&parent);
    int movedCount = 0;

    void build(const char* side, QRect neighbourRect, QRect barRect) {
        parent.resize(400, 200);
        neighbour->setGeometry(neighbourRect);
        neighbour->setProperty("align", QString::fromLatin1(side));
        bar = new TOrvelSplitter(&parent);
        bar->setGeometry(barRect);
        bar->setProperty("align", QString::fromLatin1(side));
        client->setProperty("align", QStringLiteral("client"));
        Dock::install(&parent);
        QObject::connect(bar, &TOrvelSplitter::moved, [this] { ++movedCount; });
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    // Pointer positions in the bar's coordinates as they were at the press: the bar itself may
    // move during a live drag.
    QPoint origin;
    QPoint where(int x) const { return bar->mapFromParent(origin + QPoint(x, 50)); }
    void press(int x = 1) {
        origin = bar->pos();
        QTest::mousePress(bar, Qt::LeftButton, {}, where(x));
    }
    void move(int x) { QTest::mouseMove(bar, where(x)); }
    void release(int x) { QTest::mouseRelease(bar, Qt::LeftButton, {}, where(x)); }
};

} // namespace

TEST_F(SplitterTest, DockedRightItResizesTheSidePanelLiveSnapsItShutAndReopensIt) {
    build("right", {250, 0, 150, 200}, {247, 0, 3, 200});
    bar->ResizeStyle = rsUpdate;
    press();
    move(-49);
    EXPECT_EQ(neighbour->width(), 200) << "dragging left widens the panel at once";
    EXPECT_EQ(neighbour->geometry().right(), 399);
    move(149);
    EXPECT_EQ(neighbour->width(), 2);
    move(150);
    EXPECT_EQ(neighbour->width(), 0) << "at the minimum it snaps shut";
    release(150);
    EXPECT_EQ(bar->geometry().right(), 399);

    press();
    move(-99);
    EXPECT_EQ(neighbour->width(), 100) << "the closed panel opens again from the bar";
    release(-99);
}

TEST_F(SplitterTest, APatternDragShowsALineAndEscapeLeavesTheNeighbour) {
    build("left", {0, 0, 100, 200}, {100, 0, 3, 200});
    client->setFocus();
    press();
    EXPECT_TRUE(bar->LineShown());
    EXPECT_EQ(bar->lineRect(), QRect(100, 0, 3, 200));
    move(-19);
    EXPECT_EQ(bar->lineRect(), QRect(80, 0, 3, 200));
    EXPECT_EQ(neighbour->width(), 100) << "only the line moves";
    QTest::keyClick(client, Qt::Key_Escape);
    EXPECT_FALSE(bar->LineShown());
    EXPECT_EQ(bar->ResizedControl(), nullptr);
    move(-40);
    release(-40);
    EXPECT_EQ(neighbour->width(), 100) << "after Escape nothing more happens";
    QTest::keyClick(client, Qt::Key_A);
    EXPECT_EQ(client->text(), QStringLiteral("a")) << "the borrowed keys are given back";
}

TEST_F(SplitterTest, MinSizeClampsTheLineWithoutSnapping) {
    build("left", {0, 0, 100, 200}, {100, 0, 3, 200});
    bar->MinSize = 30;
    bar->AutoSnap = false;
    press();
    move(-79);
    EXPECT_EQ(bar->PendingSize(), 30);
    EXPECT_EQ(bar->SplitOffset(), -70);
    release(-79);
    EXPECT_EQ(neighbour->width(), 30);
}

TEST_F(SplitterTest, RefusedStepsMoveNothingAndTheReleaseAppliesThePressSize) {
    build("left", {0, 0, 100, 200}, {100, 0, 3, 200});
    bar->ResizeStyle = rsUpdate;
    QObject::connect(bar, &TOrvelSplitter::canResize,
                     [](TOrvelSplitter*, int&, bool& accept) { accept = false; });
    press();
    move(40);
    EXPECT_EQ(neighbour->width(), 100);
    release(40);
    EXPECT_EQ(bar->AppliedSize(), 100) << "the first drag always applies its size";
    EXPECT_EQ(movedCount, 2) << "once for the size, once for the end";
}

TEST_F(SplitterTest, NoNeighbourOrNoDockingMeansNoDrag) {
    build("left", {0, 0, 100, 200}, {100, 0, 3, 200});
    neighbour->hide();
    press();
    EXPECT_EQ(bar->ResizedControl(), nullptr);
    release(1);
    neighbour->show();
    bar->setAlign(QStringLiteral("client"));
    press();
    EXPECT_EQ(bar->ResizedControl(), nullptr);
    release(1);
}

TEST_F(SplitterTest, TheCursorFollowsTheAxisUnlessItWasChanged) {
    build("left", {0, 0, 100, 200}, {100, 0, 3, 200});
    EXPECT_EQ(bar->cursor().shape(), Qt::SplitHCursor);
    bar->setAlign(QStringLiteral("top"));
    EXPECT_EQ(bar->cursor().shape(), Qt::SplitVCursor);
    bar->setCursor(Qt::PointingHandCursor);
    bar->setAlign(QStringLiteral("left"));
    EXPECT_EQ(bar->cursor().shape(), Qt::PointingHandCursor);
}
