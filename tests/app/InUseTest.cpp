// Faults that only showed in use: bytes lost on Save, tab stops, drops, the Open dialog's
// completion list, the navigator caption.
#include "MainWindowFixture.h"

#include "CodePage.h"
#include "Errors.h"
#include "FileNames.h"
#include "FontDialog.h"
#include "MenuBar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

namespace {

QByteArray everyByte() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            bytes.append(char(b));
    }
    return bytes + "\r\n" + bytes;
}

} // namespace

TEST_F(MainWindowTest, EveryByteSurvivesLoadAndSaveInEveryScriptEditedOrNot) {
    const QString file = path(QStringLiteral("all.nfo"));
    for (const CodePage::Charset charset :
         {CodePage::Charset::Oem, CodePage::Charset::Ansi, CodePage::Charset::Utf8}) {
        writeFile(file, everyByte());
        start();
        FontSpec font = form->paneFont();
        font.charset = charset;
        form->setPaneFont(font);
        openThroughDialog(file);
        ASSERT_TRUE(ui()->mnuSave->isEnabled());
        ui()->mnuSave->trigger();
        EXPECT_EQ(readFile(file), everyByte()) << "unedited, charset " << int(charset);

        ui()->Memo->setCaret(0);
        ui()->Memo->setFocus();
        QTest::keyClicks(ui()->Memo, QStringLiteral("A"));
        ui()->mnuSave->trigger();
        EXPECT_EQ(readFile(file), 'A' + everyByte()) << "edited, charset " << int(charset);
    }
}

TEST_F(MainWindowTest, AUtf8DocumentShowsInThatScriptWithoutBecomingTheUsersChoice) {
    const QByteArray art = "\xEF\xBB\xBF" + QString::fromUtf16(u"██╗\r\n╚═╝ é").toUtf8();
    writeFile(path(QStringLiteral("utf8.nfo")), art);
    writeFile(path(QStringLiteral("dos.nfo")), "\xDB\xDB\xBB");
    start();
    openThroughDialog(path(QStringLiteral("utf8.nfo")));
    EXPECT_EQ(ui()->Memo->charset(), CodePage::Charset::Utf8);
    EXPECT_EQ(form->paneFont().charset, CodePage::Charset::Oem);
    EXPECT_EQ(ui()->Memo->cursorRect(3).x(), ui()->Memo->cursorRect(0).x()) << "the mark: no cell";
    EXPECT_EQ(ui()->Memo->cursorRect(6).x() - ui()->Memo->cursorRect(3).x(),
              ui()->Memo->cursorRect(24).x() - ui()->Memo->cursorRect(23).x())
        << "a sequence is one cell";
    // The font dialog's script list says which script the document is shown in.
    QStringList scripts;
    onNextDialog([&](QDialog* dialog) {
        const auto* list = dialog->findChild<QComboBox*>(QStringLiteral("script"));
        for (int i = 0; list && i < list->count(); ++i)
            scripts << list->itemText(i);
        dialog->reject();
    });
    ui()->mnuFont->trigger();
    EXPECT_EQ(scripts.filter(QStringLiteral("detected")),
              QStringList{QStringLiteral("UTF-8 (detected: this document is shown in it)")});

    ui()->Memo->setCaret(paneBytes().size());
    ui()->Memo->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf16(u"ü"));
    QApplication::sendEvent(ui()->Memo, &typed);
    QTest::keyClick(ui()->Memo, Qt::Key_Backspace);
    QTest::keyClick(ui()->Memo, Qt::Key_Backspace);
    QApplication::sendEvent(ui()->Memo, &typed);
    ui()->mnuSave->trigger();
    EXPECT_EQ(readFile(path(QStringLiteral("utf8.nfo"))),
              art.chopped(2) + QString::fromUtf16(u"ü").toUtf8())
        << "Backspace takes a whole sequence; typing writes UTF-8";

    openThroughDialog(path(QStringLiteral("dos.nfo")));
    EXPECT_EQ(ui()->Memo->charset(), CodePage::Charset::Oem) << "the next document: the user's";
    EXPECT_EQ(ui()->Memo->toPlainText(), QString::fromUtf16(u"██╗"));
}

