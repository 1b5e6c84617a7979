#include "MainWindowFixture.h"

#include "ArtSamples.h"
#include "ReaderTools.h"
#include "TextPane.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QMessageBox>
#include <QTest>

namespace {

QAction* actionNamed(const TextPane* pane, const QString& text) {
    for (QAction* action : pane->contextActions())
        if (action->text().remove(u'&').startsWith(text))
            return action;
    return nullptr;
}

} // namespace

TEST_F(MainWindowTest, AnsiArtIsShownAsDrawnReadOnlyAndItsBytesAreEditedAndSaved) {
    // The bundled NFO, art without sequences, is no ANSI art.
    start();
    EXPECT_FALSE(form->documentArt().found());
    form.reset();

    // A release NFO whose logo is drawn with cursor moves and colour, an address split by a
    // colour change, and a SAUCE record.
    SauceBytes sauce;
    sauce.title = "Release Logo";
    sauce.author = "Artist";
    sauce.dataType = 1;
    sauce.fileType = 0; // plain text: the document's own colours stay
    const QByteArray art = esc("1;31m") + "\xDB" + esc("3C") + "\xDB" + esc("0m") + "\r\n" +
                           "www." + esc("1m") + "group.example\r\n";
    const QString file = path(QStringLiteral("release.nfo"));
    writeFile(file, art + sauce.bytes());
    start({file});
    TextPane* pane = ui()->Memo;
    EXPECT_EQ(paneBytes(), QByteArray("\xDB   \xDB\r\nwww.group.example\r\n"));
    EXPECT_FALSE(pane->cellColours().isEmpty());
    EXPECT_TRUE(pane->isReadOnly());
    EXPECT_EQ(ui()->lboxLinks->text(0), QStringLiteral("www.group.example"))
        << "the address as shown, whole";
    EXPECT_EQ(pane->links().size(), 1u);
    pane->selectAll();
    pane->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString::fromUtf16(u"\u2588   \u2588\nwww.group.example\n"))
        << "copied as shown, without sequences";

    // Wrap stays off for the grid, and comes back with the bytes.
    ui()->mnuWrap->trigger();
    EXPECT_FALSE(pane->wrap());

    // The script the font dialog names as found.
    QString scripts;
    onNextDialog([&](QDialog* dialog) {
        const auto* list = dialog->findChild<QComboBox*>(QStringLiteral("script"));
        for (int i = 0; i < list->count(); ++i)
            scripts += list->itemText(i) + u'|';
        dialog->reject();
    });
    ui()->mnuFont->trigger();
    EXPECT_TRUE(scripts.contains(u"ANSI art (detected")) << scripts.toStdString();

    // The record is read in a box of its own, never in the text.
    QString record;
    onNextDialog([&](QDialog* dialog) {
        record = qobject_cast<QMessageBox*>(dialog)->text();
        dialog->reject();
    });
    QAction* about = actionNamed(pane, QStringLiteral("About this art"));
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(about->isEnabled());
    about->trigger();
    EXPECT_TRUE(record.startsWith(u"Title: Release Logo\nAuthor: Artist\n"))
        << record.toStdString();

    // The script the user picks in the dialog rules, their own among them: code page 437 shows
    // the bytes, ANSI art draws them again.
    const auto pick = [this](CodePage::Charset script) {
        onNextDialog([script](QDialog* dialog) {
            auto* list = dialog->findChild<QComboBox*>(QStringLiteral("script"));
            list->setCurrentIndex(list->findData(int(script)));
            dialog->accept();
        });
        ui()->mnuFont->trigger();
    };
    pick(CodePage::Charset::Oem);
    EXPECT_EQ(paneBytes(), art);
    pick(CodePage::Charset::AnsiArt);
    EXPECT_EQ(paneBytes(), QByteArray("\xDB   \xDB\r\nwww.group.example\r\n"));

    // Opened to edit: the bytes, without the record; an edit is drawn when it is read-only
    // again, and kept beside the art.
    openThroughDialog(file);
    ASSERT_FALSE(pane->isReadOnly());
    EXPECT_EQ(paneBytes(), art);
    EXPECT_TRUE(pane->cellColours().isEmpty());
    EXPECT_TRUE(pane->wrap());
    pane->setCaret(0);
    QTest::keyClicks(pane, QStringLiteral("x"));
    ui()->mnuReadonly->trigger();
    ASSERT_TRUE(pane->isReadOnly());
    EXPECT_TRUE(paneBytes().startsWith("x\xDB   \xDB")) << paneBytes().constData();
    EXPECT_TRUE(form->hasUnsavedEdits());

    // Save writes the edited bytes and the record as it was.
    ui()->mnuReadonly->trigger();
    ui()->mnuSave->trigger();
    EXPECT_EQ(readFile(file), "x" + art + sauce.bytes());
    EXPECT_FALSE(form->hasUnsavedEdits());

    // Art drawn from bytes as written (a lone CR returns the cursor) is saved as read while
    // unedited; an .ans piece draws in its own light grey on black whatever the pane's ground.
    const QString piece = path(QStringLiteral("piece.ans"));
    const QByteArray overprinted = "abc\rX\n" + esc("44m") + "  \n";
    writeFile(piece, overprinted);
    form.reset();
    start({piece});
    form->setPaneBackground(Qt::white);
    EXPECT_EQ(paneBytes(), QByteArray("Xbc\r\n  \r\n"));
    form->show();
    const QImage shown = ui()->Memo->viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 30, shown.height() - 30), QColor(Qt::black));
    openThroughDialog(piece);
    ASSERT_FALSE(ui()->Memo->isReadOnly());
    ui()->mnuSave->trigger();
    EXPECT_EQ(readFile(piece), overprinted) << "unedited, the file stays as it was";
}
