#include "OrvelListBox.h"
#include "TestSupport.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ListBoxTest : public ::testing::Test {
protected:
    QWidget window;
    TOrvelListBox* list = new TOrvelListBox(&window);
    std::vector<TLBNotifications> changes;

    void SetUp() override {
        window.resize(300, 300);
        list->setGeometry(0, 0, 200, 200);
        QObject::connect(list, &TOrvelListBox::changed,
                         [this](TOrvelListBox*, TLBNotifications c) { changes.push_back(c); });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void fill(int n) {
        QStringList entries;
        for (int i = 0; i < n; ++i)
            entries << QStringLiteral("entry %1").arg(i);
        list->addItems(entries);
    }
    QPoint at(int row) const { return list->visualItemRect(row).center(); }
    QList<int> selectedRows() const {
        QList<int> rows;
        for (int i = 0; i < list->count(); ++i) {
            if (list->isSelected(i))
                rows << i;
        }
        return rows;
    }
    void select(const QList<int>& rows) {
        list->clearSelection();
        for (int row : rows)
            list->setSelected(row, true);
    }
    void pressDelete() { QTest::keyClick(list, Qt::Key_Delete); }
};

} // namespace

TEST_F(ListBoxTest, ReportsEachAddedInsertedAndDeletedEntry) {
    EXPECT_TRUE(list->MultiSelect());
    fill(10);
    EXPECT_EQ(changes, std::vector<TLBNotifications>(10, lbAdded));
    changes.clear();
    list->insertItem(0, QStringLiteral("first"));
    list->removeItem(3);
    list->setItemText(0, QStringLiteral("renamed"));
    EXPECT_EQ(changes,
              (std::vector<TLBNotifications>{lbInserted, lbDeleted, lbDeleted, lbInserted}));
    changes.clear();
    list->clear();
    EXPECT_TRUE(changes.empty()) << "clearing raises nothing";
}

TEST_F(ListBoxTest, DeleteRemovesTheSelectionAndSelectsTheNextInItsPlace) {
    fill(5);
    select({1, 2, 4});
    changes.clear();
    pressDelete();
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->text(1), QStringLiteral("entry 3"));
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_EQ(changes, std::vector<TLBNotifications>(3, lbDeleted));

    select({1});
    pressDelete();
    EXPECT_EQ(selectedRows(), QList<int>{0}) << "removed at the end: the new last is selected";
    select({0});
    pressDelete();
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(OutsideWorld::get().tones.empty());
}

TEST_F(ListBoxTest, DeleteWithNothingSelectedBeepsAndCanBeTurnedOff) {
    fill(3);
    list->clearSelection();
    pressDelete();
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(OutsideWorld::get().tones.size(), 2u) << "the two-tone warning";

    OutsideWorld::get().tones.clear();
    list->Respond2DeleteKey = false;
    select({0});
    pressDelete();
    EXPECT_EQ(list->count(), 3);
    EXPECT_TRUE(OutsideWorld::get().tones.empty());
}

TEST_F(ListBoxTest, TheRightButtonTogglesAnEntryAndMakesItCurrent) {
    fill(4);
    select({0});
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at(2));
    EXPECT_EQ(selectedRows(), (QList<int>{0, 2}));
    EXPECT_EQ(list->currentRow(), 2);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at(2));
    EXPECT_EQ(selectedRows(), QList<int>{0});
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(10, 190));
    EXPECT_EQ(selectedRows(), QList<int>{0}) << "a right press on no entry only focuses";
    EXPECT_TRUE(list->hasFocus());
}

TEST_F(ListBoxTest, TheTooltipFollowsTheEntryUnderThePointer) {
    QTest::mouseMove(list->viewport(), QPoint(20, 20));
    EXPECT_EQ(list->toolTip(), QString()) << "an empty list changes nothing";
    fill(3);
    QTest::mouseMove(list->viewport(), at(1));
    EXPECT_EQ(list->toolTip(), QStringLiteral("entry 1"));
    QTest::mouseMove(list->viewport(), QPoint(20, 190));
    EXPECT_EQ(list->toolTip(), QString()) << "below the last entry: HintUserText";
    list->HintUserText = QStringLiteral("Open ");
    QTest::mouseMove(list->viewport(), at(2));
    EXPECT_EQ(list->toolTip(), QStringLiteral("Open entry 2"));
}

TEST_F(ListBoxTest, TheScrollExtentIsRefittedOnlyOnResize) {
    list->resize(150, 150);
    EXPECT_EQ(list->ScrollWidth(), 6);
    const QString wide(60, u'W');
    list->addItem(wide);
    EXPECT_EQ(list->ScrollWidth(), 6);
    list->resize(160, 150);
    const int expected =
        QFontMetrics(QFont(QStringLiteral("MS Sans Serif"), 8)).horizontalAdvance(wide) + 6;
    EXPECT_EQ(list->ScrollWidth(), expected);
    EXPECT_TRUE(QTest::qWaitFor([this] { return list->horizontalScrollBar()->maximum() > 0; }))
        << "wider than the list: it scrolls";
}

TEST_F(ListBoxTest, TheExtentFollowsTheWidestEntryWhereverItStandsAndOutlivesARefill) {
    list->setFont(QFont(QStringLiteral("MS Sans Serif"), 8)); // as the navigator shows it
    const QString wide(60, u'W');
    list->addItems({QStringLiteral("a"), wide, QStringLiteral("b")});
    list->resize(150, 150);
    const int expected =
        QFontMetrics(QFont(QStringLiteral("MS Sans Serif"), 8)).horizontalAdvance(wide) + 6;
    EXPECT_EQ(list->ScrollWidth(), expected);
    const auto reach = [this] {
        return list->horizontalScrollBar()->maximum() + list->viewport()->width();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return reach() == expected; }, 1000))
        << reach() << " " << expected;

    // Cleared and filled again without a resize: the extent is left as it was.
    list->clear();
    list->addItems({QStringLiteral("short"), QStringLiteral("x")});
    QTest::qWait(20);
    EXPECT_EQ(reach(), expected);
}

TEST_F(ListBoxTest, AHugeListIsMeasuredAfterItShowsAndThenFittedToItsWidest) {
    list->resize(150, 150);
    QStringList many;
    for (int i = 0; i < 30000; ++i)
        many << QStringLiteral("www.site%1.example").arg(i);
    const QString wide(60, u'W');
    many[7] = wide; // among the entries the first batch leaves for later
    list->addItems(many);
    list->resize(160, 150);
    const int expected =
        QFontMetrics(QFont(QStringLiteral("MS Sans Serif"), 8)).horizontalAdvance(wide) + 6;
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->ScrollWidth() == expected; }, 5000))
        << list->ScrollWidth() << " " << expected;
}