TEST_F(MainWindowTest, AUtf16DocumentShowsDecodedAndSavesInItsOwnByteOrder) {
    // The mark first: fromUtf16 would take it away.
    const QString text =
        QChar(0xFEFF) + QString::fromUtf16(u"╔═╗ https://WWW.a.example/x 😀\r\nend");
    for (const bool little : {true, false}) {
        QByteArray bytes;
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            bytes.append(little ? low : high).append(little ? high : low);
        }
        const QString file = path(little ? QStringLiteral("le.nfo") : QStringLiteral("be.nfo"));
        writeFile(file, bytes);
        start();
        openThroughDialog(file);
        EXPECT_EQ(ui()->Memo->toPlainText().mid(1),
                  text.mid(1).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        ASSERT_GE(ui()->lboxLinks->count(), 1);
        EXPECT_EQ(ui()->lboxLinks->text(0), QStringLiteral("https://www.a.example/x"));
        ui()->mnuSave->trigger();
        EXPECT_EQ(readFile(file), bytes) << "unedited: byte for byte";

        ui()->Memo->setCaret(paneBytes().size());
        ui()->Memo->setFocus();
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                        QStringLiteral("\u00FC"));
        QApplication::sendEvent(ui()->Memo, &typed);
        ui()->mnuSave->trigger();
        EXPECT_EQ(readFile(file),
                  bytes + (little ? QByteArray("\xFC\x00", 2) : QByteArray("\x00\xFC", 2)));
        form.reset();
    }
    // Not valid UTF-16 (a lone surrogate): the user's script, bytes unchanged.
    writeFile(path(QStringLiteral("bad.nfo")), QByteArray("\xFF\xFE\x41\x00\x00\xD8", 6));
    start({path(QStringLiteral("bad.nfo"))});
    EXPECT_EQ(paneBytes(), QByteArray("\xFF\xFE\x41\x00\x00\xD8", 6));
    EXPECT_EQ(ui()->Memo->charset(), CodePage::Charset::Oem);
}

TEST_F(MainWindowTest, TabStopsAreEveryEightCellsAtEverySize) {
    writeFile(path(QStringLiteral("tabs.nfo")), "\tX\r\n12345678X");
    start({path(QStringLiteral("tabs.nfo"))});
    for (const int size : {9, 18, 27}) {
        FontSpec font = form->paneFont();
        font.pointSize = size;
        form->setPaneFont(font);
        const int tabbed = ui()->Memo->cursorRect(1).x(); // after the tab, before X
        // After the eight digits of the second line.
        EXPECT_EQ(tabbed, ui()->Memo->cursorRect(12).x()) << size << " pt";
        EXPECT_GT(tabbed, ui()->Memo->cursorRect(0).x()) << size << " pt";
    }
}

TEST_F(MainWindowTest, AFileDroppedOnThePaneIsOpenedAsTheOpenDialogWould) {
    writeFile(path(QStringLiteral("one.nfo")), "first");
    writeFile(path(QStringLiteral("two.nfo")), "second");
    start();
    ASSERT_TRUE(ui()->Memo->isReadOnly());
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(path(QStringLiteral("one.nfo")))});
    dropOnPane(ui()->Memo->viewport(), files);
    EXPECT_EQ(paneBytes(), QByteArray("first"));
    EXPECT_EQ(form->currentFileName(), path(QStringLiteral("one.nfo")));
    EXPECT_TRUE(ui()->mnuClose->isEnabled());
    EXPECT_FALSE(ui()->Memo->isReadOnly()) << "Read-only flips as after Open";

    // Editable now: a file still opens instead of its name going into the text.
    files->setUrls({QUrl::fromLocalFile(path(QStringLiteral("two.nfo")))});
    dropOnPane(ui()->Memo->viewport(), files);
    EXPECT_EQ(paneBytes(), QByteArray("second"));
    EXPECT_TRUE(ui()->Memo->isReadOnly());
    delete files;

    ui()->mnuReadonly->trigger();
    ui()->Memo->setCaret(paneBytes().size());
    QMimeData text;
    text.setText(QString::fromUtf16(u" █€"));
    dropOnPane(ui()->Memo->viewport(), &text);
    EXPECT_EQ(paneBytes(), QByteArray("second \xDB?")) << "dropped text goes through the code page";
}

