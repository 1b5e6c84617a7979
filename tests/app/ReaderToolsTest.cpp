#include "MainWindowFixture.h"

#include "PaneNotice.h"
#include "ReaderTools.h"
#include "TextPane.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

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

    // The pane's context menu offers them, with Find, after its editing actions.
    QStringList offered;
    for (const QAction* action : ui()->Memo->contextActions())
        offered << action->shortcut().toString();
    EXPECT_TRUE(offered.contains(QStringLiteral("Ctrl+PgDown")) &&
                offered.contains(QStringLiteral("Ctrl+PgUp")) &&
                offered.contains(QStringLiteral("Ctrl+F")))
        << offered.join(u' ').toStdString();
}

TEST_F(MainWindowTest, ShownDocumentsJoinTheDesktopsRecentlyUsedListAndTheOpenDialogFollows) {
    const QString list = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/recently-used.xbel");
    QDir().mkpath(QFileInfo(list).absolutePath());
    const QByteArray others =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\" "
        "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
        "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "<bookmark href=\"file:///elsewhere/notes.txt\" added=\"2026-01-01T00:00:00Z\" "
        "modified=\"2026-01-01T00:00:00Z\" visited=\"2026-01-01T00:00:00Z\"><info><metadata "
        "owner=\"http://freedesktop.org\"><mime:mime-type type=\"text/plain\"/>"
        "<bookmark:applications><bookmark:application name=\"gedit\" exec=\"'gedit %u'\" "
        "modified=\"2026-01-01T00:00:00Z\" count=\"1\"/></bookmark:applications></metadata>"
        "</info></bookmark>\n</xbel>\n";
    writeFile(list, others);
    QDir(dir.path()).mkpath(QStringLiteral("releases"));
    const QString release = path(QStringLiteral("releases/release.nfo"));
    writeFile(release, "release");
    start({release});
    const QString written = QString::fromUtf8(readFile(list));
    EXPECT_TRUE(written.contains(u"file:///elsewhere/notes.txt")) << "others' entries stay";
    EXPECT_TRUE(written.contains(QUrl::fromLocalFile(release).toString(QUrl::FullyEncoded)));
    EXPECT_TRUE(written.contains(u"name=\"Zelvan RID Evodad\""));

    // The Open dialog starts where the reader was, the folders read in before in its history.
    QString folder;
    QStringList history;
    onNextDialog([&](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        folder = files->directory().absolutePath();
        history = files->history();
        dialog->reject();
    });
    ui()->mnuOpen->trigger();
    EXPECT_EQ(folder, path(QStringLiteral("releases")));
    EXPECT_TRUE(history.contains(path(QStringLiteral("releases"))));

    // The bundled document is not the reader's; a list that cannot be read is left as it is.
    form.reset();
    QFile::remove(list);
    start();
    EXPECT_FALSE(QFile::exists(list));
    writeFile(list, "not a bookmark list");
    start({release});
    EXPECT_EQ(readFile(list), QByteArray("not a bookmark list"));
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());
}

TEST_F(MainWindowTest, AFileRewrittenElsewhereIsReadAgainUnlessItsTextWasEdited) {
    const QString file = path(QStringLiteral("release.nfo"));
    QByteArray lines;
    for (int i = 0; i < 200; ++i)
        lines += "line " + QByteArray::number(i) + "\r\n";
    writeFile(file, lines);
    start({file});
    form->show();
    QSignalSpy shown(form.get(), &TMainForm::documentShown);
    TextPane* pane = ui()->Memo;
    pane->scrollToLine(50);
    pane->setCaret(lines.indexOf("line 60") + 2);
    const qsizetype caret = pane->caret();
    const PaneNotice* notice = form->readerTools()->notice();

    // Written in place, in a burst: read once, the view and the caret kept.
    for (int i = 0; i < 5; ++i) {
        writeFile(file, "NEW " + lines);
        QTest::qWait(20);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return paneBytes().startsWith("NEW"); }, 2000));
    QTest::qWait(400);
    EXPECT_EQ(shown.count(), 1) << "a burst of writes reads it once";
    EXPECT_EQ(pane->topLine(), 50);
    EXPECT_EQ(pane->caret(), caret);

    // Replaced by a rename, as editors save.
    writeFile(path(QStringLiteral("release.tmp")), "RENAMED");
    QFile::remove(file);
    QFile::rename(path(QStringLiteral("release.tmp")), file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return paneBytes() == "RENAMED"; }, 2000));

    // The viewer's own save reads nothing again; an edited text is kept, with an offer.
    openThroughDialog(file);
    ASSERT_FALSE(pane->isReadOnly());
    shown.clear();
    pane->setCaret(0);
    QTest::keyClicks(pane, QStringLiteral("x"));
    ui()->mnuSave->trigger();
    QTest::qWait(700);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(paneBytes(), QByteArray("xRENAMED"));
    QTest::keyClicks(pane, QStringLiteral("y"));
    writeFile(file, "ELSEWHERE");
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice->text().contains(u"edits are kept"); }, 2000));
    EXPECT_EQ(paneBytes(), QByteArray("xyRENAMED"));
    notice->findChild<QPushButton*>()->click();
    EXPECT_EQ(paneBytes(), QByteArray("ELSEWHERE")) << "Reload";

    QFile::remove(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice->text().contains(u"removed"); }, 2000));
    EXPECT_EQ(paneBytes(), QByteArray("ELSEWHERE"));
}
