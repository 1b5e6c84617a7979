#include "MainWindowFixture.h"

#include "FindBar.h"
#include "PaneNotice.h"
#include "ReaderTools.h"
#include "TextPane.h"

#include <QCheckBox>
#include <QClipboard>
#include <QTest>

TEST_F(MainWindowTest, FindSearchesTheTextAsShownGoesRoundAndFollowsEdits) {
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += i % 100 == 10 ? "Caf\x82 \xDB\xDB line\r\n" : "plain line\r\n";
    writeFile(path(QStringLiteral("doc.nfo")), text);
    start({path(QStringLiteral("doc.nfo"))});
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
    FindBar* bar = form->readerTools()->findBar();
    TextPane* pane = ui()->Memo;
    const auto key = [](QWidget* to, int k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(to, Qt::Key(k), m);
    };
    const auto counted = [&] {
        return QTest::qWaitFor([&] { return !bar->status().contains(u'\u2026'); });
    };

    key(form.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), bar->field());
    bar->field()->insert(QStringLiteral("CAFÉ")); // é is 0x82 in code page 437
    ASSERT_TRUE(counted());
    const qsizetype first = text.indexOf("Caf");
    EXPECT_EQ(pane->selectedBytes(), QByteArray("Caf\x82"));
    EXPECT_EQ(pane->caret(), first + 4);
    EXPECT_EQ(bar->status(), QStringLiteral("1 of 3"));
    key(bar->field(), Qt::Key_Return);
    EXPECT_EQ(bar->status(), QStringLiteral("2 of 3"));
    key(form.get(), Qt::Key_F3);
    key(form.get(), Qt::Key_F3);
    EXPECT_EQ(bar->status(), QStringLiteral("1 of 3")) << "round the end";
    EXPECT_TRUE(form->readerTools()->notice()->text().contains(u"from the start"));
    key(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(bar->status(), QStringLiteral("3 of 3")) << "and back round the start";
    EXPECT_TRUE(pane->firstVisibleRow() > 0) << "scrolled to the match";

    bar->field()->setText(QStringLiteral("█"));
    ASSERT_TRUE(counted());
    EXPECT_EQ(bar->status(), QStringLiteral("5 of 6")) << "the first from the top of the view";
    bar->field()->setText(QStringLiteral("café"));
    bar->findChild<QCheckBox*>()->setChecked(true);
    ASSERT_TRUE(counted());
    EXPECT_EQ(bar->status(), QStringLiteral("No match")) << "Match case";
    bar->findChild<QCheckBox*>()->setChecked(false);
    ASSERT_TRUE(counted());

    // Edits are followed: a new match counts, the selected one keeps its place.
    ui()->mnuReadonly->trigger();
    pane->setCaret(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("café "));
    key(pane, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(counted());
    EXPECT_EQ(bar->status(), QStringLiteral("4 of 4")) << "the selected one moved along";
    key(bar->field(), Qt::Key_Return);
    EXPECT_EQ(bar->status(), QStringLiteral("1 of 4")) << "the new one, first";

    // Esc closes the bar, not the window, and the pane has the keys again.
    key(bar->field(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), pane);

    // The selection is the query the bar opens with.
    const qsizetype plain = pane->bytes().indexOf("plain");
    pane->setCaret(plain);
    pane->setCaret(plain + 5, true);
    key(form.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(bar->field()->text(), QStringLiteral("plain"));
}