TEST_F(MainWindowTest, TheOpenDialogLeavesNoCompletionListBehind) {
    writeFile(path(QStringLiteral("doc.nfo")), "doc");
    start();
    form->show();
    openThroughDialog(path(QStringLiteral("doc.nfo")));
    ASSERT_EQ(paneBytes(), QByteArray("doc"));
    // The folder listing arrives late and the completion list asks to come up after the dialog
    // has gone, as it does for a user who typed a path and pressed Enter.
    auto* dialog = form->findChild<QFileDialog*>(QStringLiteral("OpenDialog"));
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    ASSERT_NE(name->completer(), nullptr);
    QAbstractItemView* popup = name->completer()->popup();
    name->completer()->setCompletionPrefix(dir.path() + u'/');
    name->completer()->complete();
    QTest::qWait(50);
    EXPECT_FALSE(popup->isVisible()) << "a completion list is up without its dialog";
}

TEST_F(MainWindowTest, AnAccessKeySharedByTwoItemsHighlightsThemInTurnAndOnlyEnterActs) {
    start();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* bar = qobject_cast<MenuBar*>(ui()->MainMenu);
    ASSERT_NE(bar, nullptr);
    QWidget* focus = QApplication::focusWidget();
    int dialogs = 0;
    onNextDialog([&](QDialog* dialog) {
        ++dialogs;
        dialog->reject();
    });

    QTest::keyClick(form.get(), Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(bar->keyboardItem(), ui()->mnuOpen);
    QTest::keyClick(bar, Qt::Key_O);
    EXPECT_EQ(bar->keyboardItem(), ui()->mnuOptions->menuAction());
    QTest::keyClick(bar, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(bar->keyboardItem(), ui()->mnuOpen) << "the key goes round";
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_Escape);
    EXPECT_EQ(bar->keyboardItem(), nullptr);
    EXPECT_TRUE(form->isVisible()) << "Esc only left the bar";
    EXPECT_EQ(QApplication::focusWidget(), focus);
    EXPECT_EQ(dialogs, 0) << "nothing ran by surprise";

    QTest::keyClick(form.get(), Qt::Key_O, Qt::AltModifier);
    QTest::keyClick(bar, Qt::Key_O);
    QTest::keyClick(bar, Qt::Key_Return);
    EXPECT_TRUE(ui()->mnuOptions->isVisible()) << "Enter drops the highlighted menu down";
    ui()->mnuOptions->close();
    EXPECT_EQ(dialogs, 0);

    QTest::keyClick(form.get(), Qt::Key_O, Qt::AltModifier);
    QTest::keyClick(bar, Qt::Key_Return);
    EXPECT_EQ(dialogs, 1) << "Enter on Open opens";
}

TEST_F(MainWindowTest, ANameThatIsNotUtf8OpensSavesAndReadsInMessages) {
    const QString name = FileNames::fromBytes(QFile::encodeName(dir.path()) + "/caf\x82.nfo");
    writeFile(name, "old");
    start({name});
    EXPECT_EQ(paneBytes(), QByteArray("old")) << "the default document was shown instead";
    // Dropped, as a file manager names it (percent-encoded bytes): opened to be saved.
    QMimeData drop;
    drop.setUrls({QUrl::fromEncoded("file://" + FileNames::toBytes(name).toPercentEncoding("/"))});
    writeFile(name, "dropped");
    dropOnPane(ui()->Memo->viewport(), &drop);
    ASSERT_EQ(paneBytes(), QByteArray("dropped"));
    ASSERT_FALSE(ui()->Memo->isReadOnly());
    ui()->Memo->selectAll();
    ui()->Memo->setFocus();
    QTest::keyClicks(ui()->Memo, QStringLiteral("new"));
    ui()->mnuSave->trigger();
    EXPECT_EQ(readFile(name), QByteArray("new"));

    // A folder by that name cannot be opened; the message names it readably.
    const QString folder = FileNames::fromBytes(QFile::encodeName(dir.path()) + "/\x82t\x82");
    ASSERT_EQ(::mkdir(FileNames::toBytes(folder).constData(), 0700), 0);
    OutsideWorld::get().messages.clear();
    try {
        form->LoadDocument(folder);
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().contains(QString::fromUtf16(u"/ét\u00e9\". Is a directory")))
            << e.message().toStdString();
    }
}
