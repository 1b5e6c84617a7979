#include "MainWindowFixture.h"

#include "PaneNotice.h"
#include "ReaderTools.h"
#include "TextPane.h"

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QTest>

TEST_F(MainWindowTest, CtrlPageKeysStepThroughTheFolderInTheOrderAFileManagerShows) {
    for (const char* name : {"c10.asc", "a.nfo", "e.NFO", "B.DIZ", "c2.txt", "d.bin"})
        writeFile(path(QString::fromLatin1(name)), name);
    start({path(QStringLiteral("B.DIZ"))});
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
    const auto step = [this](Qt::Key key) {
        QTest::keyClick(form.get(), key, Qt::ControlModifier);
        return QString::fromLatin1(paneBytes());
    };
    const PaneNotice* notice = form->readerTools()->notice();
    EXPECT_EQ(step(Qt::Key_PageDown), QStringLiteral("c2.txt"));
    EXPECT_EQ(notice->text(), QString::fromUtf16(u"c2.txt \u2014 3 of 5"));
    EXPECT_EQ(form->currentFileName(), path(QStringLiteral("c2.txt")));
    EXPECT_TRUE(ui()->Memo->isReadOnly()) << "the Read-only state stays as it was";
    EXPECT_EQ(step(Qt::Key_PageDown), QStringLiteral("c10.asc")) << "2 before 10";
    EXPECT_EQ(step(Qt::Key_PageDown), QStringLiteral("e.NFO"));
    EXPECT_TRUE(OutsideWorld::get().tones.empty());
    EXPECT_EQ(step(Qt::Key_PageDown), QStringLiteral("e.NFO")) << "the last one";
    EXPECT_FALSE(OutsideWorld::get().tones.empty()) << "a beep at the end";
    for (int i = 0; i < 4; ++i)
        step(Qt::Key_PageUp);
    EXPECT_EQ(paneBytes(), QByteArray("a.nfo"));

    // Edits are asked about, as with Open; Cancel stays.
    ui()->mnuReadonly->trigger();
    ASSERT_FALSE(ui()->Memo->isReadOnly());
    QTest::keyClicks(ui()->Memo, QStringLiteral("x"));
    onNextDialog([](QDialog* dialog) {
        qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(step(Qt::Key_PageDown), QStringLiteral("xa.nfo"));

    // The pane's context menu offers both, after its editing actions.
    QStringList offered;
    for (const QAction* action : ui()->Memo->contextActions())
        offered << action->shortcut().toString();
    EXPECT_EQ(offered, (QStringList{QStringLiteral("Ctrl+PgDown"), QStringLiteral("Ctrl+PgUp")}));
}
